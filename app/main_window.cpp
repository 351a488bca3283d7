#include "app/main_window.h"

#include "app/event_loop.h"
#include "app/settings.h"
#include "app/shell_state.h"
#include "app/texts.h"

namespace pixmold {

namespace {
constexpr int COMMAND_EXIT = 132;
constexpr int COMMAND_EXIT_KEY = 158;
}  // namespace

void build_main_window() {
    open_window(MAIN_WINDOW, 0, 0, COLUMN_WIDTH, WINDOW_HEIGHT, shell.product_name + shell.version,
                WINDOW_SYSTEM_MENU | WINDOW_MINIMIZE_BOX | WINDOW_SCREEN_CENTERED);
    set_window_colour(MAIN_WINDOW, WINDOW_COLOUR);
    set_topmost(MAIN_WINDOW, settings.VISIBLE != 0);
    create_menu_bar(MAIN_WINDOW);
    add_menu_title(texts().menu_project);
    add_menu_item(COMMAND_EXIT, texts().menu_quit);
    add_shortcut(MAIN_WINDOW, settings.LNG == "FR" ? 'Q' : 'E', COMMAND_EXIT_KEY);
    enable_window_drops(MAIN_WINDOW, true);
}

void handle_widget_event(int, SubKind, int, int) {}

void handle_menu_command(int command) {
    if (command == COMMAND_EXIT || command == COMMAND_EXIT_KEY) request_quit();
}

void handle_drop_on_window(const std::string&) {}

void handle_drop_on_widget(int, const std::string&) {}

}  // namespace pixmold
