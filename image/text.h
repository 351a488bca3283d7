// Text on the current drawing target (see image/draw.h), in the font set by
// set_font. Glyphs are rasterised by the toolkit's font engine, so this part
// lives in its own library, pixmold_image_text, and needs a running GUI
// application object; without one nothing is drawn and sizes are 0.
#pragma once

#include <string>

#include "image/colour.h"

namespace pixmold {

// Draws UTF-8 `text` with its cell's top-left corner at (x, y) in the front
// colour, anti-aliased. In solid mode the cell (text_width x text_height) is
// first filled with the back colour; a negative back colour (such as
// 0xFF000000 of the short form) fills nothing. In transparent-text mode only
// the glyphs are drawn. Returns x + text_width(text); an empty text draws
// nothing and returns x.
int draw_text(int x, int y, const std::string& text, Colour front, Colour back);
int draw_text(int x, int y, const std::string& text, Colour front);

// Size of the text's cell in the current font, in pixels.
int text_width(const std::string& text);
int text_height(const std::string& text);

}  // namespace pixmold
