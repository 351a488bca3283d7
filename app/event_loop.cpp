#include "app/event_loop.h"

#include "app/main_window.h"
#include "app/shell_state.h"
#include "app/window_settings.h"
#include "runtime/toolkit.h"

namespace pixmold {

void request_quit() {
    save_all_settings();
    shell.quit_requested = 1;
}

void run_event_loop() {
    while (!shell.quit_requested) {
        switch (wait_event()) {
        case EventKind::DropOnWindow:
            if (event_window() == MAIN_WINDOW) handle_drop_on_window(event_dropped_files());
            break;
        case EventKind::DropOnWidget: handle_drop_on_widget(event_widget(), event_dropped_files()); break;
        case EventKind::MenuCommand: handle_menu_command(event_command()); break;
        case EventKind::WidgetEvent: handle_widget_event(event_widget(), event_subkind(), event_x(), event_y()); break;
        case EventKind::CloseRequest:
            if (event_window() == MAIN_WINDOW) request_quit();
            break;
        default: break;
        }
    }
}

}  // namespace pixmold
