#include "fx/preview.h"

#include <algorithm>

#include "fx/shrink.h"
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

std::shared_ptr<const Bitmap> make_preview(const std::shared_ptr<const Bitmap>& picture, const PreviewFit& fit) {
    if (!picture) return nullptr;
    const PixelView from = picture->view();
    if (fit.width == from.width && fit.height == from.height) return picture;
    // A big picture is box-shrunk to about twice the preview size first: the
    // smooth resize then has a tenth of the pixels to read, and the preview
    // looks the same.
    const int factor = preview_shrink_factor(fit.ratio);
    if (factor == 1) return resize_bitmap(from, fit.width, fit.height, RESIZE_SMOOTH);
    BitmapPtr shrunk = allocate_bitmap_for_overwrite((from.width + factor - 1) / factor,
                                                           (from.height + factor - 1) / factor, from.depth);
    if (!shrunk) return nullptr;
    box_shrink(from, shrunk->view(), factor);
    if (shrunk->width == fit.width && shrunk->height == fit.height) return shrunk;
    return resize_bitmap(shrunk->view(), fit.width, fit.height, RESIZE_SMOOTH);
}

}  // namespace pixmold
