// Painting of the main window's canvas controls through the drawing layer.
#pragma once

#include "image/draw.h"

namespace pixmold {

// The drawing layer's counterpart of interface font 1 to 6: same face and size.
FontSpec drawing_font(int font);

// Width of "JPG" in font 1: places the PNG half of the format selector.
int jpg_text_width();

// Pictures 23, 24 and 25 (FORMAT_WIDTH x 20): the three format markers,
// the chosen one (JPG, PNG or WEBP) with a green mark. Made once at start-up.
bool draw_format_pictures();

void paint_format_selector();                // picture 23, 24 or 25 by TYPE
void paint_quality_slider(int quality);      // eleven cells, the chosen one bold
void paint_always_on_top_switch();           // label and on/off picture by VISIBLE
void paint_fx_button(bool pointer_over);     // picture 15 or 14

// Makes the four canvases above controls that the keyboard works and
// screen readers read (after they exist and draw_format_pictures ran);
// the paint functions keep their state in line with what they draw.
void make_canvas_controls();

}  // namespace pixmold
