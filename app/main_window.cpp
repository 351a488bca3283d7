#include "app/main_window.h"

#include <vector>

#include "app/batch_start.h"
#include "app/commands.h"
#include "app/fx_panel_host.h"
#include "app/online.h"
#include "app/settings_column.h"
#include "app/window_layout.h"
#include "fx/fx.h"
#include "toolkit/toolkit.h"

namespace pixmold {

namespace {

// Tab goes down the settings column, then to the window's two switches at
// its top, then into the FX panel beside them when it is open.
void order_tab_stops() {
    std::vector<int> order = {W_RELATIVE_MODE,   W_FREE_MODE,       W_PREFIX_FIELD, W_PREFIX_BUTTON,
                              W_LANDSCAPE_WIDTH, W_PORTRAIT_HEIGHT, W_FREE_WIDTH,   W_FREE_HEIGHT,
                              W_PRESET_LIST,     W_FORMAT_SELECTOR, W_QUALITY_SLIDER, W_STOP,
                              W_INFO_PANEL,      W_STATUS_LINE,     W_ALWAYS_ON_TOP,  W_FX_BUTTON};
    for (int widget : fx_tab_order()) order.push_back(widget);
    set_tab_order(order);
}

}  // namespace

void build_main_window() {
    build_settings_window();
    build_fx_panel();
    order_tab_stops();
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
