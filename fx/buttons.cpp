// The icon buttons above the preview: crop mode and one per effect.
#include "core/texts.h"
#include "fx/editor_panel.h"
#include "fx/messages.h"
#include "toolkit/dialogs.h"

namespace pixmold {

namespace {

// Crop mode on or off: the effect and webcam buttons give way to the frame.
void set_crop_mode(EditorPanel& p, bool on) {
    if (!on)
        p.editor.crop_off();
    else if (!p.editor.crop_on())
        return;
    p.show_info(on ? fx_messages::CROP_SWITCHED_ON : fx_messages::CROP_SWITCHED_OFF);
    p.show_effect_buttons(!on);
    show_widget(W_WEBCAM_BUTTON, !on);
    enable_widget(W_CROP_BUTTON, true);
    if (!on) {
        p.show_refreshed();
        p.show_step();
    }
    set_pointer_shape(W_CROP_BUTTON, PointerShape::Hand);
}

}  // namespace

void EditorPanel::crop_button_event(SubKind sub) {
    if (!editor.has_picture()) {
        set_pointer_shape(W_CROP_BUTTON, PointerShape::Forbidden);
        return;
    }
    switch (sub) {
    case SubKind::PointerEnter:
        if (editor.pending()) {
            show_info(fx_messages::VALIDATE_EFFECT_FIRST);
            if (editor.frame().drawn) set_pointer_shape(W_CROP_BUTTON, PointerShape::Forbidden);
        } else {
            show_info(fx_messages::CROP_MODE);
            set_pointer_shape(W_CROP_BUTTON, PointerShape::Hand);
        }
        break;
    case SubKind::PointerLeave:
        status(host.web_address);
        show_info(editor.crop_mode() ? fx_messages::CROP_ON : fx_messages::CHOOSE_AN_EFFECT);
        paint_crop_button();
        break;
    case SubKind::LeftButtonDown:
        // Switching on waits while a result is pending; switching off while a frame is drawn.
        if (editor.crop_mode() ? editor.frame().drawn : editor.pending()) {
            show_info(texts().fx_apply_first);
            set_pointer_shape(W_CROP_BUTTON, PointerShape::Forbidden);
        } else {
            set_crop_mode(*this, !editor.crop_mode());
        }
        paint_crop_button();
        click(50);
        break;
    default: break;
    }
}

void EditorPanel::run_effect_button(const Effect& effect, int button) {
    if (editor.pending()) {
        show_info(texts().fx_apply_first);
        return;
    }
    Colour colour = 0;
    if (effect.asks_colour) {
        colour = colour_dialog(0);
        if (colour == -1) {
            status(texts().cancelled);
            return;
        }
    } else {
        set_pointer_shape(button, PointerShape::Forbidden);
    }
    if (!editor.effect_allowed()) return;
    run(aside_for(std::int64_t(editor.picture_width()) * editor.picture_height()),
        [effect = &effect, picture = editor.picture(), colour] {
            return Finish([effect, made = make_effect(*effect, picture, colour)] {
                EditorPanel& p = editor_panel();
                if (!p.editor.apply_effect(*effect, made)) return;
                p.show_refreshed();
                p.show_step();
            });
        });
}

void EditorPanel::effect_button_event(const Effect& effect, int button, SubKind sub) {
    if (!editor.has_picture()) {
        set_pointer_shape(button, PointerShape::Forbidden);
        return;
    }
    switch (sub) {
    case SubKind::PointerEnter:
    case SubKind::PointerMove:
        if (editor.crop_mode() || editor.webcam_on() || editor.pending()) {
            set_pointer_shape(button, PointerShape::Forbidden);
            paint_icon(button, effect_icon(effect, false));
            show_info("");
        } else {
            set_pointer_shape(button, PointerShape::Hand);
            paint_icon(button, effect_icon(effect, true));
            show_info(texts().*effect.label);
        }
        break;
    case SubKind::PointerLeave:
        paint_icon(button, effect_icon(effect, false));
        show_info("");
        break;
    case SubKind::LeftButtonDown: editor.choose(Tool::of(effect)); break;
    case SubKind::LeftButtonUp: run_effect_button(effect, button); break;
    default: break;
    }
}

}  // namespace pixmold
