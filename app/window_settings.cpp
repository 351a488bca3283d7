#include "app/window_settings.h"

namespace pixmold {

Settings settings;

namespace {
std::string file_path;
SaveReporter reporter;
UnsavedNotice unsaved_notice;
bool savable = true;
bool told_unsaved = false;

void tell_unsaved() {
    if (told_unsaved || !unsaved_notice) return;
    told_unsaved = true;
    unsaved_notice();
}
}  // namespace

void load_window_settings(const std::string& path, int screen_width, int screen_height, Language language) {
    file_path = path;
    settings = load_settings(path, screen_width, screen_height, language);
    savable = settings_file_savable(path);
    told_unsaved = false;
}

bool save_all_settings() {
    const bool saved = write_all_settings(file_path, settings);
    if (reporter) reporter(saved);
    return saved;
}

void save_setting(SettingKey key) {
    if (!write_setting(file_path, settings, key)) tell_unsaved();
}

void set_save_reporter(SaveReporter r) { reporter = std::move(r); }

void set_unsaved_notice(UnsavedNotice notice) { unsaved_notice = std::move(notice); }

void tell_if_settings_unsavable() {
    if (!savable) tell_unsaved();
}

}  // namespace pixmold
