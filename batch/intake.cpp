#include "batch/intake.h"

#include <algorithm>
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

namespace fs = std::filesystem;

// "folder/name", without doubling a separator the folder already ends with.
std::string joined(const std::string& folder, const std::string& name) {
    const bool has_separator = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    return has_separator ? folder + name : folder + "/" + name;
}

// The last name of a dropped path, trailing separators aside.
std::string last_name(std::string path) {
    while (!path.empty() && path.back() == '/') path.pop_back();
    const std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string place_below(const std::string& place, const std::string& name) {
    return place.empty() ? name : place + "/" + name;
}

// The files of `folder` (in the listing order, or in name order when
// walking), then, when walking, its subfolders the same way.
void read_folder(const std::string& folder, const std::string& place, const DropOptions& options, DropIntake& taken) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    if (ec) return;
    std::vector<std::pair<std::string, fs::directory_entry>> files;
    std::vector<std::string> folders;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::error_code kind_ec;
        std::string name = it->path().filename().string();
        if (name == "." || name == "..") continue;
        if (it->is_directory(kind_ec)) {
            // A link to a folder is never followed: it could lead back up or out.
            if (!it->is_symlink(kind_ec)) folders.push_back(std::move(name));
            continue;
        }
        files.emplace_back(std::move(name), *it);
    }
    if (options.subfolders) {
        std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::sort(folders.begin(), folders.end());
    }
    for (const auto& [name, entry] : files) {
        std::string path = joined(folder, name);
        // Only regular files are pictures; anything else beside them (a
        // pipe, a socket, a dangling link) is left aside like any other file.
        std::error_code kind_ec;
        if (entry.is_regular_file(kind_ec) && is_picture_path(path)) {
            taken.pictures.push_back(std::move(path));
            taken.places.push_back(place);
        } else {
            taken.left_aside.push_back(std::move(path));
        }
    }
    if (!options.subfolders) return;
    for (const std::string& name : folders) {
        const std::string path = joined(folder, name);
        std::error_code same_ec;
        if (!options.skip_folder.empty() && fs::equivalent(path, options.skip_folder, same_ec)) continue;
        read_folder(path, place_below(place, name), options, taken);
    }
}

}  // namespace

DropIntake take_drop(const std::vector<std::string>& dropped, const DropOptions& options) {
    DropIntake taken;
    std::error_code ec;
    if (dropped.size() == 1 && fs::is_directory(fs::path(dropped.front()), ec)) {
        read_folder(dropped.front(), "", options, taken);
        return taken;
    }
    for (const std::string& path : dropped) {
        if (options.subfolders && !path.empty() && fs::is_directory(fs::path(path), ec)) {
            read_folder(path, last_name(path), options, taken);
        } else if (is_picture_path(path)) {
            taken.pictures.push_back(path);
            taken.places.emplace_back();
        } else if (!path.empty()) {
            taken.left_aside.push_back(path);
        }
    }
    return taken;
}

DropIntake take_drop_text(std::string_view drop_text, const DropOptions& options) {
    return take_drop(split_drop_text(drop_text), options);
}

PictureList build_picture_list(const std::vector<std::string>& dropped) { return take_drop(dropped).pictures; }

PictureList build_picture_list_from_text(std::string_view drop_text) {
    return take_drop_text(drop_text).pictures;
}

}  // namespace pixmold
