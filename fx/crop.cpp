// The preview canvas: the crop frame drawn with the mouse, and its release
// into a pending real-size crop.
#include <algorithm>
#include <cmath>
#include <string>

#include "fx/editor.h"
#include "fx/handlers.h"
#include "fx/messages.h"
#include "fx/panel.h"
#include "fx/state.h"
#include "image/draw.h"

namespace pixmold {

namespace {

constexpr Colour FRAME_COLOUR = make_rgb(255, 69, 0);
constexpr Colour VEIL = make_rgba(255, 255, 255, 127);

void set_dragging(bool on) { set_widget_data(W_PREVIEW_CANVAS, on ? 1 : 0); }

void paint_frame() {
    if (!begin_fx_canvas(W_PREVIEW_CANVAS)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, PANEL_COLOUR);
    draw_image(image_handle(FxPreview), 0, 0);
    set_drawing_mode(DRAW_OUTLINE);
    fill_box(int(fx.frame_start_x), int(fx.frame_start_y), int(fx.frame_end_x - fx.frame_start_x),
             int(fx.frame_end_y - fx.frame_start_y), FRAME_COLOUR);
    end_drawing();
}

// The unveiled chosen part over a white veil, and the real-size crop placed
// in the corner opposite the frame.
void paint_crop_preview() {
    if (!begin_fx_canvas(W_PREVIEW_CANVAS)) return;
    set_drawing_mode(DRAW_ALPHA_BLEND);
    fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, VEIL);
    set_drawing_mode(DRAW_SOLID);
    draw_image(image_handle(FxPreviewCrop), int(fx.frame_start_x), int(fx.frame_start_y));
    draw_image(image_handle(FxResult), int(fx.crop_view_x), int(fx.crop_view_y));
    end_drawing();
}

void place_crop_view() {
    const std::int64_t cx = fx.frame_start_x + (fx.frame_end_x - fx.frame_start_x) / 2;
    const std::int64_t cy = fx.frame_start_y + (fx.frame_end_y - fx.frame_start_y) / 2;
    const int hw = PREVIEW_WIDTH / 2, hh = PREVIEW_HEIGHT / 2;
    const bool right = cx > hw, left = cx < hw, lower = cy > hh, upper = cy < hh;
    const std::int64_t far_x = PREVIEW_WIDTH - fx.real_width, far_y = PREVIEW_HEIGHT - fx.real_height;
    if (right && lower) {
        fx.crop_view_x = 0;
        fx.crop_view_y = 0;
    } else if (right && upper) {
        fx.crop_view_x = 0;
        fx.crop_view_y = far_y;
    } else if (left && lower) {
        fx.crop_view_x = far_x;
        fx.crop_view_y = 0;
    } else {
        fx.crop_view_x = far_x;
        fx.crop_view_y = far_y;
    }
}

void release_frame() {
    if (fx.frame_end_x < fx.frame_start_x) std::swap(fx.frame_end_x, fx.frame_start_x);
    if (fx.frame_end_y < fx.frame_start_y) std::swap(fx.frame_end_y, fx.frame_start_y);
    fx.frame_end_x = std::max<std::int64_t>(std::min<std::int64_t>(fx.frame_end_x, fx.preview_width), 1);
    fx.frame_end_y = std::max<std::int64_t>(std::min<std::int64_t>(fx.frame_end_y, fx.preview_height), 1);
    // A frame dragged past the top or left edge starts at the picture's
    // edge: beyond it there is nothing to crop.
    fx.frame_start_x = std::max<std::int64_t>(fx.frame_start_x, 0);
    fx.frame_start_y = std::max<std::int64_t>(fx.frame_start_y, 0);

    const double r = fx.scale_ratio;
    auto real = [r](std::int64_t v) { return std::int64_t(std::nearbyint(double(v) * r)); };
    fx.real_x1 = real(fx.frame_start_x);
    fx.real_y1 = real(fx.frame_start_y);
    fx.real_x2 = real(fx.frame_end_x);
    fx.real_y2 = real(fx.frame_end_y);
    fx.real_width = real(fx.frame_end_x - fx.frame_start_x);
    fx.real_height = real(fx.frame_end_y - fx.frame_start_y);
    // Rounding may reach one pixel past the picture's edge; the crop stays inside.
    fx.real_width = std::min<std::int64_t>(fx.real_width, fx.picture_width - fx.real_x1);
    fx.real_height = std::min<std::int64_t>(fx.real_height, fx.picture_height - fx.real_y1);
    fx_status(std::string(fx_messages::FRAME_SIZE) + std::to_string(fx.real_width) + " x " +
              std::to_string(fx.real_height) + " px");
    if (!fx.frame_drawn) return;
    set_pointer_shape(W_COMMAND_BAR, PointerShape::Hand);

    if (fx.real_width < 1 || fx.real_height < 1) {
        fx.frame_drawn = 0;
        fx.pending = 0;
        fx_set_step(7);
        fx_paint_preview();
        return;
    }
    if (!grab_image(FxSource, FxResult, int(fx.real_x1), int(fx.real_y1), int(fx.real_width), int(fx.real_height)))
        return;
    fx_changed(FxResult);
    if (!grab_image(FxPreview, FxPreviewCrop, int(fx.frame_start_x), int(fx.frame_start_y),
                    int(fx.frame_end_x - fx.frame_start_x), int(fx.frame_end_y - fx.frame_start_y)))
        return;
    fx_changed(FxPreviewCrop);
    place_crop_view();
    if (fx.real_width < fx.preview_width && fx.real_height < fx.preview_height)
        paint_crop_preview();
    else
        fx_status(fx_messages::FRAME_WITHOUT_PREVIEW);
    fx.pending = 1;
    fx_set_step(5);
    fx.current_effect = EFFECT_CROP;
    fx.result_kind = EFFECT_CROP;
    fx.frame_chosen = 1;
}

}  // namespace

void preview_event(SubKind sub, int x, int y) {
    if (!fx_has(FxSource)) {
        set_pointer_shape(W_PREVIEW_CANVAS, PointerShape::Forbidden);
        return;
    }
    switch (sub) {
    case SubKind::PointerEnter:
    case SubKind::FocusGained:
        set_pointer_shape(W_PREVIEW_CANVAS, fx.crop_mode ? PointerShape::Cross : PointerShape::Forbidden);
        break;
    case SubKind::LeftButtonDown:
        set_dragging(fx.crop_mode);
        if (fx.crop_mode) {
            fx.frame_start_x = x;
            fx.frame_start_y = y;
        }
        fx.frame_drawn = 0;
        break;
    case SubKind::PointerMove:
        if (!fx.crop_mode || !fx_dragging()) break;
        fx.frame_end_x = x;
        fx.frame_end_y = y;
        if (fx.frame_end_x == fx.frame_start_x && fx.frame_end_y == fx.frame_start_y) {
            fx.frame_drawn = 0;
            break;
        }
        fx.frame_drawn = 1;
        paint_frame();
        break;
    case SubKind::RightButtonDown:
        if (!fx.frame_drawn) break;
        fx.frame_drawn = 0;
        fx_refresh_preview();
        fx.pending = 0;
        fx_set_step(7);
        break;
    case SubKind::LeftButtonUp:
        set_dragging(false);
        release_frame();
        break;
    default:
        break;
    }
}

}  // namespace pixmold
