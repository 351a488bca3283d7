// Process-wide state of the application shell, owned by the user-interface
// thread, and the numbers shared by start-up and the main window.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/version.h"

namespace pixmold {

struct ShellState {
    std::int16_t quit_requested = 0;  // the loop ends after the event that set it
    std::uint8_t sound_available = 0;  // the click sound can play
    std::uint8_t fx_panel_open = 0;    // the window is in its wide layout
    std::string settings_path;         // working directory + "/pref.vrn"
    std::string product_name = "Pixmold ";
    std::string version = shown_version();
    int instance_lock = -1;            // descriptor holding the single-instance lock
    std::array<int, 6> ui_fonts{};     // font numbers 1 to 6, once created
    int screen_width = 0;              // primary desktop at start-up
    int screen_height = 0;
    int usable_height = 0;             // without panels at the bottom
    int dpi = 96;                      // logical dots per inch
};

extern ShellState shell;

// Layout numbers and colours of the main window.
inline constexpr std::int32_t WINDOW_COLOUR = 0xFEDFD6;  // red 214, green 223, blue 254
inline constexpr int COLUMN_WIDTH = 280;
inline constexpr int WIDE_WIDTH = 750;
inline constexpr int WINDOW_HEIGHT = 580;

// The six interface fonts.
inline constexpr int FONT_ARIAL_BLACK_10 = 1;
inline constexpr int FONT_SANS_7 = 2;
inline constexpr int FONT_SANS_8 = 3;
inline constexpr int FONT_SANS_9 = 4;
inline constexpr int FONT_SANS_10 = 5;
inline constexpr int FONT_SANS_12_ITALIC = 6;

// Sound number of the click.
inline constexpr int CLICK_SOUND = 1;

// Main window number.
inline constexpr int MAIN_WINDOW = 0;

}  // namespace pixmold
