// The four effects through their buttons: the result waits, Apply keeps it,
// Cancel brings back the picture as it was.
#include "image/colour.h"
#include "image/resample.h"
#include "panel_fixture.h"

namespace pixmold {
namespace {

using namespace test;

// A row of known colours, repeated down 20 rows.
Rgb swatch(int x, int) {
    static const Rgb colours[] = {{255, 0, 0}, {1, 1, 0}, {255, 255, 255}, {0, 0, 255}, {0, 0, 0}};
    return colours[x % 5];
}

class EffectButtons : public FxPanel {
protected:
    void start_with(const std::function<Rgb(int, int)>& colour, int width = 50, int height = 20) {
        start();
        load(picture("swatch.png", width, height, colour));
        original = bytes_of(FxSource);
    }
    std::vector<std::uint8_t> original;
};

TEST_F(EffectButtons, BlackAndWhiteWaitsForApplyOrCancel) {
    start_with(swatch);
    simulate_pointer(W_BW_BUTTON, SubKind::PointerEnter, 10, 10);
    pump();
    EXPECT_EQ(fx_info_text(), "Black and white");
    EXPECT_EQ(pointer_shape(W_BW_BUTTON), PointerShape::Hand);
    click(W_BW_BUTTON);
    const PixelView v = image_pixels(FxSource);
    EXPECT_EQ(pixel(v, 0, 0), (Rgb{85, 85, 85}));
    EXPECT_EQ(pixel(v, 1, 5), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixel(v, 2, 19), (Rgb{255, 255, 255}));
    EXPECT_EQ(bytes_of(FxResult), bytes_of(FxSource));
    EXPECT_EQ(bytes_of(FxUndo), original);
    EXPECT_EQ(fx.pending, 1);
    EXPECT_EQ(fx.result_kind, EFFECT_BLACK_WHITE);
    EXPECT_EQ(fx.step, 5);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), (Rgb{85, 85, 85}));

    // While it waits, no other effect starts.
    simulate_pointer(W_SEPIA_BUTTON, SubKind::PointerEnter, 10, 10);
    pump();
    EXPECT_EQ(pointer_shape(W_SEPIA_BUTTON), PointerShape::Forbidden);
    EXPECT_EQ(fx_info_text(), "");
    click(W_SEPIA_BUTTON);
    EXPECT_EQ(fx_info_text(), "Please validate first");
    EXPECT_EQ(pixel(image_pixels(FxSource), 0, 0), (Rgb{85, 85, 85}));

    command(FX_CANCEL);
    EXPECT_EQ(bytes_of(FxSource), original);
    EXPECT_EQ(fx.pending, 0);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), (Rgb{255, 0, 0}));
}

TEST_F(EffectButtons, OptimisedBlackAndWhiteThenApply) {
    start_with(swatch);
    click(W_BW_OPTIMISED_BUTTON);
    command(FX_APPLY);
    const PixelView v = image_pixels(FxSource);
    EXPECT_EQ(pixel(v, 0, 0), (Rgb{76, 76, 76}));
    EXPECT_EQ(pixel(v, 2, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(v, 3, 0), (Rgb{28, 28, 28}));
    EXPECT_FALSE(fx_has(FxUndo));
    EXPECT_EQ(fx.step, 1);
    EXPECT_EQ(fx.current_effect, EFFECT_OPTIMISED);
    // Nothing to cancel after Apply: the kept picture stays.
    click(W_BW_BUTTON);
    command(FX_CANCEL);
    EXPECT_EQ(pixel(image_pixels(FxSource), 0, 0), (Rgb{76, 76, 76}));
}

TEST_F(EffectButtons, SepiaOfBlack) {
    start_with([](int, int) { return Rgb{0, 0, 0}; }, 40, 30);
    click(W_SEPIA_BUTTON);
    const PixelView v = image_pixels(FxSource);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(pixel(v, x, y), (Rgb{51, 31, 1}));
    EXPECT_EQ(fx.result_kind, EFFECT_SEPIA);
}

TEST_F(EffectButtons, BorderInTheChosenColour) {
    start_with(gradient, 1000, 600);
    simulate_pointer(W_BORDER_BUTTON, SubKind::PointerEnter, 10, 10);
    pump();
    EXPECT_EQ(fx_info_text(), "Add a border");
    dialogs.answer_colour(make_rgb(0, 128, 255));
    click(W_BORDER_BUTTON);
    ASSERT_EQ(dialogs.requests().back().kind, DialogKind::Colour);
    const PixelView v = image_pixels(FxSource);
    ASSERT_EQ(v.width, 1000);
    ASSERT_EQ(v.height, 600);
    for (auto [x, y] : {std::pair{0, 0}, {14, 14}, {985, 300}, {300, 585}, {999, 599}})
        EXPECT_EQ(pixel(v, x, y), (Rgb{0, 128, 255})) << x << "," << y;
    make_picture(900, 1000, 600, gradient);
    resize_image(900, 970, 570);
    EXPECT_EQ(pixel(v, 15, 15), pixel(image_pixels(900), 0, 0));
    EXPECT_EQ(pixel(v, 984, 584), pixel(image_pixels(900), 969, 569));
    free_image(900);
    EXPECT_EQ(fx.pending, 1);
    EXPECT_EQ(fx.result_kind, EFFECT_BORDER);
    command(FX_CANCEL);
    EXPECT_EQ(bytes_of(FxSource), original);
}

TEST_F(EffectButtons, BorderCancelledInTheColourChooserChangesNothing) {
    start_with(gradient, 100, 60);
    click(W_BORDER_BUTTON);  // the chooser answers "cancelled"
    EXPECT_EQ(status(), "Cancel");
    EXPECT_EQ(fx.pending, 0);
    EXPECT_EQ(fx.step, 0);
    EXPECT_EQ(bytes_of(FxSource), original);
}

TEST_F(EffectButtons, ANarrowPictureGetsAnInvisibleBorderButWaits) {
    start_with(gradient, 30, 40);
    dialogs.answer_colour(make_rgb(255, 0, 0));
    click(W_BORDER_BUTTON);
    EXPECT_EQ(bytes_of(FxSource), original);
    EXPECT_EQ(fx.pending, 1);
    EXPECT_EQ(fx.step, 5);
}

TEST_F(EffectButtons, ApplyThenSaveWritesWhatIsShown) {
    start_with(gradient, 300, 200);
    click(W_SEPIA_BUTTON);
    command(FX_APPLY);
    const auto shown = bytes_of(FxSource);
    dialogs.answer_file(dir.file("aged"), 1);
    command(FX_SAVE);
    ASSERT_TRUE(load_image(900, dir.file("aged.png")));
    EXPECT_EQ(bytes_of(900), shown);
    free_image(900);
    // The preview is the saved picture, scaled (here: as it is).
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 150, 100), pixel(image_pixels(FxSource), 150, 100));
}

}  // namespace
}  // namespace pixmold
