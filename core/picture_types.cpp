#include "core/picture_types.h"

#include <algorithm>

namespace pixmold {

std::string picture_extensions_text(std::string_view before, char separator) {
    std::string text;
    for (const std::string_view ext : PICTURE_EXTENSIONS) {
        if (!text.empty()) text += separator;
        text += before;
        text += ext;
    }
    return text;
}

bool is_picture_extension(std::string_view extension) {
    if (extension.empty()) return false;
    std::string dotted = ".";
    for (const char c : extension) dotted += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return std::find(PICTURE_EXTENSIONS.begin(), PICTURE_EXTENSIONS.end(), dotted) != PICTURE_EXTENSIONS.end();
}

}  // namespace pixmold
