// The command bar: its four buttons by step, their drawing and hit test,
// and what a press on each does.
#include "core/texts.h"
#include "fx/editor.h"
#include "fx/fx.h"
#include "fx/handlers.h"
#include "fx/messages.h"
#include "fx/panel.h"
#include "fx/state.h"
#include "image/draw.h"
#include "image/text.h"
#include "runtime/toolkit.h"

namespace pixmold {

namespace {

constexpr std::int64_t ON_TOP = 0x00DD00, ON_BOTTOM = 0x00BB00;     // green
constexpr std::int64_t OFF_TOP = 0x0000FF, OFF_BOTTOM = 0x0000CC;   // red

// Load, Apply, Cancel, Save enabled per step; steps missing here only redraw.
struct StepRow {
    int step;
    bool on[4];
};
constexpr StepRow STEPS[] = {
    {0, {true, false, false, false}}, {1, {true, false, false, true}}, {2, {true, false, false, true}},
    {3, {true, false, false, false}}, {4, {false, false, false, false}}, {5, {true, true, true, false}},
    {7, {true, false, false, false}},
};

void draw_command_bar() {
    if (!begin_fx_canvas(W_COMMAND_BAR)) return;
    set_font(fx_host().command_font);
    for (const CommandButton& b : command_buttons) {
        const int half = b.height / 2;
        set_drawing_mode(DRAW_SOLID);
        fill_box(b.x, b.y, b.width, half, Colour(b.top_colour));
        fill_box(b.x, b.y + half, b.width, half, Colour(b.bottom_colour));
        set_drawing_mode(DRAW_OUTLINE);
        fill_box(b.x, b.y, b.width, b.height, Colour(b.outline_colour));
        set_drawing_mode(DRAW_TRANSPARENT_TEXT);
        draw_text(b.x + b.width / 2 - text_width(b.caption) / 2, b.y + half - text_height(b.caption) / 2, b.caption,
                  make_rgb(0, 0, 0));
    }
    end_drawing();
}

void load_command() {
    switch (fx_load_from_dialog()) {
    case LoadOutcome::Loaded:
        fx_refresh_preview();
        fx_show_info(fx_messages::APPLY_AN_EFFECT);
        fx_set_step(0);
        break;
    case LoadOutcome::Cancelled:
        fx_show_info(fx_messages::CANCELLED);
        // A pending result keeps Apply and Cancel: only they can settle it.
        if (!fx.pending) fx_set_step(fx_has(FxWorking) ? 2 : 3);
        break;
    case LoadOutcome::Unreadable:
        fx_report_unreadable();
        break;
    }
}

void apply_command() {
    // Without a result there is nothing to apply, and FxSource must not go.
    if (!fx_has(FxResult)) return;
    // The undo copy goes; FxSource and FxWorking are overwritten right here
    // and in the refresh, so their memory is reused rather than given back.
    free_image(FxUndo);
    free_image(FxScaled);
    fx_copy(FxResult, FxSource);
    fx.current_effect = std::uint8_t(fx.result_kind);
    show_widget(W_WEBCAM_BUTTON, true);
    if (fx.frame_chosen && fx.crop_mode) {
        fx.frame_chosen = 0;
        fx.crop_mode = 0;
        fx_show_effect_buttons(false);
        show_widget(W_WEBCAM_BUTTON, true);
        fx_paint_crop_button(false);
    }
    fx_refresh_preview();
    fx.pending = 0;
    fx_set_step(1);
}

void cancel_command() {
    if (fx.webcam_on) return;
    fx_restore_undo();
    fx_refresh_preview();
    fx_status(fx_messages::EFFECT_CANCELLED);
    if (fx.frame_drawn) {
        fx.frame_drawn = 0;
        fx_reset_frame();
    }
    fx.pending = 0;
    fx_set_step(2);
    fx.current_effect = std::uint8_t(fx.result_kind);
}

}  // namespace

void fx_load_command() {
    if (command_buttons[FX_LOAD].enabled) load_command();
}

void fx_set_step(int step) {
    for (const StepRow& row : STEPS) {
        if (row.step != step) continue;
        for (int i = 0; i < 4; ++i) {
            CommandButton& b = command_buttons[std::size_t(i)];
            b.enabled = row.on[i] ? 1 : 0;
            b.top_colour = row.on[i] ? ON_TOP : OFF_TOP;
            b.bottom_colour = row.on[i] ? ON_BOTTOM : OFF_BOTTOM;
            set_control_part_enabled(W_COMMAND_BAR, i, row.on[i]);
        }
        fx.step = step;
    }
    draw_command_bar();
}

int fx_hit_command(int px, int py) {
    const int second_row = command_buttons[FX_CANCEL].y;
    const int cancel_left = command_buttons[FX_CANCEL].x;
    const int save_left = command_buttons[FX_SAVE].x;
    if (py < second_row) return FX_LOAD;
    if (px < cancel_left) return FX_APPLY;
    if (px > cancel_left && px < save_left) return FX_CANCEL;
    if (px > save_left) return FX_SAVE;
    return FX_LOAD;  // the columns between the buttons
}

void command_bar_event(SubKind sub, int x, int y) {
    switch (sub) {
    case SubKind::PointerEnter:
        fx.hovered_command = std::uint8_t(fx_hit_command(x, y));
        break;
    case SubKind::PointerMove: {
        fx.hovered_command = std::uint8_t(fx_hit_command(x, y));
        const CommandButton& b = command_buttons[fx.hovered_command];
        fx_show_info(b.enabled ? b.caption : fx_messages::DISABLED);
        break;
    }
    case SubKind::LeftButtonDown: {
        // The press carries the freshest position.
        fx.hovered_command = std::uint8_t(fx_hit_command(x, y));
        if (!command_buttons[fx.hovered_command].enabled) break;
        switch (fx.hovered_command) {
        case FX_LOAD: load_command(); break;
        case FX_APPLY: apply_command(); break;
        case FX_CANCEL: cancel_command(); break;
        case FX_SAVE: fx_save(); break;
        default: break;
        }
        break;
    }
    default:
        break;
    }
}

}  // namespace pixmold
