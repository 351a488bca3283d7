#include "core/picture_types.h"

#include <algorithm>

namespace pixmold {

std::string picture_extensions_text(std::string_view before, char separator) {
    std::string text;
    for (const PictureType& type : PICTURE_TYPES) {
        if (!text.empty()) text += separator;
        text += before;
        text += type.extension;
    }
    return text;
}

bool is_picture_extension(std::string_view extension) {
    if (extension.empty()) return false;
    std::string dotted = ".";
    for (const char c : extension) dotted += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return std::any_of(PICTURE_TYPES.begin(), PICTURE_TYPES.end(),
                       [&](const PictureType& type) { return type.extension == dotted; });
}

}  // namespace pixmold
