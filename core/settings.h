// The user's choices (`Settings`) and their file, "pref.vrn".
//
// The record is a plain value: the window keeps one on its user-interface
// thread, pixmold-batch reads its own, and a batch works on a copy. The
// file's words for the three choices are read into enums here and written
// back as the same words (core/choices.h); a word that names no choice is
// kept beside its Other value, so that a save writes it back unchanged.
//
// The file holds up to two groups: "DEFAUT" with the defaults written when it
// was created, and "USER" with everything saved since. Every operation opens
// the file, works and closes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/choices.h"
#include "runtime/prefs_file.h"

namespace pixmold {

// The prefix of a new settings file, and the one used in place of a stored
// prefix that cannot be used.
inline constexpr std::string_view DEFAULT_PREFIX = "prefix_";

// The file's key of each field follows it.
struct Settings {
    Mode mode = Mode::Relative;                // MODE
    OutputFormat format = OutputFormat::Jpeg;  // TYPE
    std::int64_t quality = 8;                  // QUALITE: JPEG quality, 0..10
    std::int64_t landscape_width = 0;          // Taille_Paysage; default: screen width
    std::int64_t portrait_height = 0;          // Taille_Portrait; default: screen height
    // FREE_L, FREE_H: the desktop size the adjust command stores in free mode;
    // kept and written back, read by nothing. Default: the screen size.
    std::int64_t adjusted_free_width = 0;
    std::int64_t adjusted_free_height = 0;
    std::int16_t free_width = 0;           // L; default: screen width (low 16 bits, as the file keeps it)
    std::int16_t free_height = 0;          // H; default: screen height
    std::int64_t visible = 1;              // VISIBLE: the window stays on top unless 0
    std::string prefix{DEFAULT_PREFIX};    // PREFIX; "0": no prefix, outputs replace their sources
    Language language = Language::French;  // LNG
    // The words of MODE, TYPE and LNG when their choice is Other.
    std::string other_mode_word;
    std::string other_format_word;
    std::string other_language_word;
    // Output options, off unless set. A key is written only once the user
    // has set it, so that a file that never had it stays as it was; nullopt:
    // never set (off).
    std::optional<bool> never_enlarge;   // PAS_AGRANDIR: pictures within the target keep their size
    std::optional<bool> strip_location;  // SANS_GPS: no GPS position in the EXIF carried into outputs
    // Subfolders, an output folder and re-runs: unset the same way.
    std::optional<bool> subfolders;            // SOUS_DOSSIERS
    std::optional<std::string> output_folder;  // DOSSIER_SORTIE; empty: beside the sources
    std::optional<bool> skip_outputs;          // IGNORER_SORTIES

    bool operator==(const Settings&) const = default;
};

// The word the file holds for each choice of `s`.
std::string mode_word(const Settings& s);
std::string format_word(const Settings& s);
std::string language_word(const Settings& s);

// The defaults, for a screen of the given size.
Settings default_settings(int screen_width, int screen_height);

// True when what is at `path` is not a settings file: a file with no group
// header among its first lines (a shell's start-up file, say), one over
// 1 MiB, or no regular file at all. Such a file is never read as settings
// nor written, whatever the functions below are asked; a link to a settings
// file is a settings file.
bool not_a_settings_file(const std::string& path);

// Whether changes can reach the file at `path`: false when it is not a
// settings file, or when the user may not write it (or create it there).
bool settings_file_savable(const std::string& path);

// What the file at `path` holds, without ever writing it: the group read is
// "DEFAUT" when the file has exactly one group header, else "USER"; missing
// keys take their defaults. nullopt when the file cannot be opened, holds
// nothing (no group, key or comment) or is not a settings file. The file is
// read once; `kind`, when given, receives what was found at `path`.
std::optional<Settings> read_settings(const std::string& path, int screen_width, int screen_height,
                                      PrefsFileKind* kind = nullptr);

// read_settings; when it gives nothing, the defaults with `language` (a
// first start's: the locale's), and a new file is written holding them in
// "DEFAUT" (silently skipped when that fails). It never rewrites a file that
// holds anything, nor one that is not a settings file.
Settings load_settings(const std::string& path, int screen_width, int screen_height,
                       Language language = Language::French);

// Writes every field into group "USER" (an empty prefix is stored, and kept
// in `settings`, as "0"). True only when the file reached the disk.
bool write_all_settings(const std::string& path, Settings& settings);

// The fields one by one, for saving a single change.
enum class SettingKey {
    Mode,
    Format,
    Quality,
    LandscapeWidth,
    PortraitHeight,
    AdjustedFreeWidth,
    AdjustedFreeHeight,
    FreeWidth,
    FreeHeight,
    Visible,
    Prefix,
    Language,
    NeverEnlarge,
    StripLocation,
    Subfolders,
    OutputFolder,
    SkipOutputs,
};

// Writes one field of `settings` into "USER"; nothing else (nothing at all
// for an option never set). True only when
// the file reached the disk.
bool write_setting(const std::string& path, const Settings& settings, SettingKey key);

// -1 when the file cannot be opened, else the number of group headers.
int count_groups(const std::string& path);

}  // namespace pixmold
