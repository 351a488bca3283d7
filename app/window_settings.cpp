#include "app/window_settings.h"

namespace pixmold {

Settings settings;

namespace {
std::string file_path;
SaveReporter reporter;
}  // namespace

void load_window_settings(const std::string& path, int screen_width, int screen_height) {
    file_path = path;
    settings = load_settings(path, screen_width, screen_height);
}

bool save_all_settings() {
    const bool saved = write_all_settings(file_path, settings);
    if (reporter) reporter(saved);
    return saved;
}

void save_setting(SettingKey key) { write_setting(file_path, settings, key); }

void set_save_reporter(SaveReporter r) { reporter = std::move(r); }

}  // namespace pixmold
