#include "batch/intake.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace pixmold {

std::string path_extension(std::string_view path) {
    for (std::size_t i = path.size(); i-- > 0;) {
        const char c = path[i];
        if (c == ' ' || c == '/' || c == '\\') return {};
        if (c == '.') {
            if (i == 0 || path[i - 1] == '/' || path[i - 1] == '\\') return {};
            std::string_view ext = path.substr(i + 1);
            const std::size_t quote = ext.find('"');
            if (quote != std::string_view::npos) ext = ext.substr(0, quote);
            return std::string(ext);
        }
    }
    return {};
}

std::string picture_extensions_text() {
    std::string text;
    for (const std::string_view ext : PICTURE_EXTENSIONS) {
        if (!text.empty()) text += ' ';
        text += ext;
    }
    return text;
}

bool is_picture_path(std::string_view path) {
    std::string ext = path_extension(path);
    if (ext.empty()) return false;
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    ext.insert(ext.begin(), '.');
    return std::find(PICTURE_EXTENSIONS.begin(), PICTURE_EXTENSIONS.end(), ext) != PICTURE_EXTENSIONS.end();
}

std::vector<std::string> split_drop_text(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(DROP_SEPARATOR, start);
        if (end == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

namespace {

PictureList list_folder(const std::string& folder) {
    namespace fs = std::filesystem;
    PictureList list;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    if (ec) return list;
    const bool has_separator = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::error_code kind_ec;
        if (!it->is_regular_file(kind_ec)) continue;
        const std::string name = it->path().filename().string();
        if (name == "." || name == "..") continue;
        std::string path = has_separator ? folder + name : folder + "/" + name;
        if (is_picture_path(path)) list.push_back(std::move(path));
    }
    return list;
}

}  // namespace

PictureList build_picture_list(const std::vector<std::string>& dropped) {
    if (dropped.size() == 1) {
        std::error_code ec;
        if (std::filesystem::is_directory(std::filesystem::path(dropped.front()), ec)) return list_folder(dropped.front());
    }
    PictureList list;
    for (const std::string& path : dropped)
        if (is_picture_path(path)) list.push_back(path);
    return list;
}

PictureList build_picture_list_from_text(std::string_view drop_text) {
    return build_picture_list(split_drop_text(drop_text));
}

}  // namespace pixmold
