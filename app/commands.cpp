#include "app/commands.h"

#include <string>

#include "app/event_loop.h"
#include "app/fx_panel_host.h"
#include "app/language_switch.h"
#include "app/menus.h"
#include "app/output_folder_menu.h"
#include "app/settings_column.h"
#include "app/window_layout.h"
#include "app/window_rules.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "runtime/text_alignment.h"
#include "runtime/toolkit.h"

namespace pixmold {

namespace {

void show_info_text(const std::string& text) { set_centred_text(W_INFO_PANEL, text); }

// The sizes of the current mode take the desktop's (the free size always does).
void adjust_command() {
    Settings& s = settings;
    const int w = desktop_width();
    const int h = desktop_height();
    adjust_to_desktop(s, w, h);
    if (s.mode == Mode::Relative) {
        set_text(W_LANDSCAPE_WIDTH, std::to_string(s.landscape_width));
        set_text(W_PORTRAIT_HEIGHT, std::to_string(s.portrait_height));
        save_setting(SettingKey::LandscapeWidth);
        save_setting(SettingKey::PortraitHeight);
    } else {
        set_text(W_FREE_WIDTH, std::to_string(w));
        set_text(W_FREE_HEIGHT, std::to_string(h));
        save_setting(SettingKey::AdjustedFreeWidth);
        save_setting(SettingKey::AdjustedFreeHeight);
    }
    settings_summary();
}

}  // namespace

bool run_menu_command(int command) {
    const InterfaceTexts& t = texts();
    switch (command) {
    case CMD_EXIT:
    case KEY_CMD_EXIT:
        request_quit();
        return true;
    case CMD_ABOUT:
    case KEY_CMD_ABOUT:
        show_info_text(t.about);
        return true;
    case CMD_HELP_RESIZE:
        show_info_text(t.help_how_to_resize);
        return true;
    case CMD_HELP_FORMAT:
        show_info_text(t.help_which_format);
        return true;
    case CMD_HELP_RESOLUTION:
        show_info_text(t.help_which_resolution);
        return true;
    case CMD_HELP_CROP:
        show_info_text(t.help_how_to_crop);
        return true;
    case CMD_OPEN_RELATIVE:
        open_picture_in_fx();
        return true;
    case CMD_OPEN_FREE:
    case KEY_CMD_NOTHING:
        return true;
    case CMD_ADJUST_TO_DESKTOP:
        adjust_command();
        return true;
    case CMD_FRENCH:
        switch_language(Language::French);
        return true;
    case CMD_ENGLISH:
        switch_language(Language::English);
        return true;
    default:
        return toggle_option_entry(command) || run_output_folder_command(command);
    }
}

}  // namespace pixmold
