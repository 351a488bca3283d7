// Fitting the picture into the preview canvas and drawing it there.
#include <string>

#include "core/texts.h"
#include "fx/editor.h"
#include "fx/panel.h"
#include "fx/shrink.h"
#include "fx/state.h"
#include "image/draw.h"
#include "image/resample.h"

namespace pixmold {

PreviewFit fit_preview(int picture_width, int picture_height) {
    PreviewFit fit{picture_width, picture_height, 1.0f};
    if (picture_width < 1 || picture_height < 1) return fit;
    const long long cw = PREVIEW_WIDTH, ch = PREVIEW_HEIGHT, w = picture_width, h = picture_height;
    if (h <= ch && w <= cw) return fit;
    if (cw * h <= w * ch) {  // relatively wider (ties too): fitted by width
        fit.width = int(cw);
        fit.height = int(h * cw / w);
        fit.ratio = float(double(w) / double(cw));
    } else {
        fit.width = int(w * ch / h);
        fit.height = int(ch);
        fit.ratio = float(double(h) / double(ch));
    }
    // A sliver of a picture still shows one row or column.
    fit.width = std::max(fit.width, 1);
    fit.height = std::max(fit.height, 1);
    return fit;
}

void fx_paint_preview() {
    if (!begin_fx_canvas(W_PREVIEW_CANVAS)) return;
    set_drawing_mode(DRAW_SOLID);
    fill_box(0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT, PANEL_COLOUR);
    draw_image(image_handle(FxPreview), 0, 0);
    end_drawing();
}

namespace {

// FxScaled: FxWorking resampled to the preview size. A picture many times
// the preview's size is first averaged down in blocks to about twice it:
// the smooth filter then has a tenth of the pixels to read, and the preview
// looks the same.
bool make_scaled(const PreviewFit& fit) {
    const PixelView working = image_pixels(FxWorking);
    if (!working) return false;
    if (fit.width == working.width && fit.height == working.height) return fx_copy(FxWorking, FxScaled);
    const int factor = preview_shrink_factor(fit.ratio);
    bool made = false;
    if (factor > 1) {
        made = create_image_for_overwrite(FxScaled, (working.width + factor - 1) / factor,
                                          (working.height + factor - 1) / factor, working.depth) != 0;
        if (made) box_shrink(working, image_pixels(FxScaled), factor);
        made = made && resize_image(FxScaled, fit.width, fit.height, RESIZE_SMOOTH) != 0;
    } else {
        made = create_image_for_overwrite(FxScaled, fit.width, fit.height, working.depth) != 0 &&
               resize_pixels(working, image_pixels(FxScaled), RESIZE_SMOOTH);
    }
    fx_changed(FxScaled);
    if (!made) free_image(FxScaled);
    return made;
}

}  // namespace

void fx_refresh_preview() {
    if (!fx_has(FxSource)) return;
    fx_copy(FxSource, FxWorking);
    fx_copy(FxWorking, FxResult);

    fx.picture_width = image_width(FxWorking);
    fx.picture_height = image_height(FxWorking);
    fx_status(texts().summary_relative_size + std::to_string(fx.picture_width) + " x " +
              std::to_string(fx.picture_height));

    const PreviewFit fit = fit_preview(fx.picture_width, fx.picture_height);
    fx.preview_width = fit.width;
    fx.preview_height = fit.height;
    fx.scale_ratio = fit.ratio;
    if (make_scaled(fit)) fx_copy(FxScaled, FxPreview);

    fx_paint_preview();
    free_image(FxScaled);
    if (!fx.crop_mode) fx.webcam_on = 0;
    fx_set_step(5);
}

}  // namespace pixmold
