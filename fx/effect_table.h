// The picture effects the editor offers, one button each, in button order.
// An effect is its entry here, its pixel function (fx/effects.h), its two
// icons among the program's pictures and its name in the interface texts.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/texts.h"
#include "fx/picture.h"
#include "image/colour.h"

namespace pixmold {

struct Effect {
    const char* name;              // how tools and tests refer to it
    const char* icon;              // the button's picture (a file of the program's pictures)
    const char* icon_highlighted;  // the same under the pointer
    std::string InterfaceTexts::*label;  // what the button is called, in the info panel and to screen readers
    // Makes the effect in `to`, which comes holding a copy of `from` (the
    // same size and depth); `colour` is the one chosen when the effect asks
    // for one. False when it could not.
    bool (*apply)(const PixelView& from, const PixelView& to, Colour colour);
    bool asks_colour;  // a colour is chosen in the colour dialog first
};

// Black and white, optimised black and white, sepia, border.
std::span<const Effect> standard_effects();

// The effect of that name in `effects`; null when there is none.
const Effect* find_effect(std::span<const Effect> effects, std::string_view name);

// The effect made on `picture` as a new picture of the same size, depth and
// source depth; empty when it could not be made.
Picture run_effect(const Effect& effect, const Picture& picture, Colour colour);

}  // namespace pixmold
