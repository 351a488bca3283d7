#include "fx/effect_table.h"

#include "fx/effects.h"

namespace pixmold {

namespace {

// The sepia's colour offsets: red and green added after the darkening.
constexpr int SEPIA_RED_OFFSET = 50;
constexpr int SEPIA_GREEN_OFFSET = 30;

constexpr Effect EFFECTS[] = {
    {"black_white", "fx_bw.png", "fx_bw_hot.png", &InterfaceTexts::fx_black_white,
     [](const PixelView&, const PixelView& to, Colour) { return black_and_white(to), true; }, false},
    {"optimised_black_white", "fx_bw_optimised.png", "fx_bw_optimised_hot.png",
     &InterfaceTexts::fx_black_white_optimised,
     [](const PixelView&, const PixelView& to, Colour) { return optimised_black_and_white(to), true; }, false},
    {"sepia", "fx_sepia.png", "fx_sepia_hot.png", &InterfaceTexts::fx_sepia,
     [](const PixelView&, const PixelView& to, Colour) {
         return sepia(to, SEPIA_RED_OFFSET, SEPIA_GREEN_OFFSET, effect_random()), true;
     },
     false},
    {"border", "fx_border.png", "fx_border_hot.png", &InterfaceTexts::fx_border,
     [](const PixelView& from, const PixelView& to, Colour colour) {
         return add_border(from, to, border_thickness(from.width, from.height), colour);
     },
     true},
};

}  // namespace

std::span<const Effect> standard_effects() { return EFFECTS; }

const Effect* find_effect(std::span<const Effect> effects, std::string_view name) {
    for (const Effect& e : effects)
        if (name == e.name) return &e;
    return nullptr;
}

Picture run_effect(const Effect& effect, const Picture& picture, Colour colour) {
    if (!picture) return {};
    BitmapPtr made = copy_bitmap(*picture.bitmap);
    if (!made || !effect.apply(picture.view(), made->view(), colour)) return {};
    return make_picture(std::move(made), picture.source_depth);
}

}  // namespace pixmold
