// The files of one corpus folder with one extension, in name order (none
// when the folder is missing).
#pragma once

#include <algorithm>
#include <filesystem>
#include <vector>

inline std::vector<std::filesystem::path> files_in(const std::filesystem::path& dir, const char* extension) {
    std::vector<std::filesystem::path> out;
    if (!std::filesystem::is_directory(dir)) return out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == extension) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}
