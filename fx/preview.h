// The preview of the picture being edited: its size in the preview canvas
// and its pixels. The panel shows what this makes.
#pragma once

#include <memory>

#include "image/bitmap.h"

namespace pixmold {

// The preview canvas the picture is fitted into (469 - 6 by 580 - 3 x 39 - 30).
inline constexpr int PREVIEW_WIDTH = 463;
inline constexpr int PREVIEW_HEIGHT = 433;

// The preview fitted into the canvas, top-left anchored.
struct PreviewFit {
    int width = 0;
    int height = 0;
    float ratio = 1.0f;  // source pixels per preview pixel
};
PreviewFit fit_preview(int picture_width, int picture_height);

// `picture` at the fitted size, smoothly resampled: the picture itself when
// it fits as it is; null when there is no memory.
std::shared_ptr<const Bitmap> make_preview(const std::shared_ptr<const Bitmap>& picture, const PreviewFit& fit);

}  // namespace pixmold
