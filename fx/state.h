// The FX editor's record, its picture slots, its widgets and the command
// table. Everything here belongs to the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "image/image.h"

namespace pixmold {

// Picture slots in the image store.
inline constexpr ImageId FxSource = 60;       // the picture being edited; everything derives from it
inline constexpr ImageId FxWorking = 61;      // full-size copy that effects draw on
inline constexpr ImageId FxResult = 62;       // the full-size pending result; Apply makes it FxSource
inline constexpr ImageId FxUndo = 63;         // the picture before the last effect; Cancel restores it
inline constexpr ImageId FxScaled = 64;       // temporary, preview-size
inline constexpr ImageId FxPreview = 65;      // shown in the preview canvas
inline constexpr ImageId FxPreviewCrop = 66;  // the part of FxPreview inside the crop frame
inline constexpr ImageId FxIncoming = 67;     // a picture being loaded, until it decoded
inline constexpr ImageId FxInside = 68;       // the inside of the last border, kept for the next one

// Widgets of the panel.
inline constexpr int W_CROP_BUTTON = 200;
inline constexpr int W_BW_BUTTON = 201;
inline constexpr int W_BW_OPTIMISED_BUTTON = 202;
inline constexpr int W_SEPIA_BUTTON = 203;
inline constexpr int W_BORDER_BUTTON = 204;
inline constexpr int W_WEBCAM_BUTTON = 205;
inline constexpr int W_FX_INFO_PANEL = 206;
inline constexpr int W_PREVIEW_CANVAS = 207;
inline constexpr int W_COMMAND_BAR = 208;

inline constexpr int ICON_SIZE = 39;
inline constexpr int FX_INFO_WIDTH = 184;
inline constexpr int FX_INFO_HEIGHT = 39;
inline constexpr int PREVIEW_WIDTH = 463;   // 469 - 6
inline constexpr int PREVIEW_HEIGHT = 433;  // 580 - 3 x 39 - 30
inline constexpr int BAR_WIDTH = 463;
inline constexpr int BAR_HEIGHT = 79;

inline constexpr std::int32_t PANEL_COLOUR = 0xFEDFD6;  // the window background

// Tools, as current_effect and result_kind hold them.
inline constexpr int EFFECT_NONE = 0;
inline constexpr int EFFECT_CROP = 1;
inline constexpr int EFFECT_BLACK_WHITE = 2;
inline constexpr int EFFECT_OPTIMISED = 3;
inline constexpr int EFFECT_SEPIA = 4;
inline constexpr int EFFECT_BORDER = 5;
inline constexpr int EFFECT_WEBCAM = 7;

// Command buttons, in table order.
inline constexpr int FX_LOAD = 0;
inline constexpr int FX_APPLY = 1;
inline constexpr int FX_CANCEL = 2;
inline constexpr int FX_SAVE = 3;

struct FxState {
    std::uint8_t crop_mode = 0;
    std::uint8_t frame_drawn = 0;   // the current drag has left its start point
    std::uint8_t frame_chosen = 0;  // a released frame became a pending crop
    std::uint8_t pending = 0;       // a crop or effect waits for Apply or Cancel
    std::uint8_t webcam_on = 0;
    std::uint8_t current_effect = EFFECT_NONE;
    std::int16_t result_kind = EFFECT_NONE;  // the tool that made the pending result
    float scale_ratio = 1.0f;                // source pixels per preview pixel
    int preview_width = 0;
    int preview_height = 0;
    int picture_width = 0;
    int picture_height = 0;
    std::int64_t frame_start_x = 0, frame_start_y = 0, frame_end_x = 0, frame_end_y = 0;  // canvas pixels
    std::int64_t real_x1 = 0, real_y1 = 0, real_x2 = 0, real_y2 = 0;  // source pixels
    std::int64_t real_width = 0, real_height = 0;
    std::int64_t crop_view_x = 0, crop_view_y = 0;  // where the real-size crop shows
    std::uint8_t hovered_command = FX_LOAD;
    std::string source_path;  // the last picture loaded from a file
    int step = 0;             // the last step the command bar was set to
};

extern FxState fx;

// While the left button is held in the preview in crop mode (the preview
// canvas's own user data).
bool fx_dragging();

struct CommandButton {
    std::int16_t x = 0;
    std::int8_t y = 0;
    std::int16_t width = 0;
    std::int8_t height = 0;
    std::string caption;
    std::int64_t top_colour = 0;     // 0x00BBGGRR
    std::int64_t bottom_colour = 0;
    std::int64_t outline_colour = 0;
    std::int8_t enabled = 0;
};

extern std::array<CommandButton, 4> command_buttons;

// True when the slot holds a picture.
bool fx_has(ImageId slot);

// Copies one slot onto another as copy_image does. The editor keeps track of
// which slots hold the same pixels, so a copy onto a slot that holds them
// already costs nothing, and a copy onto a picture of the same size reuses
// its memory. Anything that writes a slot's pixels other than by this copy
// must call fx_changed(slot) afterwards.
bool fx_copy(ImageId from, ImageId to);
void fx_changed(ImageId slot);

}  // namespace pixmold
