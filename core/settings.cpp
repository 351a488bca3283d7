#include "core/settings.h"

#include "runtime/prefs_file.h"

namespace pixmold {

namespace {

// The order of a full save.
constexpr SettingKey ALL_KEYS[] = {
    SettingKey::Mode,          SettingKey::Format,     SettingKey::Quality,           SettingKey::LandscapeWidth,
    SettingKey::PortraitHeight, SettingKey::AdjustedFreeWidth, SettingKey::AdjustedFreeHeight, SettingKey::FreeWidth,
    SettingKey::FreeHeight,    SettingKey::Visible,    SettingKey::Prefix,            SettingKey::Language,
    SettingKey::NeverEnlarge,  SettingKey::StripLocation,
    SettingKey::Subfolders,    SettingKey::OutputFolder, SettingKey::SkipOutputs,
};

std::string with_other(std::string_view word, const std::string& other) {
    return word.empty() ? other : std::string(word);
}

// An option is written once set, as 1 or 0.
void write_option(std::string_view key, const std::optional<bool>& option) {
    if (option) prefs_write_number(key, *option ? 1 : 0);
}

// "1" on, "0" off, absent: never set. Any other value counts as set and off.
std::optional<bool> read_option(std::string_view key) {
    const std::string value = prefs_read_text(key, "");
    if (value.empty()) return std::nullopt;
    return value == "1";
}

// A text key of the selected group, or nullopt when it is not there (no value
// holds a line feed).
std::optional<std::string> read_if_present(std::string_view key) {
    std::string value = prefs_read_text(key, "\n");
    if (value == "\n") return std::nullopt;
    return value;
}

void write_key(const Settings& s, SettingKey key) {
    switch (key) {
    case SettingKey::Mode: prefs_write_text("MODE", mode_word(s)); return;
    case SettingKey::Format: prefs_write_text("TYPE", format_word(s)); return;
    case SettingKey::Quality: prefs_write_number("QUALITE", s.quality); return;
    case SettingKey::LandscapeWidth: prefs_write_number("Taille_Paysage", s.landscape_width); return;
    case SettingKey::PortraitHeight: prefs_write_number("Taille_Portrait", s.portrait_height); return;
    case SettingKey::AdjustedFreeWidth: prefs_write_number("FREE_L", s.adjusted_free_width); return;
    case SettingKey::AdjustedFreeHeight: prefs_write_number("FREE_H", s.adjusted_free_height); return;
    case SettingKey::FreeWidth: prefs_write_number("L", s.free_width); return;
    case SettingKey::FreeHeight: prefs_write_number("H", s.free_height); return;
    case SettingKey::Visible: prefs_write_number("VISIBLE", s.visible); return;
    case SettingKey::Prefix: prefs_write_text("PREFIX", s.prefix); return;
    case SettingKey::Language: prefs_write_text("LNG", language_word(s)); return;
    case SettingKey::NeverEnlarge: write_option("PAS_AGRANDIR", s.never_enlarge); return;
    case SettingKey::StripLocation: write_option("SANS_GPS", s.strip_location); return;
    case SettingKey::Subfolders: write_option("SOUS_DOSSIERS", s.subfolders); return;
    case SettingKey::OutputFolder:
        if (s.output_folder) prefs_write_text("DOSSIER_SORTIE", *s.output_folder);
        return;
    case SettingKey::SkipOutputs: write_option("IGNORER_SORTIES", s.skip_outputs); return;
    }
}

void write_all(const Settings& s) {
    for (const SettingKey key : ALL_KEYS) write_key(s, key);
}

std::int16_t low16(std::int64_t value) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(value)); }

// The selected group of the open file over the defaults `d`.
Settings read_all(const Settings& d) {
    Settings s;
    const std::string mode = prefs_read_text("MODE", mode_word(d));
    s.mode = mode_from_word(mode);
    if (s.mode == Mode::Other) s.other_mode_word = mode;
    const std::string format = prefs_read_text("TYPE", format_word(d));
    s.format = format_from_word(format);
    if (s.format == OutputFormat::Other) s.other_format_word = format;
    s.quality = prefs_read_number("QUALITE", d.quality);
    s.landscape_width = prefs_read_number("Taille_Paysage", d.landscape_width);
    s.portrait_height = prefs_read_number("Taille_Portrait", d.portrait_height);
    s.adjusted_free_width = prefs_read_number("FREE_L", d.adjusted_free_width);
    s.adjusted_free_height = prefs_read_number("FREE_H", d.adjusted_free_height);
    s.free_width = low16(prefs_read_number("L", d.free_width));
    s.free_height = low16(prefs_read_number("H", d.free_height));
    s.visible = prefs_read_number("VISIBLE", d.visible);
    s.prefix = prefs_read_text("PREFIX", d.prefix);
    const std::string language = prefs_read_text("LNG", language_word(d));
    s.language = language_from_word(language);
    if (s.language == Language::Other) s.other_language_word = language;
    s.never_enlarge = read_option("PAS_AGRANDIR");
    s.strip_location = read_option("SANS_GPS");
    s.subfolders = read_option("SOUS_DOSSIERS");
    s.output_folder = read_if_present("DOSSIER_SORTIE");
    s.skip_outputs = read_option("IGNORER_SORTIES");
    return s;
}

// Opens `path` for one write into "USER"; false (and nothing open) when it
// cannot be opened or is not a settings file.
bool open_user_group(const std::string& path) {
    if (not_a_settings_file(path) || !prefs_open(path)) {
        prefs_close();
        return false;
    }
    prefs_select_group("USER");
    return true;
}

}  // namespace

std::string mode_word(const Settings& s) { return with_other(word_for(s.mode), s.other_mode_word); }
std::string format_word(const Settings& s) { return with_other(word_for(s.format), s.other_format_word); }
std::string language_word(const Settings& s) { return with_other(word_for(s.language), s.other_language_word); }

Settings default_settings(int screen_width, int screen_height) {
    Settings d;
    d.landscape_width = screen_width;
    d.portrait_height = screen_height;
    d.adjusted_free_width = screen_width;
    d.adjusted_free_height = screen_height;
    d.free_width = low16(screen_width);
    d.free_height = low16(screen_height);
    return d;
}

bool not_a_settings_file(const std::string& path) { return prefs_file_kind(path) == PrefsFileKind::Foreign; }

bool settings_file_savable(const std::string& path) { return !not_a_settings_file(path) && prefs_writable(path); }

std::optional<Settings> read_settings(const std::string& path, int screen_width, int screen_height,
                                      PrefsFileKind* kind) {
    // An empty file (left by an earlier version killed during its first
    // start) counts as none.
    const PrefsFileKind found = prefs_open_settings(path);
    if (kind) *kind = found;
    if (found != PrefsFileKind::Groups || prefs_is_empty()) {
        prefs_close();
        return std::nullopt;
    }
    int groups = 0;
    for (bool more = prefs_first_group(); more; more = prefs_next_group()) ++groups;
    prefs_select_group(groups == 1 ? "DEFAUT" : "USER");
    Settings s = read_all(default_settings(screen_width, screen_height));
    prefs_close();
    return s;
}

Settings load_settings(const std::string& path, int screen_width, int screen_height, Language language) {
    PrefsFileKind kind = PrefsFileKind::Missing;
    if (auto stored = read_settings(path, screen_width, screen_height, &kind)) return *stored;
    Settings defaults = default_settings(screen_width, screen_height);
    defaults.language = language;
    if (kind == PrefsFileKind::Foreign || !prefs_create(path)) return defaults;
    prefs_select_group("DEFAUT");
    write_all(defaults);
    prefs_close();
    return defaults;
}

bool write_all_settings(const std::string& path, Settings& settings) {
    if (!open_user_group(path)) return false;
    if (settings.prefix.empty()) settings.prefix.assign(1, '0');  // (= "0" trips a false -Wrestrict in GCC 12)
    write_all(settings);
    return prefs_close();
}

bool write_setting(const std::string& path, const Settings& settings, SettingKey key) {
    if (!open_user_group(path)) return false;
    write_key(settings, key);
    return prefs_close();
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

}  // namespace pixmold
