// The FX editor's user actions on a big photo, against decoding the photo.
//
//   fx_bench [--at-once] [CORPUS_DIR | PHOTO_DIR | PHOTO.jpg] [REPEATS]
//
// Loads the largest photo (by pixels) of CORPUS_DIR/jpeg-baseline or of a
// folder of photos into a real panel on the offscreen platform, then times each action from the
// pointer event on its widget to the redrawn preview: the dialog load, each
// effect of the panel (a colour answered by the dialog seam), a crop
// frame's release, Apply, Cancel and Save; in the same run a plain decode of
// the same file and the preview refresh alone. Resampling runs on one
// thread (PIXMOLD_THREADS=1 unless set). Prints medians of the wall time
// with its spread, and of this thread's CPU time (which other processes on
// a busy machine do not inflate), and both as ratios to the decode; and the
// median of the longest time the event loop went without turning during
// the action (a timer asks it every millisecond): how long the window stood
// frozen. The panel's long actions on big pictures run on its worker
// thread, as in the program (this thread's CPU time is then only its own
// share); --at-once makes them all run within their event.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <QTimer>
#include <jpeglib.h>

#include "fx/fx.h"
#include "fx/panel.h"
#include "image/codec.h"
#include "toolkit/dialogs.h"
#include "toolkit/input_simulation.h"
#include "toolkit/toolkit.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using namespace pixmold;

constexpr int PANEL = 1;
constexpr ImageId PLAIN_DECODE = 900;

// Pixels of a JPEG file from its header, 0 when it is not one.
long long jpeg_pixels(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    struct Error {
        jpeg_error_mgr mgr;
        std::jmp_buf back;
    } err;
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<Error*>(c->err)->back, 1); };
    err.mgr.output_message = [](j_common_ptr) {};
    long long pixels = 0;
    jpeg_create_decompress(&cinfo);
    if (setjmp(err.back) == 0) {
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        pixels = (long long)cinfo.image_width * cinfo.image_height;
    }
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return pixels;
}

bool is_jpeg_name(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".jpg" || ext == ".jpeg";
}

// The largest JPEG photo (by pixels) directly in `folder`, empty when none.
fs::path largest_photo(const fs::path& folder) {
    fs::path best_path;
    long long best = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (!it->is_regular_file(kind) || !is_jpeg_name(it->path())) continue;
        const long long pixels = jpeg_pixels(it->path());
        if (pixels > best) best = pixels, best_path = it->path();
    }
    return best_path;
}

int usage() {
    std::fprintf(stderr,
                 "usage: fx_bench [--at-once] [CORPUS_DIR | PHOTO_DIR | PHOTO.jpg] [REPEATS]\n"
                 "  CORPUS_DIR: a corpus made by make-corpus.sh (its jpeg-baseline folder is used)\n"
                 "  PHOTO_DIR:  a folder of JPEG photos; the largest is used\n"
                 "  --at-once:  every action within its event, none on the panel's worker thread\n");
    return 2;
}

double thread_cpu_ms() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Runs every queued toolkit event through the editor, then lets Qt repaint,
// until the action under way is over.
void pump() {
    for (;;) {
        if (wait_event(fx_busy() ? 5 : 0) == EventKind::None) {
            if (fx_busy()) continue;
            return;
        }
        if (event_widget() >= 0) fx_handle_event(event_widget(), event_subkind(), event_x(), event_y());
    }
}

// The event loop's turns, as a timer sees them: the longest time between two.
struct Heartbeat {
    Clock::time_point last;
    double longest = 0;
    void start() {
        last = Clock::now();
        longest = 0;
    }
    void beat() {
        const Clock::time_point now = Clock::now();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }
} heartbeat;

void press(int widget, int x, int y) {
    simulate_pointer(widget, SubKind::PointerMove, x, y);
    simulate_pointer(widget, SubKind::LeftButtonDown, x, y);
    simulate_pointer(widget, SubKind::LeftButtonUp, x, y);
    pump();
}

void command(Command c) {
    const CommandButton& b = fx_command_buttons()[std::size_t(c)];
    press(W_COMMAND_BAR, b.x + b.width / 2, b.y + b.height / 2);
}

struct Series {
    explicit Series(std::string label) : name(std::move(label)) {}
    std::string name;
    std::vector<double> wall, cpu, frozen;
    double median_wall() const { return at(wall, 2); }
    double median_cpu() const { return at(cpu, 2); }
    double median_frozen() const { return at(frozen, 2); }
    double min_wall() const { return at(wall, 0); }
    double max_wall() const { return at(wall, 1); }
    static double at(std::vector<double> v, int which) {
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        return which == 0 ? v.front() : which == 1 ? v.back() : v[v.size() / 2];
    }
};

// Times `action` (only it: `before` and `after` run untimed around it).
void timed(Series& s, const std::function<void()>& action, const std::function<void()>& before = {},
           const std::function<void()>& after = {}) {
    if (before) before();
    heartbeat.start();
    const auto t0 = Clock::now();
    const double c0 = thread_cpu_ms();
    action();
    s.cpu.push_back(thread_cpu_ms() - c0);
    s.wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    heartbeat.beat();
    s.frozen.push_back(heartbeat.longest);
    if (after) after();
}

}  // namespace

int main(int argc, char** argv) {
    const bool at_once = argc > 1 && std::string(argv[1]) == "--at-once";
    if (at_once) --argc, ++argv;
    const std::string where = argc > 1 ? argv[1] : "/work/corpus";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    if (argc > 3 || repeats < 1) return usage();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("PIXMOLD_THREADS", "1", 0);

    // A corpus root, a folder of photos or one photo; anything else is a mistake.
    fs::path photo = where;
    std::error_code ec;
    if (fs::is_directory(photo, ec)) {
        const fs::path baseline = photo / "jpeg-baseline";
        photo = largest_photo(fs::is_directory(baseline, ec) ? baseline : photo);
        if (photo.empty()) {
            std::fprintf(stderr, "fx_bench: no JPEG photos in %s\n", where.c_str());
            return usage();
        }
    } else if (!fs::is_regular_file(photo, ec) || jpeg_pixels(photo) == 0) {
        std::fprintf(stderr, "fx_bench: %s is neither a folder nor a JPEG photo\n", where.c_str());
        return usage();
    }

    if (!init_toolkit()) return 1;
    if (at_once)
        fx_set_background_from({std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::uintmax_t>::max()});
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [] { heartbeat.beat(); });
    ticks.start(1);
    init_image_engine();
    register_all_codecs();
    open_window(0, 0, 0, 750, 580, "fx_bench", 0);
    create_container(in_window(0), PANEL, 282, 1, 467, 578);
    FxHost host;
    host.info_font.points = 10;
    host.command_font.points = 12;
    fx_set_host(host);
    fx_build_panel(PANEL);
    pump();

    const fs::path out = fs::temp_directory_path() / "fx_bench_save.jpg";
    ScriptedDialogs dialogs;
    Series decode{"plain decode"}, load{"load (dialog)"}, refresh{"preview refresh"}, crop{"crop release"},
        apply{"Apply"}, cancel{"Cancel"}, save{"Save (JPEG q9)"};
    // Each effect but the last is cancelled; the last one is applied.
    const std::span<const Effect> effects = fx_panel_effects();
    std::vector<Series> effect_series;
    for (const Effect& e : effects) effect_series.emplace_back(e.name);

    for (int r = 0; r < repeats; ++r) {
        timed(decode, [&] { load_image(PLAIN_DECODE, photo.string()); }, {}, [] { free_image(PLAIN_DECODE); });
        timed(load, [&] { command(Command::Load); }, [&] { dialogs.answer_file(photo.string()); });
        // The preview made afresh, as every action that makes a picture does.
        timed(refresh, [] { Shown made = show(fx_editor().picture()); });
        for (std::size_t e = 0; e < effects.size(); ++e) {
            const auto answer = [&] {
                if (effects[e].asks_colour) dialogs.answer_colour(0x3366CC);
            };
            timed(effect_series[e], [&] { press(effect_button(e), 20, 20); }, answer);
            if (e + 1 < effects.size()) timed(cancel, [] { command(Command::Cancel); });
        }
        timed(apply, [] { command(Command::Apply); });
        // A frame over the middle of the preview, released into a pending crop.
        press(W_CROP_BUTTON, 20, 20);
        simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonDown, 100, 60);
        simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerMove, 300, 200);
        pump();
        timed(crop, [] {
            simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonUp, 300, 200);
            pump();
        });
        command(Command::Cancel);
        timed(save, [] { command(Command::Save); }, [&] { dialogs.answer_file(out.string(), 0); });
        const bool saved = fx_editor().step() == Step::Saved;
        press(W_CROP_BUTTON, 20, 20);  // crop mode off
        if (!saved) {
            std::fprintf(stderr, "the action sequence went astray (step %d)\n", int(fx_editor().step()));
            return 1;
        }
    }
    fs::remove(out);

    std::printf("%s, %dx%d, %d repeats, resampling on %s thread(s), %s\n", photo.c_str(), fx_editor().picture_width(),
                fx_editor().picture_height(), repeats, std::getenv("PIXMOLD_THREADS"),
                at_once ? "every action at once" : "big pictures on the worker thread");
    std::printf("%-18s %9s %17s %9s %9s %9s %10s\n", "action", "wall ms", "wall min..max", "cpu ms", "wall/dec",
                "cpu/dec", "frozen ms");
    const double base = decode.median_wall(), base_cpu = decode.median_cpu();
    std::vector<const Series*> rows = {&decode, &load, &refresh};
    for (const Series& s : effect_series) rows.push_back(&s);
    rows.insert(rows.end(), {&crop, &apply, &cancel, &save});
    for (const Series* s : rows)
        std::printf("%-18s %9.1f %8.1f..%-8.1f %9.1f %9.2f %9.2f %10.1f\n", s->name.c_str(), s->median_wall(),
                    s->min_wall(), s->max_wall(), s->median_cpu(), s->median_wall() / base, s->median_cpu() / base_cpu,
                    s->median_frozen());
    std::printf("goals: each effect, crop release, Apply, Cancel <= 1.0 x decode; preview refresh <= 0.4 x decode\n");
    return 0;
}
