// The per-picture rules of the resize job: which size a picture gets and
// where its output goes. Pure functions, shared by the window and the
// command-line tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace pixmold {

// The settings the job reads for every picture, as the settings record
// (core/settings.h) holds them.
struct BatchSettings {
    Mode mode = Mode::Relative;
    OutputFormat format = OutputFormat::Jpeg;
    std::int64_t quality = 8;            // 0..10
    std::int64_t landscape_width = 0;
    std::int64_t portrait_height = 0;
    std::int16_t free_width = 0;
    std::int16_t free_height = 0;
    std::string prefix{DEFAULT_PREFIX};  // "0" means none
    Language language = Language::French;  // of the status texts: French, else English
    // Output options (keys PAS_AGRANDIR and SANS_GPS), off by default.
    bool never_enlarge = false;   // a picture within the target on both sides keeps its size
    bool strip_location = false;  // the EXIF carried into outputs loses its GPS position
    // Subfolders, an output folder and re-runs (off by default).
    bool subfolders = false;    // SOUS_DOSSIERS: a dropped folder's subfolders too (batch/intake.h)
    std::string output_folder;  // DOSSIER_SORTIE: where outputs go; empty: beside their sources
    bool skip_outputs = false;  // IGNORER_SORTIES: leave aside a drop's files that are its outputs
};

struct TargetSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const TargetSize&) const = default;
};

// Target size of a picture shown as width x height. Relative mode: landscape
// pictures get the landscape width, portrait ones the portrait height, the
// other side by truncating 64-bit arithmetic (multiplication first); squares
// take both settings. Free mode: the free size. With never_enlarge, a
// picture whose width and height are both within that size keeps its own
// (one larger on one side only gets the size as usual). Other: nullopt (the job
// then has no size for any picture of the batch and writes nothing). A
// product that does not fit 64 bits yields 0 for that side, which no resize
// accepts.
std::optional<TargetSize> compute_target_size(const BatchSettings& settings, std::int64_t width,
                                              std::int64_t height);

// True when a resize to this size can succeed (both sides 1..32767).
bool target_is_valid(const TargetSize& target);

// Why a prefix cannot be used. Every output must land in its source's
// folder as one plain file name, so a prefix may hold no "/" and no control
// character (NUL, line breaks: they would also break the settings file), and
// must leave room for at least one character and ".jpg" in a file name.
enum class PrefixFault { None, Separator, ControlCharacter, TooLong };

// The one check of a prefix, for every way one comes in: the prefix dialog,
// the settings file, the command line, and output_path_for itself.
PrefixFault prefix_fault(std::string_view prefix);

// A stored prefix (settings file) that prefix_fault refuses is replaced by
// the default; returns why it was refused (None: kept).
PrefixFault use_default_if_refused(std::string& prefix);

// The prefix the job uses: "0" stands for no prefix.
std::string effective_prefix(std::string_view prefix);

// folder + prefix + file name without its extension + ".jpg", ".png" or ".webp".
// Empty (nothing is written then) when the format is Other, when
// prefix_fault refuses the prefix, or when the file name would be longer
// than a file system allows (NAME_MAX bytes).
std::string output_path_for(std::string_view source, std::string_view prefix, OutputFormat format);

// Where a picture's output goes: output_path_for beside its source without
// an output folder; with one, the same name in the output folder under the
// picture's place in the drop (DropIntake::places, names only), so
// "Photos/2024/trip/a.jpg" dropped as the folder "Photos" writes
// "out/2024/trip/prefix_a.jpg". "0" stands for no prefix here.
std::string planned_output_path(std::string_view source, std::string_view place, const BatchSettings& settings);

// True when output_path_for gives no path only because the file name would
// be too long: the format is JPEG, PNG or WebP and the prefix has no "/" and no
// control character, but prefix + name + extension exceed NAME_MAX bytes.
bool output_name_too_long(std::string_view source, std::string_view prefix, OutputFormat format);

// The file-name part of a path (after the last '/' or '\\').
std::string_view file_name_part(std::string_view path);

}  // namespace pixmold
