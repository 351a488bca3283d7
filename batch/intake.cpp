#include "batch/intake.h"

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

bool is_picture_path(std::string_view path) { return is_picture_extension(path_extension(path)); }

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

DropIntake list_folder(const std::string& folder) {
    namespace fs = std::filesystem;
    DropIntake taken;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    if (ec) return taken;
    const bool has_separator = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::error_code kind_ec;
        if (it->is_directory(kind_ec)) continue;
        const std::string name = it->path().filename().string();
        if (name == "." || name == "..") continue;
        std::string path = has_separator ? folder + name : folder + "/" + name;
        // Only regular files are pictures; anything else beside them (a
        // pipe, a socket, a dangling link) is left aside like any other file.
        if (it->is_regular_file(kind_ec) && is_picture_path(path))
            taken.pictures.push_back(std::move(path));
        else
            taken.left_aside.push_back(std::move(path));
    }
    return taken;
}

}  // namespace

DropIntake take_drop(const std::vector<std::string>& dropped) {
    if (dropped.size() == 1) {
        std::error_code ec;
        if (std::filesystem::is_directory(std::filesystem::path(dropped.front()), ec)) return list_folder(dropped.front());
    }
    DropIntake taken;
    for (const std::string& path : dropped) {
        if (is_picture_path(path))
            taken.pictures.push_back(path);
        else if (!path.empty())
            taken.left_aside.push_back(path);
    }
    return taken;
}

DropIntake take_drop_text(std::string_view drop_text) { return take_drop(split_drop_text(drop_text)); }

PictureList build_picture_list(const std::vector<std::string>& dropped) { return take_drop(dropped).pictures; }

PictureList build_picture_list_from_text(std::string_view drop_text) {
    return take_drop_text(drop_text).pictures;
}

}  // namespace pixmold
