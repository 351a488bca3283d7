// The panel's layout, the fitted preview and the command bar's steps.
#include <fnmatch.h>

#include "panel_fixture.h"

namespace pixmold {
namespace {

using namespace test;

constexpr Rgb BACKGROUND{214, 223, 254};
constexpr Rgb ON_TOP{0, 221, 0}, ON_BOTTOM{0, 187, 0}, OFF_TOP{255, 0, 0}, OFF_BOTTOM{204, 0, 0};

// The four buttons' colours as the command bar shows them.
std::vector<bool> bar_shows_enabled() {
    std::vector<bool> on;
    for (const CommandButton& b : fx_command_buttons()) {
        const Rgb top = pixel(canvas_pixels(W_COMMAND_BAR), b.x + 5, b.y + 3);
        const Rgb bottom = pixel(canvas_pixels(W_COMMAND_BAR), b.x + 5, b.y + b.height - 3);
        EXPECT_TRUE((top == ON_TOP && bottom == ON_BOTTOM) || (top == OFF_TOP && bottom == OFF_BOTTOM)) << top;
        on.push_back(top == ON_TOP);
        EXPECT_EQ(bool(b.enabled), top == ON_TOP);
    }
    return on;
}

using Flags = std::vector<bool>;

TEST_F(FxPanel, WidgetsSitAtTheirPlacesInThePanel) {
    start();
    EXPECT_EQ(window_width(MAIN_WINDOW), 750);
    EXPECT_EQ(widget_x(W_FX_PANEL), 282);
    EXPECT_EQ(widget_y(W_FX_PANEL), 1);
    EXPECT_EQ(widget_width(W_FX_PANEL), 467);
    EXPECT_EQ(widget_height(W_FX_PANEL), 578);
    struct Place {
        int widget, x, y, width, height;
    };
    for (const Place& p : {Place{W_CROP_BUTTON, 0, 1, 39, 39}, Place{W_BW_BUTTON, 40, 1, 39, 39},
                           Place{W_BW_OPTIMISED_BUTTON, 80, 1, 39, 39}, Place{W_SEPIA_BUTTON, 120, 1, 39, 39},
                           Place{W_BORDER_BUTTON, 160, 1, 39, 39}, Place{W_WEBCAM_BUTTON, 240, 1, 39, 39},
                           Place{W_FX_INFO_PANEL, 281, 1, 184, 39}, Place{W_PREVIEW_CANVAS, 1, 60, 463, 433},
                           Place{W_COMMAND_BAR, 1, 496, 463, 79}}) {
        EXPECT_EQ(widget_x(p.widget), p.x) << p.widget;
        EXPECT_EQ(widget_y(p.widget), p.y) << p.widget;
        EXPECT_EQ(widget_width(p.widget), p.width) << p.widget;
        EXPECT_EQ(widget_height(p.widget), p.height) << p.widget;
    }
    // The command table: Load across, the second row in thirds one pixel apart.
    const int xs[4] = {0, 0, 154, 310}, ys[4] = {0, 40, 40, 40}, ws[4] = {463, 153, 155, 153};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(fx_command_buttons()[std::size_t(i)].x, xs[i]);
        EXPECT_EQ(fx_command_buttons()[std::size_t(i)].y, ys[i]);
        EXPECT_EQ(fx_command_buttons()[std::size_t(i)].width, ws[i]);
        EXPECT_EQ(fx_command_buttons()[std::size_t(i)].height, 39);
        EXPECT_EQ(fx_command_buttons()[std::size_t(i)].outline_colour, 0);
    }
}

TEST_F(FxPanel, StartsEmptyWithOnlyLoadOn) {
    start("FR");
    EXPECT_EQ(fx_info_text(), "Chargez une image");
    EXPECT_EQ(canvas_pixel(W_FX_INFO_PANEL, 0, 0), (Rgb{255, 0, 0}));  // red edge, black inside
    EXPECT_EQ(canvas_pixel(W_FX_INFO_PANEL, 3, 20), (Rgb{0, 0, 0}));
    EXPECT_EQ(editor().step(), Step::Start);
    EXPECT_EQ(bar_shows_enabled(), (Flags{true, false, false, false}));
    EXPECT_EQ(fx_command_buttons()[std::size_t(Command::Load)].caption, "Charger une image");
    EXPECT_EQ(fx_command_buttons()[std::size_t(Command::Save)].caption, "Sauver l'image");
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), BACKGROUND);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 462, 432), BACKGROUND);
    // Icon buttons: a black square; the webcam's is white inside.
    EXPECT_EQ(canvas_pixel(W_CROP_BUTTON, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(canvas_pixel(W_CROP_BUTTON, 1, 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(canvas_pixel(W_WEBCAM_BUTTON, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(canvas_pixel(W_WEBCAM_BUTTON, 1, 1), (Rgb{255, 255, 255}));
    // Without a picture the buttons and the preview refuse.
    click(W_CROP_BUTTON);
    EXPECT_EQ(pointer_shape(W_CROP_BUTTON), PointerShape::Forbidden);
    EXPECT_FALSE(editor().crop_mode());
    click(W_SEPIA_BUTTON);
    EXPECT_EQ(pointer_shape(W_SEPIA_BUTTON), PointerShape::Forbidden);
    click(W_PREVIEW_CANVAS);
    EXPECT_EQ(pointer_shape(W_PREVIEW_CANVAS), PointerShape::Forbidden);
}

struct FitCase {
    int width, height, preview_width, preview_height;
    double ratio;
};

TEST_F(FxPanel, PicturesAreFittedAtTheTopLeft) {
    start();
    for (const FitCase& c : {FitCase{2000, 1000, 463, 231, 2000.0 / 463}, FitCase{1000, 2000, 216, 433, 2000.0 / 433},
                             FitCase{400, 300, 400, 300, 1.0}, FitCase{926, 866, 463, 433, 2.0}}) {
        load(picture("fit.png", c.width, c.height, [](int, int) { return Rgb{30, 60, 90}; }));
        EXPECT_EQ(editor().fit().width, c.preview_width) << c.width << "x" << c.height;
        EXPECT_EQ(editor().fit().height, c.preview_height) << c.width << "x" << c.height;
        EXPECT_EQ(editor().fit().ratio, float(c.ratio)) << c.width << "x" << c.height;
        EXPECT_EQ(editor().preview()->width, c.preview_width);
        EXPECT_EQ(editor().preview()->height, c.preview_height);
        EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), (Rgb{30, 60, 90}));
        EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, c.preview_width - 1, c.preview_height - 1), (Rgb{30, 60, 90}));
        if (c.preview_height < 433) {
            EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, c.preview_height), BACKGROUND);
        }
        if (c.preview_width < 463) {
            EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, c.preview_width, 0), BACKGROUND);
        }
        EXPECT_EQ(status(), "Size : " + std::to_string(c.width) + " x " + std::to_string(c.height));
    }
}

TEST(PreviewFit, ASliverStillShowsOneRow) {
    EXPECT_EQ(fit_preview(30000, 20).height, 1);
    EXPECT_EQ(fit_preview(30000, 20).width, 463);
}

TEST_F(FxPanel, EachActionLeavesTheCommandBarAtItsStep) {
    start();
    const std::string a = picture("a.png", 120, 80);
    load(a);
    EXPECT_EQ(editor().step(), Step::Start);
    EXPECT_EQ(fx_info_text(), "Appliquez un effet");
    EXPECT_EQ(bar_shows_enabled(), (Flags{true, false, false, false}));

    drop_on_preview({a});
    EXPECT_EQ(editor().step(), Step::Pending);
    EXPECT_EQ(bar_shows_enabled(), (Flags{true, true, true, false}));

    command(Command::Apply);
    EXPECT_EQ(editor().step(), Step::Applied);
    EXPECT_EQ(bar_shows_enabled(), (Flags{true, false, false, true}));

    click(W_BW_BUTTON);
    EXPECT_EQ(editor().step(), Step::Pending);
    command(Command::Cancel);
    EXPECT_EQ(editor().step(), Step::Cancelled);
    EXPECT_EQ(status(), "Effet annulé");
    EXPECT_EQ(bar_shows_enabled(), (Flags{true, false, false, true}));

    dialogs.answer_file(dir.file("out.png"), 1);
    command(Command::Save);
    EXPECT_EQ(editor().step(), Step::Saved);
    EXPECT_EQ(status(), "Image Sauvée");
    EXPECT_EQ(bar_shows_enabled(), (Flags{true, false, false, false}));

    click(W_CROP_BUTTON);
    EXPECT_TRUE(editor().crop_mode());
    EXPECT_EQ(fx_info_text(), "Le recadrage  est activé");
    click(W_CROP_BUTTON);
    EXPECT_FALSE(editor().crop_mode());
    EXPECT_EQ(fx_info_text(), "Le recadrage  est désactivé");
    EXPECT_EQ(editor().step(), Step::CropOff);
    EXPECT_EQ(bar_shows_enabled(), (Flags{true, false, false, false}));
}

TEST_F(FxPanel, CancelledOpenDialogKeepsThePicture) {
    start();
    command(Command::Load);  // nothing loaded yet: step 3
    EXPECT_EQ(fx_info_text(), "Annulé !");
    EXPECT_EQ(editor().step(), Step::Saved);
    load(picture("a.png", 50, 40));
    command(Command::Load);
    EXPECT_EQ(editor().step(), Step::Cancelled);
    EXPECT_EQ(editor().picture_width(), 50);
    ASSERT_EQ(dialogs.requests().size(), 3u);
    EXPECT_EQ(dialogs.requests()[0].title, "Charger une image");
    EXPECT_EQ(dialogs.requests()[0].default_answer, "");
}

// Every kind of picture the editor loads, under each of its usual names, is
// offered by the open dialog's filter (matched as the dialog matches it).
TEST_F(FxPanel, TheOpenDialogOffersEveryKindOfPictureItLoads) {
    start();
    const std::string data = std::string(PIXMOLD_TEST_DATA) + "/image/";
    const std::pair<const char*, const char*> files[] = {
        {"jpeg-rgb.jpg", "a.jpg"},   {"jpeg-rgb.jpg", "a.jpeg"},     {"png-rgb8.png", "a.png"},
        {"bmp-24.bmp", "a.bmp"},     {"tiff-rgb.tif", "a.tif"},      {"tiff-rgb.tif", "a.tiff"},
        {"tga-24.tga", "a.tga"},     {"icon-16.ico", "a.ico"},       {"webp-lossy.webp", "a.webp"},
        {"heic-lossy.heic", "a.heic"}, {"heic-lossy.heic", "a.heif"}, {"avif-lossy.avif", "a.avif"},
        {"jp2-lossy.jp2", "a.jp2"},  {"j2k-photo.j2k", "a.j2k"}};
    for (const auto& [source, name] : files) {
        load(picture("before.png", 3, 2));
        std::filesystem::copy_file(data + source, dir.file(name));
        load(dir.file(name));
        EXPECT_NE(editor().picture_width(), 3) << name;
        const std::string& patterns = dialogs.requests().back().patterns;
        bool offered = false;
        for (std::size_t at = patterns.find('|') + 1; at != 0; at = patterns.find(';', at) + 1)
            offered |= fnmatch(patterns.substr(at, patterns.find(';', at) - at).c_str(), name, FNM_CASEFOLD) == 0;
        EXPECT_TRUE(offered) << name << " in " << patterns;
    }
}

TEST_F(FxPanel, OpensThePicturesOfPhonesAndTheWeb) {
    start();
    const std::string data = std::string(PIXMOLD_TEST_DATA) + "/image/";
    for (const char* name : {"heic-irot-exif.heic", "avif-lossy.avif", "webp-lossy.webp", "jp2-lossy.jp2"}) {
        load(picture("a.png", 50, 30));
        ASSERT_EQ(editor().picture_width(), 50);
        load(data + name);
        // As shown: the HEIC is stored turned and comes out 40 x 24 too.
        EXPECT_EQ(editor().picture_width(), 40) << name;
        EXPECT_EQ(editor().picture_height(), 24) << name;
    }
}

TEST_F(FxPanel, ColumnsBetweenTheButtonsCountAsLoad) {
    start();
    EXPECT_EQ(fx_hit_command(5, 39), Command::Load);
    EXPECT_EQ(fx_hit_command(153, 40), Command::Apply);
    EXPECT_EQ(fx_hit_command(154, 60), Command::Load);
    EXPECT_EQ(fx_hit_command(155, 60), Command::Cancel);
    EXPECT_EQ(fx_hit_command(309, 60), Command::Cancel);
    EXPECT_EQ(fx_hit_command(310, 60), Command::Load);
    EXPECT_EQ(fx_hit_command(311, 60), Command::Save);
    // A press there runs Load: the open dialog comes up.
    click(W_COMMAND_BAR, 154, 60);
    EXPECT_EQ(dialogs.requests().size(), 1u);
    click(W_COMMAND_BAR, 310, 60);
    EXPECT_EQ(dialogs.requests().size(), 2u);
}

TEST_F(FxPanel, DisabledButtonsSaySoAndDoNothing) {
    start();
    load(picture("a.png", 60, 40));
    const auto before = bytes_of(editor().picture().view());
    simulate_pointer(W_COMMAND_BAR, SubKind::PointerMove, 70, 60);  // Apply, off at step 0
    pump();
    EXPECT_EQ(fx_info_text(), "desactivé");
    simulate_pointer(W_COMMAND_BAR, SubKind::PointerMove, 70, 10);  // Load, on
    pump();
    EXPECT_EQ(fx_info_text(), "Load picture");
    for (Command c : {Command::Apply, Command::Cancel, Command::Save}) command(c);
    EXPECT_EQ(editor().step(), Step::Start);
    EXPECT_EQ(bytes_of(editor().picture().view()), before);
    EXPECT_EQ(dialogs.requests().size(), 1u);  // the load only; no save dialog
}

TEST_F(FxPanel, PreviewCommandBarAndIconButtonsTakeTheFocus) {
    start();
    for (int control : {W_PREVIEW_CANVAS, W_COMMAND_BAR, W_CROP_BUTTON, W_BW_BUTTON, W_WEBCAM_BUTTON})
        EXPECT_EQ(qt_widget(control)->focusPolicy(), Qt::StrongFocus) << control;
    // The info panel only shows messages: Tab passes it by.
    EXPECT_NE(qt_widget(W_FX_INFO_PANEL)->focusPolicy(), Qt::StrongFocus);
}

}  // namespace
}  // namespace pixmold
