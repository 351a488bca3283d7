// The webcam button and the snapshot it takes. The frame is handed over
// directly, and replaces the picture being edited only once it is there.
#include "fx/webcam.h"

#include <cstring>

#include "core/texts.h"
#include "fx/editor_panel.h"
#include "fx/messages.h"
#include "image/draw.h"
#include "toolkit/camera.h"
#include "toolkit/toolkit.h"

namespace pixmold {

namespace {

constexpr int CAPTURE_WIDTH = 640;
constexpr int CAPTURE_HEIGHT = 480;

// The crop and effect buttons give way to the live view.
void show_tool_buttons(EditorPanel& p, bool visible) {
    p.show_effect_buttons(visible);
    show_widget(W_CROP_BUTTON, visible);
}

// The editor as it was before the live view, the picture being edited shown
// again, and `message` in the info panel.
void back_to_picture(EditorPanel& p, const std::string& message) {
    webcam_stop();
    p.editor.webcam_back();
    show_tool_buttons(p, true);
    p.paint_webcam_button();
    p.paint_preview();
    p.show_info(message);
    p.show_step();
}

// The camera's newest frame, which it hands over as a stored picture.
Picture take_frame() {
    Picture frame;
    if (camera_take_frame(WEBCAM_FRAME)) {
        const PixelView v = image_pixels(WEBCAM_FRAME);
        BitmapPtr bitmap = allocate_bitmap(v.width, v.height, v.depth, false);
        if (bitmap) std::memcpy(bitmap->pixels, v.pixels, bitmap->byte_size());
        frame = make_picture(std::move(bitmap), is_image(WEBCAM_FRAME)->source_depth);
    }
    free_image(WEBCAM_FRAME);
    return frame;
}

void snapshot(EditorPanel& p) {
    // A release with no live view (its press did not open one) takes nothing.
    if (!camera_live()) return;
    Picture frame = take_frame();
    webcam_stop();
    if (!frame) {
        back_to_picture(p, texts().fx_no_webcam_picture);
        return;
    }
    p.editor.snapshot(std::move(frame));
    p.show_refreshed();
    p.show_step();
    p.show_info(fx_messages::WEBCAM_PICTURE_TAKEN);
}

void press(EditorPanel& p) {
    set_pointer_shape(W_WEBCAM_BUTTON, PointerShape::Hand);
    const bool was_on = p.editor.webcam_on();
    if (!p.editor.press_webcam()) return;
    p.show_info(was_on ? fx_messages::WEBCAM_SWITCHED_OFF : fx_messages::WEBCAM_SWITCHED_ON);
    show_tool_buttons(p, was_on);
    p.paint_webcam_button();
    p.click(50);
}

void release(EditorPanel& p) {
    if (!p.editor.webcam_on()) {
        snapshot(p);
        return;
    }
    if (!webcam_start()) {
        back_to_picture(p, texts().fx_no_webcam);
        return;
    }
    if (begin_fx_canvas(W_PREVIEW_CANVAS)) {
        set_drawing_mode(DRAW_SOLID);
        fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, PANEL_COLOUR);
        end_drawing();
    }
    p.editor.webcam_started();
    p.show_step();
}

}  // namespace

PreviewFit webcam_view_size() { return fit_preview(CAPTURE_WIDTH, CAPTURE_HEIGHT); }

bool webcam_start() {
    const PreviewFit size = webcam_view_size();
    return camera_start(in_window(fx_host().window), WEBCAM_VIEW_X, WEBCAM_VIEW_Y, size.width, size.height) ==
           CameraStart::Started;
}

void webcam_stop() { camera_stop(); }

void EditorPanel::webcam_button_event(SubKind sub) {
    switch (sub) {
    case SubKind::PointerEnter:
        if (!editor.crop_mode() && !editor.pending()) {
            set_pointer_shape(W_WEBCAM_BUTTON, PointerShape::Hand);
            if (!editor.webcam_on()) show_info(fx_messages::WEBCAM_CAPTURE);
            paint_icon(W_WEBCAM_BUTTON, host.icons.webcam_on);
        } else if (editor.crop_mode()) {
            set_pointer_shape(W_WEBCAM_BUTTON, PointerShape::Forbidden);
        }
        break;
    case SubKind::PointerLeave: paint_webcam_button(); break;
    case SubKind::LeftButtonDown: press(*this); break;
    case SubKind::LeftButtonUp: release(*this); break;
    default: break;
    }
}

}  // namespace pixmold
