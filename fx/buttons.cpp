// The icon buttons above the preview: crop mode and the four effects.
#include "core/texts.h"
#include "fx/editor.h"
#include "fx/fx.h"
#include "fx/handlers.h"
#include "fx/messages.h"
#include "fx/panel.h"
#include "fx/state.h"

namespace pixmold {

namespace {

// A press that may not change crop mode now: a result waits for Apply or Cancel.
void refuse_crop_change() {
    fx_show_info(texts().fx_apply_first);
    set_pointer_shape(W_CROP_BUTTON, PointerShape::Forbidden);
}

// Crop mode on or off: the effect and webcam buttons give way to the frame.
void set_crop_mode(bool on) {
    fx.current_effect = on ? EFFECT_CROP : EFFECT_NONE;
    fx.frame_chosen = 0;
    if (on) fx.frame_drawn = 0;
    fx.crop_mode = on ? 1 : 0;
    fx.pending = 0;
    fx_show_info(on ? fx_messages::CROP_SWITCHED_ON : fx_messages::CROP_SWITCHED_OFF);
    fx_show_effect_buttons(on);
    show_widget(W_WEBCAM_BUTTON, !on);
    enable_widget(W_CROP_BUTTON, true);
    if (!on) {
        fx_refresh_preview();
        fx_set_step(7);
    }
    set_pointer_shape(W_CROP_BUTTON, PointerShape::Hand);
}

int effect_index(int button) { return button - W_BW_BUTTON; }

}  // namespace

void crop_button_event(SubKind sub) {
    if (!fx_has(FxWorking)) {
        set_pointer_shape(W_CROP_BUTTON, PointerShape::Forbidden);
        return;
    }
    switch (sub) {
    case SubKind::PointerEnter:
        if (fx.pending) {
            fx_show_info(fx_messages::VALIDATE_EFFECT_FIRST);
            if (fx.frame_drawn) set_pointer_shape(W_CROP_BUTTON, PointerShape::Forbidden);
        } else {
            fx_show_info(fx_messages::CROP_MODE);
            set_pointer_shape(W_CROP_BUTTON, PointerShape::Hand);
        }
        break;
    case SubKind::PointerLeave:
        fx_status(fx_host().web_address);
        fx_show_info(fx.crop_mode ? fx_messages::CROP_ON : fx_messages::CHOOSE_AN_EFFECT);
        fx_paint_crop_button(fx.crop_mode);
        break;
    case SubKind::LeftButtonDown:
        // Switching on waits while a result is pending; switching off while a frame is drawn.
        if (fx.crop_mode ? fx.frame_drawn : fx.pending)
            refuse_crop_change();
        else
            set_crop_mode(!fx.crop_mode);
        fx_paint_crop_button(fx.crop_mode);
        fx_click(50);
        break;
    default:
        break;
    }
}

void effect_button_event(int button, SubKind sub) {
    if (!fx_has(FxWorking)) {
        set_pointer_shape(button, PointerShape::Forbidden);
        return;
    }
    const int index = effect_index(button);
    switch (sub) {
    case SubKind::PointerEnter:
    case SubKind::PointerMove:
        if (fx.crop_mode || fx.webcam_on || fx.pending) {
            set_pointer_shape(button, PointerShape::Forbidden);
            fx_paint_icon(button, fx_effect_icon(index, false));
            fx_show_info("");
        } else if (!fx.frame_chosen && !fx.webcam_on) {
            set_pointer_shape(button, PointerShape::Hand);
            fx_paint_icon(button, fx_effect_icon(index, true));
            const InterfaceTexts& t = texts();
            const std::string names[4] = {t.fx_black_white, t.fx_black_white_optimised, t.fx_sepia, t.fx_border};
            fx_show_info(names[index]);
        }
        break;
    case SubKind::PointerLeave:
        if (!(fx.crop_mode && fx.webcam_on)) fx_paint_icon(button, fx_effect_icon(index, false));
        fx_show_info("");
        break;
    case SubKind::LeftButtonDown:
        fx.current_effect = std::uint8_t(EFFECT_BLACK_WHITE + index);
        break;
    case SubKind::LeftButtonUp:
        if (fx.pending) {
            fx_show_info(texts().fx_apply_first);
        } else if (index + EFFECT_BLACK_WHITE == EFFECT_BORDER) {
            apply_border();
        } else {
            set_pointer_shape(button, PointerShape::Forbidden);
            apply_tone_effect(50, 30);
        }
        break;
    default:
        break;
    }
}

}  // namespace pixmold
