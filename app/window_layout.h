// Numbers and positions of the main window beyond the shell's: its widgets,
// menu commands and the rows of the 280-pixel settings column.
#pragma once

#include <cstdint>

#include "app/shell_state.h"

namespace pixmold {

// Widgets of the settings column.
inline constexpr int W_INFO_PANEL = 80;
inline constexpr int W_RELATIVE_MODE = 84;
inline constexpr int W_FREE_MODE = 85;
inline constexpr int W_STOP = 86;
inline constexpr int W_FX_PANEL = 87;
inline constexpr int W_BANNER = 2;
inline constexpr int W_SIZE_FRAME = 102;
inline constexpr int W_FORMAT_FRAME = 103;
inline constexpr int W_FORMAT_TITLE = 104;
inline constexpr int W_SIZE_TITLE = 105;
inline constexpr int W_LANDSCAPE_LABEL = 106;
inline constexpr int W_PORTRAIT_LABEL = 107;
inline constexpr int W_FREE_WIDTH_LABEL = 108;
inline constexpr int W_FREE_HEIGHT_LABEL = 109;
inline constexpr int W_QUALITY_LABEL = 110;
inline constexpr int W_FREE_WIDTH = 111;
inline constexpr int W_FREE_HEIGHT = 112;
inline constexpr int W_LANDSCAPE_WIDTH = 113;
inline constexpr int W_PORTRAIT_HEIGHT = 114;
inline constexpr int W_QUALITY_SLIDER = 116;
inline constexpr int W_STATUS_LINE = 117;
inline constexpr int W_FX_BUTTON = 118;
inline constexpr int W_PRESET_LIST = 119;
inline constexpr int W_ALWAYS_ON_TOP = 120;
inline constexpr int W_FORMAT_SELECTOR = 121;
inline constexpr int W_LANDSCAPE_HINT = 122;
inline constexpr int W_PORTRAIT_HINT = 123;
inline constexpr int W_PREFIX_LABEL = 124;
inline constexpr int W_PREFIX_BUTTON = 125;
inline constexpr int W_PREFIX_FIELD = 126;

// Menu commands and keyboard shortcuts.
inline constexpr int CMD_ABOUT = 128;
inline constexpr int CMD_CHECK_UPDATE = 131;
inline constexpr int CMD_EXIT = 132;
inline constexpr int CMD_VISIT_WEBSITE = 133;
inline constexpr int CMD_HELP_RESIZE = 134;
inline constexpr int CMD_HELP_FORMAT = 135;
inline constexpr int CMD_HELP_RESOLUTION = 137;
inline constexpr int CMD_HELP_CROP = 138;
inline constexpr int CMD_OPEN_RELATIVE = 139;
inline constexpr int CMD_OPEN_FREE = 141;
inline constexpr int CMD_ADJUST_TO_DESKTOP = 143;
inline constexpr int CMD_FRENCH = 144;
inline constexpr int CMD_ENGLISH = 145;
inline constexpr int CMD_NEVER_ENLARGE = 162;   // check items of the preferences menu
inline constexpr int CMD_STRIP_LOCATION = 163;
inline constexpr int CMD_SUBFOLDERS = 164;
inline constexpr int CMD_SKIP_OUTPUTS = 165;
inline constexpr int CMD_OUTPUT_FOLDER = 166;   // opens a folder dialog (app/output_folder_menu.h)
inline constexpr int CMD_BESIDE_SOURCES = 167;
inline constexpr int KEY_CMD_NOTHING = 153;
inline constexpr int KEY_CMD_ABOUT = 155;
inline constexpr int KEY_CMD_UPDATE = 157;
inline constexpr int KEY_CMD_EXIT = 158;
inline constexpr int KEY_CMD_WEBSITE = 159;

// Geometry.
inline constexpr int NARROW_WIDTH = 284;  // inner width after closing the FX panel

inline constexpr int ROW_MODE = 80;
inline constexpr int ROW_PREFIX = 116;
inline constexpr int ROW_SIZE_TITLE = 141;
inline constexpr int ROW_LANDSCAPE_HINT = 171;
inline constexpr int ROW_LANDSCAPE = 191;
inline constexpr int ROW_PORTRAIT_HINT = 221;
inline constexpr int ROW_PORTRAIT = 241;
inline constexpr int ROW_FREE_WIDTH = 180;
inline constexpr int ROW_FREE_HEIGHT = 205;
inline constexpr int ROW_FORMAT_TITLE = 276;
inline constexpr int ROW_FORMAT = 299;
inline constexpr int ROW_QUALITY = 324;
inline constexpr int ROW_QUALITY_LABEL = 354;
inline constexpr int ROW_INFO = 384;
inline constexpr int INFO_HEIGHT = 175;

inline constexpr int SWITCH_WIDTH = 170;
inline constexpr int QUALITY_WIDTH = 270;
inline constexpr int QUALITY_HEIGHT = 29;
// The format selector starts where its first two choices were centred in
// 140 pixels, and reaches nearly to the column's edge for the third.
inline constexpr int FORMAT_LEFT = (COLUMN_WIDTH - 140) / 2;
inline constexpr int FORMAT_WIDTH = COLUMN_WIDTH - 2 - FORMAT_LEFT;
inline constexpr int FORMAT_HEIGHT = 20;

}  // namespace pixmold
