// Lists of paths for pixmold-batch --files-from: one path a line, or
// NUL-separated (what `find -print0` writes), from a file or the standard
// input, so that a library too big for one command line, or for one
// machine, can be handed out in pieces.
#pragma once

#include <functional>
#include <string>

namespace pixmold {

// Reads the list at `path` ("-": the standard input), entries ending at
// `separator` (the last one may end at the end of the file), and hands each
// non-empty entry, its bytes as they are, to `take` in order. False with
// `error` set (errno) when the list cannot be opened or read.
bool read_path_list(const std::string& path, char separator, const std::function<void(std::string&&)>& take,
                    int& error);

}  // namespace pixmold
