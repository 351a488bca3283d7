// The command-line twin of the window's batch: pixmold-batch.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/rules.h"

namespace pixmold {

// What the command line asked for; options not given stay unset and the
// settings file's values are used for them.
struct CliOptions {
    std::optional<std::string> settings_file;
    std::optional<Mode> mode;
    std::optional<std::int64_t> landscape_width;
    std::optional<std::int64_t> portrait_height;
    std::optional<std::int16_t> width;
    std::optional<std::int16_t> height;
    std::optional<OutputFormat> format;
    std::optional<std::int64_t> quality;
    std::optional<std::string> prefix;
    // Output options: given, they are on for the run whatever the settings file says.
    bool never_enlarge = false;   // --no-enlarge
    bool strip_location = false;  // --strip-location
    bool subfolders = false;                   // --recursive
    bool skip_outputs = false;                 // --skip-outputs
    std::optional<std::string> output_folder;  // --output-dir ("": beside the sources)
    int threads = 0;
    // Bound on the pixel memory of the pictures in flight; unset: the default.
    std::optional<std::uint64_t> memory_limit_mib;
    bool help = false;
    bool version = false;
    std::vector<std::string> paths;
    // --files-from FILE ("-": standard input): the paths, one a line, or
    // NUL-separated with -0, instead of PATH.
    std::optional<std::string> files_from;
    bool nul_separated = false;
    // --report FILE ("-": standard output): one JSON line per entry (batch/report.h).
    std::optional<std::string> report;
};

// Parses argv[1..]; on a bad argument returns nullopt and sets `error` to a
// message naming it.
std::optional<CliOptions> parse_cli(const std::vector<std::string>& args, std::string& error);

// The settings with the command line's overrides applied.
BatchSettings apply_cli(BatchSettings settings, const CliOptions& options);

extern const std::string CLI_USAGE;

// The whole tool: exit status 0 when every picture was written, 1 when some
// failed or the run was interrupted, 2 for bad arguments.
int run_cli(int argc, char** argv);

}  // namespace pixmold
