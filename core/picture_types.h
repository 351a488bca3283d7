// The kinds of picture file the program takes, by extension: what a drop on
// the window and pixmold-batch take, and what the editor's open dialog
// offers. One list, so that no front end takes less than the engine reads.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pixmold {

// Lower case, in the order messages name them. Every one names a kind the
// image engine decodes.
inline constexpr std::array<std::string_view, 14> PICTURE_EXTENSIONS = {
    ".jpg", ".jpeg", ".jp2", ".j2k", ".bmp", ".png", ".tif", ".tiff", ".tga", ".ico", ".webp", ".heic", ".heif", ".avif"};

// The list joined by `separator`, each extension after `before`:
// ".jpg .jpeg ... .avif" by default, "*.jpg;*.jpeg;..." with ("*", ';').
std::string picture_extensions_text(std::string_view before = "", char separator = ' ');

// True when `extension` (without its dot, in any letter case) is one of
// PICTURE_EXTENSIONS.
bool is_picture_extension(std::string_view extension);

}  // namespace pixmold
