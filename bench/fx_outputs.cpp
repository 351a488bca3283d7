// Writes what the FX editor's actions leave behind, for comparing two builds
// byte for byte:
//
//   fx_outputs [--background] OUT_DIR PICTURE...
//
// Runs one fixed script of user actions on a real panel (offscreen platform)
// for each picture: the dialog load, each effect through its button then
// Apply or Cancel, the border, a crop frame released then applied or
// cancelled, a frame too big to preview, a drop and a webcam snapshot, with
// a Save after each settled result (PNG or JPEG in turn). OUT_DIR receives
// every saved file, and per picture a file of the panel's canvases and the
// status line after each action. The sepia generator is seeded, the colour
// and file dialogs are answered by the dialog seam, the camera is a fixed
// frame. Two builds agree when `cmp` finds every file of their OUT_DIRs equal.
// With --background every long action runs on the panel's worker thread,
// whatever the picture's size; each action is recorded once its result is
// back.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fx/effects.h"
#include "fx/fx.h"
#include "fx/panel.h"
#include "image/codec.h"
#include "toolkit/camera.h"
#include "toolkit/dialogs.h"
#include "toolkit/input_simulation.h"
#include "toolkit/toolkit.h"

namespace {

using namespace pixmold;
namespace fs = std::filesystem;

constexpr int PANEL = 1;
// The panel's widgets that are not effect buttons, by their fixed numbers.
constexpr int CROP = 200, WEBCAM = 205, INFO = 206, PREVIEW = 207, BAR = 208;
// Command bar points: Load, Apply, Cancel, Save.
constexpr int LOAD_X = 231, LOAD_Y = 20, APPLY_X = 76, CANCEL_X = 231, SAVE_X = 386, ROW_Y = 60;

class FixedFrame : public FrameSource {
public:
    CameraStart start() override { return CameraStart::Started; }
    std::optional<CameraFrame> latest_frame() override {
        CameraFrame f{640, 480, {}};
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                f.rgb.insert(f.rgb.end(), {std::uint8_t(x * 3), std::uint8_t(y * 5), std::uint8_t(x + y)});
        return f;
    }
    void stop() override {}
};

// Every queued event dispatched, and the result of an action under way taken.
void pump() {
    for (;;) {
        if (wait_event(fx_busy() ? 5 : 0) == EventKind::None) {
            if (fx_busy()) continue;
            return;
        }
        if (event_widget() < 0) continue;
        fx_handle_event(event_widget(), event_subkind(), event_x(), event_y());
    }
}

// A user's click: hidden widgets take none.
void click(int widget, int x = 20, int y = 20) {
    if (!widget_visible(widget)) return;
    simulate_pointer(widget, SubKind::PointerEnter, x, y);
    simulate_pointer(widget, SubKind::PointerMove, x, y);
    simulate_pointer(widget, SubKind::LeftButtonDown, x, y);
    simulate_pointer(widget, SubKind::LeftButtonUp, x, y);
    simulate_pointer(widget, SubKind::PointerLeave, x, y);
    pump();
}

void drag(int x0, int y0, int x1, int y1) {
    simulate_pointer(PREVIEW, SubKind::PointerEnter, x0, y0);
    simulate_pointer(PREVIEW, SubKind::LeftButtonDown, x0, y0);
    simulate_pointer(PREVIEW, SubKind::PointerMove, (x0 + x1) / 2, (y0 + y1) / 2);
    simulate_pointer(PREVIEW, SubKind::PointerMove, x1, y1);
    simulate_pointer(PREVIEW, SubKind::LeftButtonUp, x1, y1);
    pump();
}

struct Run {
    fs::path out;
    std::string name;
    std::ofstream canvases;
    std::string status;
    ScriptedDialogs* dialogs = nullptr;
    std::vector<int> effects;
    int saves = 0;

    // The panel's canvases and the status line, after `action`.
    void record(const std::string& action) {
        canvases << "== " << action << " | " << status << "\n";
        std::vector<int> widgets = {CROP, WEBCAM, INFO, PREVIEW, BAR};
        widgets.insert(widgets.end(), effects.begin(), effects.end());
        for (std::size_t i = 0; i < widgets.size(); ++i) {
            const PixelView v = canvas_pixels(widgets[i]);
            canvases << i << (widget_visible(widgets[i]) ? " shown " : " hidden ") << v.width << "x" << v.height << "\n";
            for (int y = 0; v && y < v.height; ++y)
                canvases.write(reinterpret_cast<const char*>(v.row_from_top(y)), std::streamsize(v.width) * 3);
        }
    }
    void command(int x, int y, const std::string& action) {
        click(BAR, x, y);
        record(action);
    }
    void save(bool png) {
        const std::string file = (out / (name + "-" + std::to_string(++saves))).string();
        dialogs->answer_file(file, png ? 1 : 0);
        command(SAVE_X, ROW_Y, "save " + std::to_string(saves));
    }
    void effect(int index, bool apply, bool png) {
        if (index == 2) effect_random() = FastRandom(20240601u + unsigned(saves));
        if (index == 3) dialogs->answer_colour(0x3366CC);
        click(effects[std::size_t(index)]);
        record("effect " + std::to_string(index));
        command(apply ? APPLY_X : CANCEL_X, ROW_Y, apply ? "apply" : "cancel");
        save(png);
    }
    void crop(int x0, int y0, int x1, int y1, bool apply, bool png) {
        click(CROP);
        record("crop on");
        drag(x0, y0, x1, y1);
        record("frame released");
        command(apply ? APPLY_X : CANCEL_X, ROW_Y, apply ? "apply crop" : "cancel crop");
        if (!apply) {
            click(CROP);
            record("crop off");
            click(effects[0]);
            record("effect after crop");
            command(APPLY_X, ROW_Y, "apply");
        }
        save(png);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const bool background = argc > 1 && std::string(argv[1]) == "--background";
    if (background) --argc, ++argv;
    if (argc < 3) {
        std::fprintf(stderr, "usage: fx_outputs [--background] OUT_DIR PICTURE...\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (background) fx_set_background_from({0, 0});
    const fs::path out = argv[1];
    fs::create_directories(out);
    if (!init_toolkit()) return 1;
    init_image_engine();
    register_all_codecs();
    open_window(0, 0, 0, 750, 580, "fx_outputs", 0);
    create_container(in_window(0), PANEL, 282, 1, 467, 578);
    set_frame_source(std::make_shared<FixedFrame>());

    for (int i = 2; i < argc; ++i) {
        const fs::path picture = fs::absolute(argv[i]);
        Run run;
        run.out = out;
        run.name = std::to_string(i - 1) + "-" + picture.filename().string();
        run.canvases.open(out / (run.name + ".canvases"), std::ios::binary);
        FxHost host;
        host.info_font.points = 10;
        host.command_font.points = 12;
        host.show_status = [&run](const std::string& text) { run.status = text; };
        host.web_address = "http://example.org/";
        fx_set_host(host);
        fx_build_panel(PANEL);
        pump();
        ScriptedDialogs dialogs;
        run.dialogs = &dialogs;
        // The effect buttons sit between the crop and the webcam buttons in Tab order.
        const std::vector<int> order = fx_tab_order();
        for (std::size_t k = 1; k + 1 < order.size() && order[k] != WEBCAM; ++k) run.effects.push_back(order[k]);
        run.record("start");

        dialogs.answer_file(picture.string());
        run.command(LOAD_X, LOAD_Y, "load");
        run.effect(0, false, true);  // the picture as loaded, saved as PNG
        run.effect(1, true, false);
        run.effect(2, true, true);
        run.effect(3, true, true);
        run.effect(3, false, false);
        run.effect(2, false, true);
        run.crop(20, 20, 120, 90, true, true);
        run.crop(150, 120, 30, 40, false, false);
        run.crop(5, 5, 460, 430, true, true);

        // Crop mode off (the webcam button shows outside it), then a drop.
        if (!widget_visible(WEBCAM)) click(CROP);
        run.record("crop mode left");
        fx_handle_drop(PREVIEW, picture.string());
        pump();
        run.record("drop");
        run.command(APPLY_X, ROW_Y, "apply drop");
        run.save(false);
        click(WEBCAM);
        run.record("webcam on");
        click(WEBCAM);
        run.record("snapshot");
        run.save(true);
        run.effect(0, true, false);
        std::printf("%s: %d saves\n", run.name.c_str(), run.saves);
    }
    return 0;
}
