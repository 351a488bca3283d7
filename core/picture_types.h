// The kinds of picture file the program takes, by extension: what a drop on
// the window and pixmold-batch take, and what the editor's open dialog
// offers. One list, so that no front end takes less than the engine reads.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pixmold {

// Each kind with its MIME type, lower case, in the order messages name them.
// Every one names a kind the image engine decodes. The build reads this
// table too (one entry a line, as written here) for the desktop entry's
// MimeType and the manual page's list.
struct PictureType {
    std::string_view extension;
    std::string_view mime_type;
};
inline constexpr std::array<PictureType, 14> PICTURE_TYPES = {{
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".jp2", "image/jp2"},
    {".j2k", "image/x-jp2-codestream"},
    {".bmp", "image/bmp"},
    {".png", "image/png"},
    {".tif", "image/tiff"},
    {".tiff", "image/tiff"},
    {".tga", "image/x-tga"},
    {".ico", "image/vnd.microsoft.icon"},
    {".webp", "image/webp"},
    {".heic", "image/heic"},
    {".heif", "image/heif"},
    {".avif", "image/avif"},
}};

// The list joined by `separator`, each extension after `before`:
// ".jpg .jpeg ... .avif" by default, "*.jpg;*.jpeg;..." with ("*", ';').
std::string picture_extensions_text(std::string_view before = "", char separator = ' ');

// True when `extension` (without its dot, in any letter case) is one of
// PICTURE_TYPES.
bool is_picture_extension(std::string_view extension);

}  // namespace pixmold
