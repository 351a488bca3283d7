#include "fx/save_name.h"

namespace pixmold {

namespace {

bool ends_with(const std::string& text, const char* tail) {
    const std::string t(tail);
    return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

}  // namespace

std::string save_base_name(const std::string& source_path) {
    const std::size_t slash = source_path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? source_path : source_path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    const std::string cut = "." + extension;
    for (std::size_t at = name.find(cut); at != std::string::npos; at = name.find(cut, at)) name.erase(at, cut.size());
    return name;
}

std::string save_file_name(const std::string& typed, int pattern) {
    std::string name = typed;
    bool doubled = false;
    for (const char* tail : {".jpg.jpg", ".png.png", ".jpg.png", ".png.jpg"}) {
        if (ends_with(name, tail)) {
            name.resize(name.size() - 8);
            doubled = true;
            break;
        }
    }
    if (!doubled && (ends_with(name, ".jpg") || ends_with(name, ".png"))) name.resize(name.size() - 4);
    return name + (pattern == SAVE_PATTERN_PNG ? ".png" : ".jpg");
}

}  // namespace pixmold
