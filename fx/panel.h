// The FX panel: the widgets that show the editor (fx/editor.h) and take the
// user's actions to it. What the shell calls is in fx/fx.h; this is what
// tests and tools may look at besides.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "fx/editor.h"
#include "image/image.h"

namespace pixmold {

// Widgets of the panel.
inline constexpr int W_CROP_BUTTON = 200;
inline constexpr int W_WEBCAM_BUTTON = 205;
inline constexpr int W_FX_INFO_PANEL = 206;
inline constexpr int W_PREVIEW_CANVAS = 207;
inline constexpr int W_COMMAND_BAR = 208;
// One button per effect, in the effects' order, from this number on.
inline constexpr int W_FIRST_EFFECT_BUTTON = 210;

// A button of the command bar, as drawn.
struct CommandButton {
    std::int16_t x = 0;
    std::int8_t y = 0;
    std::int16_t width = 0;
    std::int8_t height = 0;
    std::string caption;
    std::int64_t top_colour = 0;  // 0x00BBGGRR
    std::int64_t bottom_colour = 0;
    std::int64_t outline_colour = 0;
    std::int8_t enabled = 0;
};

// The editor the panel shows.
const Editor& fx_editor();
// The effects the panel offers, one button each.
std::span<const Effect> fx_panel_effects();
// The button of effect `index`.
inline int effect_button(std::size_t index) { return W_FIRST_EFFECT_BUTTON + int(index); }
// The message the info panel shows.
const std::string& fx_info_text();
// The command bar's buttons, in Command order.
const std::array<CommandButton, COMMAND_COUNT>& fx_command_buttons();
// Sets the command bar's step and redraws it.
void fx_set_step(Step step);
// The command button at (px, py) in the command bar.
Command fx_hit_command(int px, int py);

// Which long actions run on a worker thread, the panel busy meanwhile: the
// effects, crops and saves of pictures of at least `pixels` pixels, and the
// loads of files of at least `file_bytes` bytes. Smaller ones are over in a
// few hundredths of a second and are done within the event.
struct BackgroundFrom {
    std::int64_t pixels = 4'000'000;
    std::uintmax_t file_bytes = std::uintmax_t(1) << 20;
};
void fx_set_background_from(BackgroundFrom from);
// True while a long action runs on a worker thread: the panel takes no other
// action, load or drop until its result is back.
bool fx_busy();

}  // namespace pixmold
