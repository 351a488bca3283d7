#include "batch/cli_settings.h"

#include <filesystem>

#include "batch/settings_bridge.h"
#include "core/settings.h"

namespace pixmold {

namespace {
// Without a screen, the size defaults are those of a common desktop.
constexpr int DEFAULT_SCREEN_WIDTH = 1920;
constexpr int DEFAULT_SCREEN_HEIGHT = 1080;
}  // namespace

std::optional<BatchSettings> read_batch_settings(const std::string& path, Language language, bool& foreign) {
    std::error_code ec;
    // Something there that is no regular file cannot be read as one.
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    PrefsFileKind kind = PrefsFileKind::Missing;
    // A file that holds nothing gives the defaults, as in the window, but stays as it is.
    if (auto stored = read_settings(path, DEFAULT_SCREEN_WIDTH, DEFAULT_SCREEN_HEIGHT, &kind))
        return batch_settings_from(*stored);
    foreign = kind == PrefsFileKind::Foreign;
    if (kind == PrefsFileKind::Unreadable) return std::nullopt;
    Settings defaults = default_settings(DEFAULT_SCREEN_WIDTH, DEFAULT_SCREEN_HEIGHT);
    defaults.language = language;
    return batch_settings_from(defaults);
}

}  // namespace pixmold
