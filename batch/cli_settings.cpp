#include "batch/cli_settings.h"

#include <filesystem>
#include <fstream>

#include "runtime/prefs_file.h"

namespace pixmold {

namespace {
// Without a screen, the size defaults are those of a common desktop.
constexpr std::int64_t DEFAULT_SCREEN_WIDTH = 1920;
constexpr std::int64_t DEFAULT_SCREEN_HEIGHT = 1080;
}  // namespace

std::optional<BatchSettings> read_batch_settings(const std::string& path) {
    BatchSettings s;
    s.landscape_width = DEFAULT_SCREEN_WIDTH;
    s.portrait_height = DEFAULT_SCREEN_HEIGHT;
    s.free_width = std::int16_t(DEFAULT_SCREEN_WIDTH);
    s.free_height = std::int16_t(DEFAULT_SCREEN_HEIGHT);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return s;
    if (!std::ifstream(path).good() || !prefs_open(path)) return std::nullopt;
    // One group means the file was just created: its defaults are in "DEFAUT".
    int groups = 0;
    for (bool more = prefs_first_group(); more; more = prefs_next_group()) ++groups;
    prefs_select_group(groups == 1 ? "DEFAUT" : "USER");
    s.mode = prefs_read_text("MODE", s.mode);
    s.type = prefs_read_text("TYPE", s.type);
    s.quality = prefs_read_number("QUALITE", s.quality);
    s.landscape_width = prefs_read_number("Taille_Paysage", s.landscape_width);
    s.portrait_height = prefs_read_number("Taille_Portrait", s.portrait_height);
    s.free_width = std::int16_t(prefs_read_number("L", s.free_width));
    s.free_height = std::int16_t(prefs_read_number("H", s.free_height));
    s.prefix = prefs_read_text("PREFIX", s.prefix);
    s.language = prefs_read_text("LNG", s.language);
    prefs_close();
    return s;
}

}  // namespace pixmold
