// The webcam button and the snapshot it takes. The frame is handed over
// directly: it goes into a spare slot first, and replaces the picture being
// edited only once it is there.
#include "fx/webcam.h"

#include "core/texts.h"
#include "fx/fx.h"
#include "fx/handlers.h"
#include "fx/messages.h"
#include "fx/panel.h"
#include "fx/state.h"
#include "runtime/camera.h"
#include "runtime/toolkit.h"

namespace pixmold {

namespace {

constexpr int CAPTURE_WIDTH = 640;
constexpr int CAPTURE_HEIGHT = 480;

// What the live view set aside, to go back to when it yields no picture.
struct BeforeLive {
    int step = 0;
    std::uint8_t pending = 0;
    std::uint8_t current_effect = EFFECT_NONE;
};
BeforeLive g_before;

void paint_webcam_button() {
    const FxIcons& icons = fx_host().icons;
    fx_paint_icon(W_WEBCAM_BUTTON, fx.webcam_on ? icons.webcam_on : icons.webcam_off);
}

// The crop and effect buttons give way to the live view.
void show_tool_buttons(bool visible) {
    fx_show_effect_buttons(!visible);
    show_widget(W_CROP_BUTTON, visible);
}

// The editor as it was before the live view, the picture being edited shown
// again, and `message` in the info panel.
void back_to_picture(const std::string& message) {
    webcam_stop();
    fx.webcam_on = 0;
    fx.pending = g_before.pending;
    fx.current_effect = g_before.current_effect;
    show_tool_buttons(true);
    paint_webcam_button();
    fx_paint_preview();
    fx_show_info(message);
    fx_set_step(g_before.step);
}

void press() {
    set_pointer_shape(W_WEBCAM_BUTTON, PointerShape::Hand);
    if (fx.webcam_on) {
        fx.webcam_on = 0;
        fx_show_info(fx_messages::WEBCAM_SWITCHED_OFF);
        show_tool_buttons(true);
    } else {
        g_before = {fx.step, fx.pending, fx.current_effect};
        fx.current_effect = EFFECT_WEBCAM;
        fx.webcam_on = 1;
        fx_show_info(fx_messages::WEBCAM_SWITCHED_ON);
        show_tool_buttons(false);
    }
    fx.pending = 0;
    paint_webcam_button();
    fx_click(50);
}

void release() {
    if (!fx.webcam_on) {
        webcam_snapshot();
        return;
    }
    if (!webcam_start()) {
        back_to_picture(texts().fx_no_webcam);
        return;
    }
    if (begin_fx_canvas(W_PREVIEW_CANVAS)) {
        set_drawing_mode(DRAW_SOLID);
        fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, PANEL_COLOUR);
        end_drawing();
    }
    fx_set_step(4);
}

}  // namespace

PreviewFit webcam_view_size() { return fit_preview(CAPTURE_WIDTH, CAPTURE_HEIGHT); }

bool webcam_start() {
    const PreviewFit size = webcam_view_size();
    return camera_start(in_window(fx_host().window), WEBCAM_VIEW_X, WEBCAM_VIEW_Y, size.width, size.height) ==
           CameraStart::Started;
}

void webcam_snapshot() {
    // A release with no live view (its press did not open one) takes nothing.
    if (!camera_live()) return;
    const bool taken = camera_take_frame(FxIncoming);
    webcam_stop();
    if (!taken) {
        free_image(FxIncoming);
        back_to_picture(texts().fx_no_webcam_picture);
        return;
    }
    fx_changed(FxIncoming);
    fx_reset_frame();
    fx_release_pictures();
    fx.frame_chosen = 0;
    fx_copy(FxIncoming, FxSource);
    free_image(FxIncoming);
    fx_copy(FxSource, FxUndo);
    fx_copy(FxSource, FxResult);
    fx_refresh_preview();
    fx.result_kind = EFFECT_WEBCAM;
    fx.pending = 0;
    fx_set_step(2);
    fx_show_info(fx_messages::WEBCAM_PICTURE_TAKEN);
}

void webcam_stop() { camera_stop(); }

void webcam_button_event(SubKind sub) {
    switch (sub) {
    case SubKind::PointerEnter:
        if (!fx.frame_chosen && !fx.crop_mode && !fx.pending) {
            set_pointer_shape(W_WEBCAM_BUTTON, PointerShape::Hand);
            if (!fx.webcam_on) fx_show_info(fx_messages::WEBCAM_CAPTURE);
            fx_paint_icon(W_WEBCAM_BUTTON, fx_host().icons.webcam_on);
        } else if (fx.crop_mode) {
            set_pointer_shape(W_WEBCAM_BUTTON, PointerShape::Forbidden);
        }
        break;
    case SubKind::PointerLeave: paint_webcam_button(); break;
    case SubKind::LeftButtonDown: press(); break;
    case SubKind::LeftButtonUp: release(); break;
    default: break;
    }
}

}  // namespace pixmold
