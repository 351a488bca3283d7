#include "app/command_line.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace pixmold {

OpenedPaths paths_from_arguments(int argc, char** argv) {
    OpenedPaths opened;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::error_code error;
        if (!options_ended && arg == "--") {
            options_ended = true;
            continue;
        }
        const bool option = !options_ended && arg.starts_with("-") && !std::filesystem::exists(arg, error);
        if (arg.empty() || option || arg.find('\n') != std::string_view::npos) {
            opened.ignored.emplace_back(arg);
            continue;
        }
        const std::filesystem::path absolute = std::filesystem::absolute(arg, error);
        opened.paths.push_back(error ? std::string(arg) : absolute.string());
    }
    return opened;
}

std::string drop_text(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        if (!text.empty()) text += '\n';
        text += path;
    }
    return text;
}

}  // namespace pixmold
