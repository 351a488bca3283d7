// Turning and mirroring pixels so a picture appears as its EXIF orientation
// says it should be shown.
#pragma once

#include "image/image.h"

namespace pixmold {

// Orientations 5..8 swap the sides.
inline bool orientation_swaps_sides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Writes `src` into `dst` as shown for EXIF orientation 1..8:
//   1 as stored, 2 mirrored left-right, 3 turned 180°, 4 mirrored top-bottom,
//   5 transposed, 6 turned 90° clockwise, 7 transversed, 8 turned 90°
//   counter-clockwise.
// Both views must have the same depth (24 or 32) and `dst` the shown size
// (sides swapped for 5..8). Returns false, touching nothing, otherwise.
bool orient_pixels(const PixelView& src, const PixelView& dst, int orientation);

}  // namespace pixmold
