// File intake: turns a drop (one folder, or any number of paths) into the
// ordered list of pictures the resize job works through.
//
// Whether a path is a picture is decided by its extension alone; paths are
// not tested for existence or readability here.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace pixmold {

using PictureList = std::vector<std::string>;

// Paths of a drop are delivered joined by one line feed, none after the last.
inline constexpr char DROP_SEPARATOR = '\n';

// The text after the last dot of the file name, scanning backwards from the
// end. Empty when a space, '/' or '\\' comes before any dot, when there is no
// dot, or when the dot starts the file name (".jpg"). A double quote ends the
// extension.
std::string path_extension(std::string_view path);

// The extensions of pictures, lower case, in the order messages name them.
// ".tiff" is not among them.
inline constexpr std::array<std::string_view, 11> PICTURE_EXTENSIONS = {
    ".jpg", ".jpeg", ".jp2", ".j2k", ".bmp", ".png", ".tif", ".webp", ".heic", ".heif", ".avif"};

// The list as messages show it: ".jpg .jpeg ... .avif".
std::string picture_extensions_text();

// True when "." + the lower-cased extension is one of PICTURE_EXTENSIONS.
bool is_picture_path(std::string_view path);

// Splits a drop text at DROP_SEPARATOR: n separators give n + 1 fields.
std::vector<std::string> split_drop_text(std::string_view text);

// One existing folder alone: its pictures (files only, no subfolders, in the
// file system's listing order). Anything else: the pictures among the paths,
// in order, duplicates kept; a folder among several items is only taken when
// its own name ends in an accepted extension. A folder that cannot be listed
// gives an empty list.
PictureList build_picture_list(const std::vector<std::string>& dropped);

// The same for a drop delivered as one text.
PictureList build_picture_list_from_text(std::string_view drop_text);

}  // namespace pixmold
