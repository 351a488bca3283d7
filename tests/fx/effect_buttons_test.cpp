// The four effects through their buttons: the result waits, Apply keeps it,
// Cancel brings back the picture as it was.
#include <algorithm>

#include "fx/fx.h"
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
        original = bytes_of(editor().picture().view());
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
    const PixelView v = editor().picture().view();
    EXPECT_EQ(pixel(v, 0, 0), (Rgb{85, 85, 85}));
    EXPECT_EQ(pixel(v, 1, 5), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixel(v, 2, 19), (Rgb{255, 255, 255}));
    EXPECT_EQ(bytes_of(editor().result().view()), bytes_of(editor().picture().view()));
    EXPECT_EQ(bytes_of(editor().undo().view()), original);
    EXPECT_TRUE(editor().pending());
    EXPECT_EQ(tool_name(editor().result_tool()), "black_white");
    EXPECT_EQ(editor().step(), Step::Pending);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), (Rgb{85, 85, 85}));

    // While it waits, no other effect starts.
    simulate_pointer(W_SEPIA_BUTTON, SubKind::PointerEnter, 10, 10);
    pump();
    EXPECT_EQ(pointer_shape(W_SEPIA_BUTTON), PointerShape::Forbidden);
    EXPECT_EQ(fx_info_text(), "");
    click(W_SEPIA_BUTTON);
    EXPECT_EQ(fx_info_text(), "Please validate first");
    EXPECT_EQ(pixel(editor().picture().view(), 0, 0), (Rgb{85, 85, 85}));

    command(Command::Cancel);
    EXPECT_EQ(bytes_of(editor().picture().view()), original);
    EXPECT_FALSE(editor().pending());
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), (Rgb{255, 0, 0}));
}

TEST_F(EffectButtons, OptimisedBlackAndWhiteThenApply) {
    start_with(swatch);
    click(W_BW_OPTIMISED_BUTTON);
    command(Command::Apply);
    const PixelView v = editor().picture().view();
    EXPECT_EQ(pixel(v, 0, 0), (Rgb{76, 76, 76}));
    EXPECT_EQ(pixel(v, 2, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(v, 3, 0), (Rgb{28, 28, 28}));
    EXPECT_FALSE(bool(editor().undo()));
    EXPECT_EQ(editor().step(), Step::Applied);
    EXPECT_EQ(tool_name(editor().tool()), "optimised_black_white");
    // Nothing to cancel after Apply: the kept picture stays.
    click(W_BW_BUTTON);
    command(Command::Cancel);
    EXPECT_EQ(pixel(editor().picture().view(), 0, 0), (Rgb{76, 76, 76}));
}

TEST_F(EffectButtons, SepiaOfBlack) {
    start_with([](int, int) { return Rgb{0, 0, 0}; }, 40, 30);
    click(W_SEPIA_BUTTON);
    const PixelView v = editor().picture().view();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(pixel(v, x, y), (Rgb{51, 31, 1}));
    EXPECT_EQ(tool_name(editor().result_tool()), "sepia");
}

TEST_F(EffectButtons, BorderInTheChosenColour) {
    start_with(gradient, 1000, 600);
    simulate_pointer(W_BORDER_BUTTON, SubKind::PointerEnter, 10, 10);
    pump();
    EXPECT_EQ(fx_info_text(), "Add a border");
    dialogs.answer_colour(make_rgb(0, 128, 255));
    click(W_BORDER_BUTTON);
    ASSERT_EQ(dialogs.requests().back().kind, DialogKind::Colour);
    const PixelView v = editor().picture().view();
    ASSERT_EQ(v.width, 1000);
    ASSERT_EQ(v.height, 600);
    for (auto [x, y] : {std::pair{0, 0}, {14, 14}, {985, 300}, {300, 585}, {999, 599}})
        EXPECT_EQ(pixel(v, x, y), (Rgb{0, 128, 255})) << x << "," << y;
    make_picture(900, 1000, 600, gradient);
    resize_image(900, 970, 570);
    EXPECT_EQ(pixel(v, 15, 15), pixel(image_pixels(900), 0, 0));
    EXPECT_EQ(pixel(v, 984, 584), pixel(image_pixels(900), 969, 569));
    free_image(900);
    EXPECT_TRUE(editor().pending());
    EXPECT_EQ(tool_name(editor().result_tool()), "border");
    command(Command::Cancel);
    EXPECT_EQ(bytes_of(editor().picture().view()), original);
}

TEST_F(EffectButtons, BorderCancelledInTheColourChooserChangesNothing) {
    start_with(gradient, 100, 60);
    click(W_BORDER_BUTTON);  // the chooser answers "cancelled"
    EXPECT_EQ(status(), "Cancel");
    EXPECT_FALSE(editor().pending());
    EXPECT_EQ(editor().step(), Step::Start);
    EXPECT_EQ(bytes_of(editor().picture().view()), original);
}

TEST_F(EffectButtons, ANarrowPictureGetsAnInvisibleBorderButWaits) {
    start_with(gradient, 30, 40);
    dialogs.answer_colour(make_rgb(255, 0, 0));
    click(W_BORDER_BUTTON);
    EXPECT_EQ(bytes_of(editor().picture().view()), original);
    EXPECT_TRUE(editor().pending());
    EXPECT_EQ(editor().step(), Step::Pending);
}

TEST_F(EffectButtons, ApplyThenSaveWritesWhatIsShown) {
    start_with(gradient, 300, 200);
    click(W_SEPIA_BUTTON);
    command(Command::Apply);
    const auto shown = bytes_of(editor().picture().view());
    dialogs.answer_file(dir.file("aged"), 1);
    command(Command::Save);
    ASSERT_TRUE(load_image(900, dir.file("aged.png")));
    EXPECT_EQ(bytes_of(900), shown);
    free_image(900);
    // The preview is the saved picture, scaled (here: as it is).
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 150, 100), pixel(editor().picture().view(), 150, 100));
}

// An effect is one entry of the table: a panel built with a fifth one gives
// it a button after the others, in Tab order, with its name and icons, and
// the same wait for Apply or Cancel as every effect.
TEST_F(EffectButtons, AnEffectIsOneEntryOfTheTable) {
    static const std::vector<Effect> effects = [] {
        std::vector<Effect> e(standard_effects().begin(), standard_effects().end());
        e.push_back({"invert", "fx_sepia.png", "fx_sepia_hot.png", &InterfaceTexts::name_fx_preview,
                     [](const PixelView&, const PixelView& to, Colour) {
                         for (int y = 0; y < to.height; ++y)
                             for (int x = 0; x < to.width * 3; ++x) to.row_from_top(y)[x] ^= 0xFF;
                         return true;
                     },
                     false});
        return e;
    }();
    start_with(gradient, 60, 40);
    ASSERT_TRUE(fx_build_panel(W_FX_PANEL, effects));
    const int invert = effect_button(4);
    EXPECT_EQ(widget_x(invert), 200);
    EXPECT_EQ(widget_y(invert), 1);
    EXPECT_EQ(widget_width(invert), 39);
    const std::vector<int> order = fx_tab_order();
    EXPECT_EQ(std::find(order.begin(), order.end(), invert) + 1, std::find(order.begin(), order.end(), W_WEBCAM_BUTTON));
    EXPECT_EQ(canvas_pixel(invert, 20, 20), canvas_pixel(W_SEPIA_BUTTON, 20, 20));  // its icon

    load(picture("a.png", 60, 40));
    simulate_pointer(invert, SubKind::PointerEnter, 10, 10);
    pump();
    EXPECT_EQ(fx_info_text(), texts().name_fx_preview);
    click(invert);
    const Rgb g = gradient(7, 3);
    EXPECT_EQ(pixel(editor().picture().view(), 7, 3), (Rgb{255 - g.r, 255 - g.g, 255 - g.b}));
    EXPECT_EQ(tool_name(editor().result_tool()), "invert");
    EXPECT_EQ(editor().step(), Step::Pending);
    command(Command::Cancel);
    EXPECT_EQ(pixel(editor().picture().view(), 7, 3), g);
    click(invert);
    command(Command::Apply);
    EXPECT_EQ(pixel(editor().picture().view(), 7, 3), (Rgb{255 - g.r, 255 - g.g, 255 - g.b}));
}

}  // namespace
}  // namespace pixmold
