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
// which the saves below use from then on; `language` is the one of the
// defaults when there is no file yet.
void load_window_settings(const std::string& path, int screen_width, int screen_height,
                          Language language = Language::French);

// Every field into the file's "USER" group (an empty prefix becomes "0").
// True only when the file reached the disk; tells the save reporter either way.
bool save_all_settings();

// One field, as `settings` holds it, into "USER". The first one that fails
// gives the unsaved notice (below); later failures are silent.
void save_setting(SettingKey key);

// Receives the outcome of every save_all_settings (the window shows it).
using SaveReporter = std::function<void(bool saved)>;
void set_save_reporter(SaveReporter reporter);

// Told once per load that changes cannot be saved: the file is not a
// settings file (a link to a shell's file, a huge file) or may not be
// written. The program then runs on with its settings in memory.
using UnsavedNotice = std::function<void()>;
void set_unsaved_notice(UnsavedNotice notice);
// Gives that notice now when the load found the file unsavable (called once
// the window can show it); a single save that fails gives it otherwise.
void tell_if_settings_unsavable();

}  // namespace pixmold
