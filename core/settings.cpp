#include "core/settings.h"

#include "runtime/prefs_file.h"

namespace pixmold {

Settings settings;

namespace {

std::string file_path;
SaveReporter reporter;

// Keys in the order they are written; numbers from QUALITE to VISIBLE.
void write_all(const Settings& s) {
    prefs_write_text("MODE", s.MODE.get());
    prefs_write_text("TYPE", s.TYPE.get());
    prefs_write_number("QUALITE", s.QUALITE);
    prefs_write_number("Taille_Paysage", s.Taille_Paysage);
    prefs_write_number("Taille_Portrait", s.Taille_Portrait);
    prefs_write_number("FREE_L", s.FREE_L);
    prefs_write_number("FREE_H", s.FREE_H);
    prefs_write_number("L", s.L);
    prefs_write_number("H", s.H);
    prefs_write_number("VISIBLE", s.VISIBLE);
    prefs_write_text("PREFIX", s.PREFIX.get());
    prefs_write_text("LNG", s.LNG.get());
}

std::int16_t low16(std::int64_t value) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(value)); }

void read_all(Settings& s, const Settings& d) {
    s.MODE = prefs_read_text("MODE", d.MODE.get());
    s.TYPE = prefs_read_text("TYPE", d.TYPE.get());
    s.QUALITE = prefs_read_number("QUALITE", d.QUALITE);
    s.Taille_Paysage = prefs_read_number("Taille_Paysage", d.Taille_Paysage);
    s.Taille_Portrait = prefs_read_number("Taille_Portrait", d.Taille_Portrait);
    s.FREE_L = prefs_read_number("FREE_L", d.FREE_L);
    s.FREE_H = prefs_read_number("FREE_H", d.FREE_H);
    s.L = low16(prefs_read_number("L", d.L));
    s.H = low16(prefs_read_number("H", d.H));
    s.VISIBLE = prefs_read_number("VISIBLE", d.VISIBLE);
    s.PREFIX = prefs_read_text("PREFIX", d.PREFIX.get());
    s.LNG = prefs_read_text("LNG", d.LNG.get());
}

}  // namespace

Settings default_settings(int screen_width, int screen_height) {
    Settings d;
    d.Taille_Paysage = screen_width;
    d.Taille_Portrait = screen_height;
    d.FREE_L = screen_width;
    d.FREE_H = screen_height;
    d.L = low16(screen_width);
    d.H = low16(screen_height);
    return d;
}

void load_settings(const std::string& path, int screen_width, int screen_height) {
    file_path = path;
    const Settings defaults = default_settings(screen_width, screen_height);
    const char* group = count_groups(path) == 1 ? "DEFAUT" : "USER";
    // An empty file (left by an earlier version killed during its first
    // start) counts as none.
    if (prefs_open(path) && !prefs_is_empty()) {
        prefs_select_group(group);
        read_all(settings, defaults);
        prefs_close();
        return;
    }
    settings = defaults;
    if (!prefs_create(path)) return;
    prefs_select_group("DEFAUT");
    write_all(settings);
    prefs_close();
}

bool save_all_settings() {
    bool saved = false;
    if (prefs_open(file_path)) {
        if (settings.PREFIX.empty()) settings.PREFIX = "0";
        prefs_select_group("USER");
        write_all(settings);
        saved = prefs_close();
    } else {
        prefs_close();
    }
    if (reporter) reporter(saved);
    return saved;
}

void save_number(std::string_view key, std::int64_t value) {
    if (!prefs_open(file_path)) {
        prefs_close();
        return;
    }
    prefs_select_group("USER");
    prefs_write_number(key, value);
    prefs_close();
}

void save_text(std::string_view key, std::string_view text) {
    if (!prefs_open(file_path)) {
        prefs_close();
        return;
    }
    prefs_select_group("USER");
    prefs_write_text(key, text);
    prefs_close();
}

int count_groups(const std::string& path) {
    if (!prefs_open(path)) {
        prefs_close();
        return -1;
    }
    int count = 0;
    for (bool more = prefs_first_group(); more; more = prefs_next_group()) ++count;
    prefs_close();
    return count;
}

std::string settings_file_path() { return file_path; }

void set_save_reporter(SaveReporter r) { reporter = std::move(r); }

}  // namespace pixmold
