// A quick reduction of a big picture before it is fitted into the preview.
#pragma once

#include "image/image.h"

namespace pixmold {

// The factor to shrink a picture by, `ratio` times the preview size, before
// the smooth resize to the preview: what leaves at least twice the preview
// size; 1 for no shrinking.
int preview_shrink_factor(float ratio);

// Each pixel of `to` (ceil(width / factor) x ceil(height / factor), same
// depth as `from`) is the mean of a factor x factor block of `from`, fewer
// pixels at the right and bottom edges; every channel, alpha too.
void box_shrink(const PixelView& from, const PixelView& to, int factor);

}  // namespace pixmold
