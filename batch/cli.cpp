#include "batch/cli.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "batch/cli_settings.h"
#include "batch/drop_plan.h"
#include "batch/intake.h"
#include "batch/job.h"
#include "batch/path_list.h"
#include "batch/progress.h"
#include "batch/report.h"
#include "batch/texts.h"
#include "core/locale_language.h"
#include "core/settings.h"
#include "core/version.h"
#include "image/codec.h"
#include "image/image.h"
#include "platform/system.h"

namespace pixmold {

const std::string CLI_USAGE =
    "usage: pixmold-batch [--settings FILE] [--mode rel|free] [--landscape-width N] [--portrait-height N]\n"
    "                     [--width N] [--height N] [--format jpg|png|webp] [--quality 0-10] [--prefix TEXT]\n"
    "                     [--no-enlarge] [--strip-location] [--recursive] [--output-dir DIR] [--skip-outputs]\n"
    "                     [--threads N] [--memory-limit MIB] [--report FILE] PATH...\n"
    "       pixmold-batch [options] [--report FILE] --files-from LIST [-0]\n"
    "       pixmold-batch --help | --version\n"
    "Resizes the pictures among PATH (or in the one folder PATH) beside their sources: files ending in\n" +
    picture_extensions_text() +
    ", in any case;\n"
    "other files are named and left aside. Of pictures that would write the same output, the one\n"
    "whose own file it is (prefix 0), else the first given, writes it and the others fail.\n"
    "--recursive takes the pictures of the subfolders too, each folder in name order (links to\n"
    "folders are not followed), and walks the folders among several PATHs the same way.\n"
    "--output-dir writes the outputs into DIR instead, keeping the tree below a folder PATH;\n"
    "folders are made as needed, DIR is never read as a source, and prefix 0 writes the\n"
    "source's own name there. --skip-outputs leaves aside the files that are the outputs this\n"
    "run writes for other pictures among the paths (an earlier run's results).\n"
    "--files-from reads the paths from LIST (- for standard input), one a line, or separated by\n"
    "NUL characters with -0. --report appends one JSON line per path to FILE (- for standard\n"
    "output) as each picture ends: source, output, status, reason, width, height, milliseconds.\n"
    "Settings come from \"pref.vrn\" in the current folder unless --settings names another file;\n"
    "the options override them for this run, and the file is never written. Without a settings\n"
    "file the sizes are those of a 1920 x 1080 screen.\n"
    "--quality applies to JPEG and WebP. --no-enlarge writes a picture that fits within the target\n"
    "size on both sides at its own size. --strip-location leaves the GPS position out of the EXIF\n"
    "carried into the outputs.\n"
    "--memory-limit bounds the pixel memory of the pictures being resized at once, in MiB\n"
    "(default: half the memory, at most 4096); a picture that needs more runs alone.\n"
    "Exit status: 0 every picture written, 1 some failed or the run was interrupted,\n"
    "2 bad arguments or no picture among the paths.\n";

namespace {

// What is wrong with a prefix, for messages that name where it came from.

std::optional<std::int64_t> parse_number(const std::string& text, std::int64_t low, std::int64_t high) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

namespace {

// The options that take no value, and what each sets.
struct Switch {
    const char* name;
    bool CliOptions::*flag;
};
constexpr Switch kSwitches[] = {
    {"-h", &CliOptions::help},
    {"--help", &CliOptions::help},
    {"--version", &CliOptions::version},
    {"-0", &CliOptions::nul_separated},
    {"--no-enlarge", &CliOptions::never_enlarge},
    {"--strip-location", &CliOptions::strip_location},
    {"--recursive", &CliOptions::subfolders},
    {"--skip-outputs", &CliOptions::skip_outputs},
};

constexpr const char* kValued[] = {"--settings", "--mode",    "--landscape-width", "--portrait-height",
                                   "--width",    "--height",  "--format",          "--quality",
                                   "--prefix",   "--threads", "--memory-limit",    "--files-from",
                                   "--report",   "--output-dir"};

// Sets the option `name` (one of kValued) from `value`; false, with `error`
// saying why, when the value is refused.
bool set_valued(CliOptions& o, const std::string& name, const std::string& value, std::string& error) {
    auto number = [&](std::int64_t low, std::int64_t high) -> std::optional<std::int64_t> {
        auto v = parse_number(value, low, high);
        if (!v)
            error = name + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                    ", not \"" + value + "\"";
        return v;
    };
    if (name == "--settings") {
        o.settings_file = value;
    } else if (name == "--output-dir") {
        o.output_folder = value;
    } else if (name == "--files-from") {
        o.files_from = value;
    } else if (name == "--report") {
        o.report = value;
    } else if (name == "--mode") {
        if (value == "rel")
            o.mode = Mode::Relative;
        else if (value == "free")
            o.mode = Mode::Free;
        else {
            error = "--mode must be rel or free, not \"" + value + "\"";
            return false;
        }
    } else if (name == "--format") {
        if (value == "jpg")
            o.format = OutputFormat::Jpeg;
        else if (value == "png")
            o.format = OutputFormat::Png;
        else if (value == "webp")
            o.format = OutputFormat::Webp;
        else {
            error = "--format must be jpg, png or webp, not \"" + value + "\"";
            return false;
        }
    } else if (name == "--prefix") {
        if (const PrefixFault fault = prefix_fault(value); fault != PrefixFault::None) {
            error = "--prefix: " + prefix_fault_text(Language::English, fault);
            return false;
        }
        o.prefix = value;
    } else {
        const bool quality = name == "--quality", threads = name == "--threads";
        const bool memory = name == "--memory-limit";
        const auto v = quality   ? number(0, 10)
                       : threads ? number(1, 64)
                       : memory  ? number(1, std::int64_t(1) << 30)
                                 : number(1, MAX_IMAGE_SIDE);
        if (!v) return false;
        if (quality) o.quality = *v;
        else if (threads) o.threads = int(*v);
        else if (memory) o.memory_limit_mib = std::uint64_t(*v);
        else if (name == "--landscape-width") o.landscape_width = *v;
        else if (name == "--portrait-height") o.portrait_height = *v;
        else if (name == "--width") o.width = std::int16_t(*v);
        else o.height = std::int16_t(*v);
    }
    return true;
}

}  // namespace

std::optional<CliOptions> parse_cli(const std::vector<std::string>& args, std::string& error) {
    CliOptions o;
    bool only_paths = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (only_paths || a.empty() || a[0] != '-' || a == "-") {
            o.paths.push_back(a);
            continue;
        }
        if (a == "--") {
            only_paths = true;
            continue;
        }
        if (const auto s = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                        [&](const Switch& sw) { return a == sw.name; });
            s != std::end(kSwitches)) {
            o.*(s->flag) = true;
            continue;
        }
        std::string name = a, value;
        bool has_value = false;
        if (const auto eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            has_value = true;
        }
        if (std::find(std::begin(kValued), std::end(kValued), name) == std::end(kValued)) {
            error = "unknown option: " + a;
            return std::nullopt;
        }
        if (!has_value) {
            if (i + 1 >= args.size()) {
                error = "missing value after " + name;
                return std::nullopt;
            }
            value = args[++i];
        }
        if (!set_valued(o, name, value, error)) return std::nullopt;
    }
    if (o.help || o.version) return o;
    if (o.files_from && !o.paths.empty()) {
        error = "PATH and --files-from cannot be given together";
        return std::nullopt;
    }
    if (o.nul_separated && !o.files_from) {
        error = "-0 needs --files-from";
        return std::nullopt;
    }
    if (!o.files_from && o.paths.empty()) {
        error = "no PATH given";
        return std::nullopt;
    }
    return o;
}

BatchSettings apply_cli(BatchSettings s, const CliOptions& o) {
    if (o.mode) s.mode = *o.mode;
    if (o.landscape_width) s.landscape_width = *o.landscape_width;
    if (o.portrait_height) s.portrait_height = *o.portrait_height;
    if (o.width) s.free_width = *o.width;
    if (o.height) s.free_height = *o.height;
    if (o.format) s.format = *o.format;
    if (o.quality) s.quality = *o.quality;
    if (o.prefix) s.prefix = *o.prefix;
    if (o.never_enlarge) s.never_enlarge = true;
    if (o.strip_location) s.strip_location = true;
    if (o.subfolders) s.subfolders = true;
    if (o.skip_outputs) s.skip_outputs = true;
    if (o.output_folder) s.output_folder = *o.output_folder;
    return s;
}

namespace {

std::atomic<bool> g_interrupted{false};
extern "C" void on_interrupt(int) { g_interrupted = true; }

int terminal_width() {
    const int columns = error_terminal_columns();
    return columns >= 20 ? columns : 80;
}

// A live bar: "[#######.......]  5/12  name", redrawn in place.
std::string progress_bar(std::int64_t done, std::int64_t total, std::string_view name, int columns) {
    const int bar = 24;
    const int filled = total > 0 ? int(done * bar / total) : 0;
    std::string line = "[";
    line.append(std::size_t(filled), '#');
    line.append(std::size_t(bar - filled), '.');
    line += "] ";
    line += std::to_string(done);
    line += '/';
    line += std::to_string(total);
    line += "  ";
    const std::size_t room = std::size_t(columns - 1) > line.size() ? std::size_t(columns - 1) - line.size() : 0;
    if (name.size() > room) name = name.substr(name.size() - room);
    line += name;
    line.resize(std::size_t(columns - 1), ' ');
    return line;
}

}  // namespace

namespace {

// The settings of this run: the settings file's (read once, never written)
// under the command line's options. nullopt (after saying why) when the run
// must end with status 2.
std::optional<BatchSettings> settings_for(const CliOptions& options) {
    const std::string settings_path = options.settings_file.value_or("pref.vrn");
    std::error_code ec;
    if (options.settings_file && !std::filesystem::is_regular_file(settings_path, ec)) {
        std::fprintf(stderr, "pixmold-batch: no settings file \"%s\"\n", settings_path.c_str());
        return std::nullopt;
    }
    // Without a settings file, the messages are in the locale's language.
    bool foreign = false;
    const auto stored = read_batch_settings(settings_path, locale_language(), foreign);
    if (!stored) {
        std::fprintf(stderr, "pixmold-batch: cannot read the settings file \"%s\"\n", settings_path.c_str());
        return std::nullopt;
    }
    // The file stays as it is either way: pixmold-batch never writes it.
    if (foreign)
        std::fprintf(stderr, "pixmold-batch: \"%s\" is not a settings file; the default settings are used\n",
                     settings_path.c_str());
    BatchSettings from_file = *stored;
    // A stored prefix matters only when the command line does not give one.
    if (const PrefixFault fault = options.prefix ? PrefixFault::None : use_default_if_refused(from_file.prefix);
        fault != PrefixFault::None)
        std::fprintf(stderr, "pixmold-batch: the prefix in \"%s\" is refused (%s); \"%s\" is used instead\n",
                     settings_path.c_str(), prefix_fault_text(Language::English, fault).c_str(),
                     from_file.prefix.c_str());
    return apply_cli(from_file, options);

}

// The pictures of the run, from its paths and its list; what is left aside
// is said (and reported) here. nullopt (after saying why) when the run must
// end with status 2.
std::optional<DropIntake> pictures_for(CliOptions& options, const BatchSettings& settings, ReportFile& report,
                                       std::int64_t& left_aside) {
    std::vector<std::string> paths = std::move(options.paths);
    if (options.files_from) {
        int list_error = 0;
        if (!read_path_list(*options.files_from, options.nul_separated ? '\0' : '\n',
                            [&](std::string&& path) { paths.push_back(std::move(path)); }, list_error)) {
            std::fprintf(stderr, "pixmold-batch: cannot read the list \"%s\": %s\n", options.files_from->c_str(),
                         std::strerror(list_error));
            return std::nullopt;
        }
    }
    // Opened only once the list is read: a bad list leaves no report behind.
    if (options.report && !report.open(*options.report)) {
        std::fprintf(stderr, "pixmold-batch: cannot open the report \"%s\": %s\n", options.report->c_str(),
                     std::strerror(report.error()));
        return std::nullopt;
    }
    // A list's entries are taken as PATH arguments would be; it is then
    // dropped, so that a long one is not held twice while the batch runs.
    DropIntake taken = plan_drop(paths, settings);
    std::vector<std::string>().swap(paths);
    // SameOutput marks a file left aside as the output of another picture.
    const auto leave_aside = [&](const std::vector<std::string>& paths_aside, const char* why, FailReason reason) {
        for (const std::string& path : paths_aside) {
            std::fprintf(stderr, "pixmold-batch: left aside, %s: %s\n", why, path.c_str());
            ReportEntry entry;
            entry.source = path;
            entry.status = ReportStatus::LeftAside;
            entry.reason = reason;
            report.add(entry);
        }
    };
    leave_aside(taken.left_aside, "not a picture", FailReason::None);
    leave_aside(taken.earlier_outputs, "the output of another picture", FailReason::SameOutput);
    left_aside = taken.left_aside_count();
    std::vector<std::string>().swap(taken.left_aside);
    std::vector<std::string>().swap(taken.earlier_outputs);
    if (taken.pictures.empty()) {
        std::fprintf(stderr, "pixmold-batch: no picture (%s) among the given paths\n", picture_extensions_text().c_str());
        return std::nullopt;
    }
    return taken;

}

// Runs the job over the pictures, showing its progress on standard error,
// and ends with the summary; the exit status.
int run_job(const CliOptions& options, const BatchSettings& settings, DropIntake taken, ReportFile& report,
            std::int64_t left_aside) {
    init_image_engine();
    register_all_codecs();

    const bool tty = error_stream_is_terminal();
    const int columns = tty ? terminal_width() : 80;
    std::mutex out;
    std::int64_t finished = 0;
    BatchJob job;
    BatchJob::Options job_options;
    job_options.settings = settings;
    job_options.places = std::move(taken.places);
    job_options.threads = options.threads;
    if (options.memory_limit_mib)
        job_options.memory = std::make_shared<MemoryBudget>(*options.memory_limit_mib << 20);
    job_options.on_picture = [&](const PictureEvent& e) {
        std::lock_guard lock(out);
        ++finished;
        const std::int64_t total = job.total();  // a picture given twice counts once
        const bool written = e.outcome == PictureOutcome::Written;
        if (options.report) {
            // The report is the per-picture record; standard error keeps the summary.
            report.add(ReportEntry{e.source, e.output_path, written ? ReportStatus::Written : ReportStatus::Failed,
                                   e.reason, e.size.width, e.size.height, e.milliseconds});
            return;
        }
        if (tty) return;
        if (written)
            std::fprintf(stderr, "%lld/%lld %s -> %s\n", (long long)finished, (long long)total, e.source.c_str(),
                         e.output_path.c_str());
        else
            std::fprintf(stderr, "%lld/%lld %s: failed (%s)\n", (long long)finished, (long long)total, e.source.c_str(),
                         fail_reason_text(settings.language, e.reason).c_str());
    };

    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    job.start(std::move(taken.pictures), job_options);
    const bool ended = !g_interrupted && follow_batch(job, tty ? 100 : 50, [&](const BatchProgress& p) {
        if (g_interrupted) return false;
        if (tty) {
            std::lock_guard lock(out);
            const std::string line =
                progress_bar(p.total - p.remaining, p.total, file_name_part(p.current_output), columns);
            std::fprintf(stderr, "\r%s", line.c_str());
            std::fflush(stderr);
        }
        return true;
    });
    if (!ended) job.stop();
    job.wait();
    if (tty) std::fprintf(stderr, "\r%s\r", std::string(std::size_t(columns - 1), ' ').c_str());

    const std::int64_t done = job.total() - job.remaining();
    const std::string end = job.stopped() ? batch_stopped_text(settings.language, done, job.total(), left_aside)
                                          : batch_finished_text(settings.language, job.written(), job.failed(), left_aside);
    std::fprintf(stderr, "%s\n", end.c_str());
    for (const FailedPicture& f : job.failed_pictures())
        std::fprintf(stderr, "failed: %s\n", failed_picture_line(settings.language, f.source, f.reason).c_str());
    if (report.error() != 0) {
        std::fprintf(stderr, "pixmold-batch: the report \"%s\" could not be written: %s\n", options.report->c_str(),
                     std::strerror(report.error()));
        return 1;
    }
    return job.stopped() || job.failed() > 0 ? 1 : 0;
}

}  // namespace

int run_cli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto options = parse_cli(args, error);
    if (!options) {
        std::fprintf(stderr, "pixmold-batch: %s\n%s", error.c_str(), CLI_USAGE.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(CLI_USAGE.c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("pixmold-batch %s\n", kVersion);
        return 0;
    }
    const std::optional<BatchSettings> settings = settings_for(*options);
    if (!settings) return 2;
    ReportFile report;
    std::int64_t left_aside = 0;
    std::optional<DropIntake> taken = pictures_for(*options, *settings, report, left_aside);
    if (!taken) return 2;
    return run_job(*options, *settings, std::move(*taken), report, left_aside);
}

}  // namespace pixmold
