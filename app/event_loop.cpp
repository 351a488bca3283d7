#include "app/event_loop.h"

#include "app/batch_start.h"
#include "app/main_window.h"
#include "app/shell_state.h"
#include "app/window_settings.h"
#include "toolkit/toolkit.h"

namespace pixmold {

namespace {

// How soon the loop looks again whether files waiting for a batch may start.
constexpr int WAITING_FILES_CHECK_MS = 100;

}  // namespace

void request_quit() {
    save_all_settings();
    shell.quit_requested = 1;
}

bool run_loop_turn(int timeout_ms) {
    // Files that wait for a batch to end: look again shortly.
    if (batch_start_waiting() && (timeout_ms < 0 || timeout_ms > WAITING_FILES_CHECK_MS))
        timeout_ms = WAITING_FILES_CHECK_MS;
    switch (wait_event(timeout_ms)) {
    case EventKind::None: return false;
    case EventKind::DropOnWindow:
        if (event_window() == MAIN_WINDOW) handle_drop_on_window(event_dropped_files());
        break;
    case EventKind::DropOnWidget: handle_drop_on_widget(event_widget(), event_dropped_files()); break;
    case EventKind::MenuCommand: handle_menu_command(event_command()); break;
    case EventKind::WidgetEvent: handle_widget_event(event_widget(), event_subkind(), event_x(), event_y()); break;
    case EventKind::CloseRequest:
        if (event_window() == MAIN_WINDOW) request_quit();
        break;
    case EventKind::FilesHandedOver: handle_files_handed_over(event_dropped_files()); break;
    }
    return true;
}

void run_event_loop() {
    while (!shell.quit_requested) run_loop_turn();
}

}  // namespace pixmold
