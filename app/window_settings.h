// The window's settings: the one record the user-interface thread owns (it
// alone reads and changes it; a batch takes a copy when it starts) and the
// file it is saved to.
#pragma once

#include <functional>
#include <string>

#include "core/settings.h"

namespace pixmold {

extern Settings settings;

// Fills `settings` from the file at `path` (core/settings.h: load_settings),
// which the saves below use from then on.
void load_window_settings(const std::string& path, int screen_width, int screen_height);

// Every field into the file's "USER" group (an empty prefix becomes "0").
// True only when the file reached the disk; tells the save reporter either way.
bool save_all_settings();

// One field, as `settings` holds it, into "USER"; nothing reported, failures silent.
void save_setting(SettingKey key);

// Receives the outcome of every save_all_settings (the window shows it).
using SaveReporter = std::function<void(bool saved)>;
void set_save_reporter(SaveReporter reporter);

}  // namespace pixmold
