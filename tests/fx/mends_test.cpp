// Faults the editor must not have: a broken file costs nothing, a failed
// save says so, a thin picture's border keeps a picture inside, a load
// starts afresh, several dropped files give one picture, a cancelled open
// dialog never strands a pending result, and Apply in crop mode brings no
// webcam button into it.
#include <filesystem>
#include <sys/stat.h>

#include "editor_snapshot.h"
#include "image/colour.h"
#include "no_permission_override.h"
#include "panel_fixture.h"

namespace pixmold {
namespace {

using namespace test;

Rgb plain_blue(int, int) { return {0, 0, 200}; }

TEST_F(FxPanel, AnUnreadableFileLeavesTheEditorAsItWas) {
    start();
    const std::string a = picture("a.png", 90, 60);
    const auto a_bytes = (load(a), bytes_of(editor().picture().view()));
    click(W_SEPIA_BUTTON);
    const EditorSnapshot before = editor_snapshot();
    ASSERT_EQ(before.state, EditorState::EffectPending);

    load(broken("broken.jpg"));
    EXPECT_EQ(fx_info_text(), "Annulé !");
    EXPECT_EQ(status(), "Unreadable picture");
    EXPECT_TRUE(editor_snapshot() == before);

    set_text(W_STATUS_LINE, "");
    drop_on_preview({broken("broken.png")});
    EXPECT_EQ(fx_info_text(), "Annulé !");
    EXPECT_EQ(status(), "Unreadable picture");
    EXPECT_TRUE(editor_snapshot() == before);

    // The pending sepia can still be cancelled into the picture from before.
    command(Command::Cancel);
    EXPECT_EQ(bytes_of(editor().picture().view()), a_bytes);
}

TEST_F(FxPanel, UnreadablePictureInFrench) {
    start("FR");
    load(broken("broken.jpg"));
    EXPECT_EQ(status(), "Image illisible");
}

TEST_F(FxPanel, AFailedSaveSaysSoAndChangesNothing) {
    start();
    load(picture("a.png", 40, 30));
    click(W_BW_BUTTON);
    command(Command::Cancel);
    ASSERT_EQ(editor().step(), Step::Cancelled);
    dialogs.answer_file(dir.file("missing-folder/out"), 0);
    command(Command::Save);
    EXPECT_EQ(status(), "Unable to save picture");
    EXPECT_EQ(editor().step(), Step::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing-folder")));
}

TEST_F(FxPanel, AFailedSaveLeavesAFileOfThatNameIntact) {
    start("FR");
    load(picture("a.png", 40, 30));
    click(W_BW_BUTTON);
    command(Command::Cancel);
    NoPermissionOverride no_override;
    if (!NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "permissions are not enforced here";
    std::filesystem::create_directory(dir.file("locked"));
    write_bytes(dir.file("locked/out.jpg"), "precious");
    ::chmod(dir.file("locked").c_str(), 0555);
    dialogs.answer_file(dir.file("locked/out.jpg"), 0);
    command(Command::Save);
    EXPECT_EQ(status(), "Sauvegarde impossible");
    EXPECT_EQ(read_bytes(dir.file("locked/out.jpg")), "precious");
    EXPECT_EQ(editor().step(), Step::Cancelled);
}

TEST_F(FxPanel, AThinPictureKeepsAPixelInsideItsBorder) {
    start();
    load(picture("thin.png", 200, 5));  // 0.015 x 200 = 3: six rows of border on five
    dialogs.answer_colour(make_rgb(0, 255, 0));
    click(W_BORDER_BUTTON);
    const PixelView v = editor().picture().view();
    ASSERT_EQ(v.height, 5);
    for (int y : {0, 1, 3, 4}) EXPECT_EQ(pixel(v, 100, y), (Rgb{0, 255, 0})) << y;
    EXPECT_EQ(pixel(v, 1, 2), (Rgb{0, 255, 0}));
    for (int x = 2; x < 198; ++x) ASSERT_NE(pixel(v, x, 2), (Rgb{0, 255, 0})) << x;
    EXPECT_TRUE(editor().pending());
}

TEST_F(FxPanel, ALoadStartsAfreshAndCancelNeverBringsBackAnOlderPicture) {
    start();
    load(picture("a.png", 80, 60));
    click(W_SEPIA_BUTTON);
    ASSERT_TRUE(bool(editor().undo()));
    const std::string b = picture("b.png", 70, 50, plain_blue);
    drop_on_preview({b});
    const auto b_bytes = bytes_of(editor().picture().view());
    EXPECT_FALSE(editor().pending());
    EXPECT_FALSE(bool(editor().undo()));
    EXPECT_EQ(editor().step(), Step::Pending);
    command(Command::Cancel);
    EXPECT_EQ(bytes_of(editor().picture().view()), b_bytes);

    click(W_BW_BUTTON);
    load(picture("c.png", 30, 20));
    EXPECT_FALSE(editor().pending());
    EXPECT_FALSE(bool(editor().undo()));
}

TEST_F(FxPanel, OfSeveralDroppedFilesTheFirstReadableOneIsTaken) {
    start();
    const std::string b = picture("b.png", 70, 50, plain_blue);
    const std::string c = picture("c.png", 30, 20);
    drop_on_preview({broken("broken.jpg"), b, c});
    ASSERT_EQ(editor().picture_width(), 70);
    EXPECT_EQ(pixel(editor().picture().view(), 0, 0), (Rgb{0, 0, 200}));
    EXPECT_EQ(editor().source_path(), b);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 0, 0), (Rgb{0, 0, 200}));
}

TEST_F(FxPanel, ACancelledOpenDialogLeavesAPendingResultSettleable) {
    start();
    load(picture("a.png", 80, 60));
    const auto a_bytes = bytes_of(editor().picture().view());
    click(W_SEPIA_BUTTON);
    command(Command::Load);  // cancelled
    EXPECT_EQ(fx_info_text(), "Annulé !");
    EXPECT_EQ(editor().step(), Step::Pending);
    EXPECT_TRUE(fx_command_buttons()[std::size_t(Command::Cancel)].enabled);
    command(Command::Cancel);
    EXPECT_EQ(bytes_of(editor().picture().view()), a_bytes);
    EXPECT_FALSE(editor().pending());
}

// A picture dropped while cropping leaves crop mode on; Apply then keeps
// the webcam button away from it, as crop mode does its other tools.
TEST_F(FxPanel, ApplyInCropModeBringsNoWebcamButton) {
    start();
    load(picture("a.png", 80, 60));
    click(W_CROP_BUTTON);
    drop_on_preview({picture("b.png", 70, 50, plain_blue)});
    ASSERT_TRUE(editor().crop_mode());
    ASSERT_EQ(editor().step(), Step::Pending);
    command(Command::Apply);
    EXPECT_EQ(editor().step(), Step::Applied);
    EXPECT_TRUE(editor().crop_mode());
    EXPECT_FALSE(widget_visible(W_WEBCAM_BUTTON));
    EXPECT_FALSE(widget_visible(W_SEPIA_BUTTON));
    // Crop mode still takes a frame.
    drag({{10, 10}, {40, 30}});
    EXPECT_TRUE(editor().frame_chosen());
}

}  // namespace
}  // namespace pixmold
