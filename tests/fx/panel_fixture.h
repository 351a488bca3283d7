// The FX panel inside the real main window, headless: every action is a Qt
// input event on a widget (or a drop) that travels the toolkit's queue to
// the window's dispatch, as in the running program; dialogs are answered by
// the dialog seam.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <QWindow>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/artwork.h"
#include "app/main_window.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "app/window_layout.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "fx/panel.h"
#include "pictures.h"
#include "toolkit/dialogs.h"
#include "toolkit/input_simulation.h"
#include "toolkit/toolkit.h"
#include "qt_widgets.h"
#include "temp_dir.h"
#include "window_program.h"

namespace pixmold::test {

// The editor the panel shows.
inline const Editor& editor() { return fx_editor(); }

// The button of the standard effect of that name.
inline int standard_effect_button(std::string_view name) {
    const std::span<const Effect> effects = standard_effects();
    for (std::size_t i = 0; i < effects.size(); ++i)
        if (name == effects[i].name) return effect_button(i);
    ADD_FAILURE() << "no effect " << name;
    return -1;
}
inline const int W_BW_BUTTON = standard_effect_button("black_white");
inline const int W_BW_OPTIMISED_BUTTON = standard_effect_button("optimised_black_white");
inline const int W_SEPIA_BUTTON = standard_effect_button("sepia");
inline const int W_BORDER_BUTTON = standard_effect_button("border");

class FxPanel : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedDialogs dialogs;

    static void SetUpTestSuite() { ASSERT_TRUE(test::start_window_program()); }

    // The main window as start-up builds it, with the FX panel opened unless told.
    void start(const std::string& lng = "UK", bool open_panel = true) {
        shell.quit_requested = 0;
        shell.fx_panel_open = 0;
        shell.screen_width = 1920;
        shell.screen_height = 1080;
        load_window_settings(dir.file("pref.vrn"), 1920, 1080);
        settings.language = language_from_word(lng);
        load_interface_texts(settings.language, {1920, 1080, 1920}, shell.product_name, shell.version);
        build_main_window();
        pump();
        if (open_panel) click(W_FX_BUTTON, 50, 15);
    }

    void TearDown() override {
        pump();
        close_window(MAIN_WINDOW);
        pump();
    }

    // Dispatches every queued event as the event loop does.
    void pump() {
        for (;;) {
            switch (wait_event(20)) {
            case EventKind::None: return;
            case EventKind::WidgetEvent:
                handle_widget_event(event_widget(), event_subkind(), event_x(), event_y());
                break;
            case EventKind::DropOnWidget: handle_drop_on_widget(event_widget(), event_dropped_files()); break;
            case EventKind::MenuCommand: handle_menu_command(event_command()); break;
            default: break;
            }
        }
    }

    // A left click on a canvas: the pointer comes in, moves, presses, releases.
    void click(int widget, int x = 20, int y = 20) {
        simulate_pointer(widget, SubKind::PointerEnter, x, y);
        simulate_pointer(widget, SubKind::PointerMove, x, y);
        simulate_pointer(widget, SubKind::LeftButtonDown, x, y);
        simulate_pointer(widget, SubKind::LeftButtonUp, x, y);
        pump();
    }

    void command(Command c) {
        const CommandButton& b = fx_command_buttons()[std::size_t(c)];
        click(W_COMMAND_BAR, b.x + b.width / 2, b.y + b.height / 2);
    }

    void load(const std::string& path) {
        dialogs.answer_file(path);
        command(Command::Load);
    }

    // Files dropped on the preview, as Qt delivers a drag and drop.
    void drop_on_preview(const std::vector<std::string>& paths) {
        drop_paths(qt_widget(W_PREVIEW_CANVAS), paths);
        pump();
    }

    // A drag in the preview from one point to another, releasing at the end.
    void drag(std::vector<std::pair<int, int>> points) {
        simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerEnter, points[0].first, points[0].second);
        simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonDown, points[0].first, points[0].second);
        for (std::size_t i = 1; i < points.size(); ++i)
            simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerMove, points[i].first, points[i].second);
        simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonUp, points.back().first, points.back().second);
        pump();
    }

    // The pointer as a user moves it, through the window: Qt decides which
    // widget each event goes to. (x, y) in the preview canvas.
    QPoint in_window(int x, int y) {
        QWidget* preview = qt_widget(W_PREVIEW_CANVAS);
        return preview->mapTo(preview->window(), QPoint(x, y));
    }
    QWindow* window_handle() { return qt_widget(W_PREVIEW_CANVAS)->window()->windowHandle(); }

    Rgb canvas_pixel(int widget, int x, int y) { return pixel(canvas_pixels(widget), x, y); }

    std::string status() { return get_text(W_STATUS_LINE); }

    std::string picture(const std::string& name, int width, int height,
                        const std::function<Rgb(int, int)>& colour = gradient) {
        return picture_file(dir.file(name), width, height, colour);
    }

    // A broken picture file.
    std::string broken(const std::string& name) {
        write_bytes(dir.file(name), "\xff\xd8\xff\xe0 not really a JPEG");
        return dir.file(name);
    }
};

}  // namespace pixmold::test
