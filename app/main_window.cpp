#include "app/main_window.h"

#include "app/batch_start.h"
#include "app/commands.h"
#include "app/fx_panel_host.h"
#include "app/online.h"
#include "app/settings_column.h"
#include "app/window_layout.h"
#include "fx/fx.h"

namespace pixmold {

void build_main_window() {
    build_settings_window();
    build_fx_panel();
    settings_summary();
    show_window(MAIN_WINDOW, true);
}

void handle_widget_event(int widget, SubKind subkind, int x, int y) {
    if (handle_batch_event(widget, subkind)) return;
    if (fx_handle_event(widget, subkind, x, y)) return;
    handle_column_event(widget, subkind, x, y);
}

void handle_menu_command(int command) {
    if (!run_online_command(command)) run_menu_command(command);
}

void handle_drop_on_window(const std::string& files) { batch_drop(files); }

void handle_files_handed_over(const std::string& files) {
    if (!files.empty()) batch_open(files);
}

void handle_drop_on_widget(int widget, const std::string& files) { fx_handle_drop(widget, files); }

}  // namespace pixmold
