// The names the editor's save proposes and writes.
#pragma once

#include <string>

namespace pixmold {

// The source's file name without its extension: every "." + extension
// removed (exact case). C:\photos\beach.jpg and /photos/beach.jpg give "beach".
std::string save_base_name(const std::string& source_path);

// The typed name with a doubled or single ".jpg" / ".png" ending taken off
// (case-sensitive), then the chosen pattern's extension added: pattern 1 is
// PNG, any other JPEG.
std::string save_file_name(const std::string& typed, int pattern);

inline constexpr int SAVE_PATTERN_PNG = 1;

}  // namespace pixmold
