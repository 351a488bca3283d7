// Pixmold drawing layer: paints straight into pixel memory.
//
// A thread draws on one target at a time:
//   if (begin_drawing(image_target(n))) { fill_box(...); ...; end_drawing(); }
// Coordinates count from the top-left pixel of the target. Rectangles and
// blits are clipped to the target; get_pixel and set_pixel outside it read 0
// and write nothing.
//
// Text (draw_text, text_width, text_height) lives in image/text.h, in the
// separate pixmold_image_text library, so this one stays free of any GUI
// toolkit.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "image/colour.h"
#include "image/image.h"

namespace pixmold {

// Drawing mode flags, combined by addition.
inline constexpr int DRAW_SOLID = 0;
inline constexpr int DRAW_TRANSPARENT_TEXT = 1;
inline constexpr int DRAW_OUTLINE = 4;
inline constexpr int DRAW_ALPHA_BLEND = 16;

// A font for text: a face name, a size in pixels (pixel_size > 0) or in
// points, and a style. An empty face means the toolkit's default face.
struct FontSpec {
    std::string face;
    int pixel_size = 0;
    double points = 9.0;
    bool bold = false;
    bool italic = false;
};

// Something to draw on: a stored picture, or a canvas (a 24-bit picture in
// the engine's layout owned by someone else, repainted by end_drawing).
struct DrawingTarget {
    ImageId image = 0;                 // used when `canvas` is empty
    std::optional<PixelView> canvas;   // canvas pixels
    std::function<void()> repaint;     // canvas: called by end_drawing
};

// Kept for the start-up sequence; the per-thread surface needs no set-up.
void init_drawing();

// A target for picture `number`; none if it holds no bitmap (or an icon).
std::optional<DrawingTarget> image_target(ImageId number);
// A target for canvas pixels (24-bit, bottom-up); none for a bad view.
std::optional<DrawingTarget> canvas_target(const PixelView& pixels, std::function<void()> repaint);

// Makes the target current for this thread (ending any current one first).
// Returns 0, with nothing current, when there is no target or its picture
// is gone.
int begin_drawing(const std::optional<DrawingTarget>& target);
// Finishes the current target (a canvas repaints) and releases it.
void end_drawing();
// True while this thread has a current target.
bool drawing_active();

void set_drawing_mode(int mode);
int drawing_mode();
// Font for draw_text, text_width and text_height on the current target.
void set_font(const FontSpec& font);

// Rectangle in the current mode. A negative width moves x left by it and
// makes it positive; the same for the height.
void fill_box(int x, int y, int width, int height, Colour colour);
// The same with elliptic corners; each radius is limited to half the size.
void fill_rounded_box(int x, int y, int width, int height, int radius_x, int radius_y, Colour colour);

// Copies a picture's colours with its top-left corner at (x, y); the target
// keeps its alpha. The scaled form resamples the picture to width x height
// first. A null or unknown handle draws nothing.
void draw_image(ImageHandle image, int x, int y);
void draw_image(ImageHandle image, int x, int y, int width, int height);
// Composites a picture by its alpha channel (32-bit) times `opacity`; a
// 24-bit picture is weighed by the opacity alone. Icons are ignored.
void draw_image_blended(ImageHandle image, int x, int y, int opacity = 255);
// The same for pixels held outside the store (a Bitmap's view, a canvas).
void draw_pixels(const PixelView& pixels, int x, int y);
void draw_pixels_blended(const PixelView& pixels, int x, int y, int opacity = 255);

// Reads one pixel: blue * 65536 + green * 256 + red; in alpha-blend mode on
// a 32-bit target also the alpha byte in bits 24-31.
Colour get_pixel(int x, int y);
// Writes one pixel in the current mode (solid: colour bytes, the alpha byte
// of a 32-bit target stays; alpha blend: weighed by the colour's alpha).
void set_pixel(int x, int y, Colour colour);

}  // namespace pixmold
