// The effects as the editor runs them: on FxWorking, with the undo copy
// taken first and the result left pending.
#include "core/texts.h"
#include "fx/editor.h"
#include "fx/effects.h"
#include "fx/panel.h"
#include "fx/state.h"
#include "runtime/dialogs.h"

namespace pixmold {

namespace {

// What every effect ends with: the result shown and waiting for Apply or Cancel.
void leave_pending() {
    fx_commit_effect();
    fx_refresh_preview();
    fx.pending = 1;
    fx_set_step(5);
}

}  // namespace

int apply_tone_effect(int red_offset, int green_offset) {
    if (!fx_has(FxWorking)) return 0;
    const int effect = fx.current_effect;
    if (effect != EFFECT_BLACK_WHITE && effect != EFFECT_OPTIMISED && effect != EFFECT_SEPIA) return 0;
    fx_copy(FxWorking, FxUndo);
    const PixelView picture = image_pixels(FxWorking);
    if (effect == EFFECT_BLACK_WHITE)
        black_and_white(picture);
    else if (effect == EFFECT_OPTIMISED)
        optimised_black_and_white(picture);
    else
        sepia(picture, red_offset, green_offset, effect_random());
    fx_changed(FxWorking);
    fx.result_kind = std::int16_t(effect);
    leave_pending();
    return fx.result_kind;
}

int apply_border() {
    const std::int32_t colour = colour_dialog(0);
    if (colour == -1) {
        fx_status(texts().cancelled);
        return 0;
    }
    fx_copy(FxWorking, FxUndo);
    add_border(FxWorking, FxUndo, FxInside, border_thickness(fx.picture_width, fx.picture_height), colour);
    fx_changed(FxWorking);
    fx_changed(FxInside);
    fx.result_kind = EFFECT_BORDER;
    leave_pending();
    return EFFECT_BORDER;
}

}  // namespace pixmold
