// The Project menu's relative-mode open entry loads into the editor the way
// its Load command does, opening the panel first when it is closed.
#include "panel_fixture.h"

namespace pixmold {
namespace {

using namespace test;

class OpenMenu : public FxPanel {
protected:
    void choose_open_entry() {
        trigger_menu_item(MAIN_WINDOW, CMD_OPEN_RELATIVE);
        pump();
    }
};

TEST_F(OpenMenu, OpensThePanelAndLoadsWithAFreshPreview) {
    start("FR", false);
    ASSERT_EQ(shell.fx_panel_open, 0);
    dialogs.answer_file(picture("beach.png", 926, 200));
    choose_open_entry();
    EXPECT_EQ(shell.fx_panel_open, 1);
    EXPECT_EQ(window_width(MAIN_WINDOW), WIDE_WIDTH);
    EXPECT_TRUE(widget_visible(W_FX_PANEL));
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].kind, DialogKind::OpenFile);
    EXPECT_EQ(dialogs.requests()[0].title, "Charger une image");
    EXPECT_EQ(editor().source_path(), dir.file("beach.png"));
    // The preview, the working copies, the info and the bar follow the new picture.
    EXPECT_EQ(editor().picture_width(), 926);
    EXPECT_EQ(editor().fit().width, 463);
    EXPECT_EQ(editor().fit().height, 100);
    ASSERT_TRUE(editor().preview() != nullptr);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 200, 50), pixel(editor().preview()->view(), 200, 50));
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 200, 150), (Rgb{214, 223, 254}));
    EXPECT_EQ(fx_info_text(), "Appliquez un effet");
    EXPECT_EQ(editor().step(), Step::Start);
    EXPECT_EQ(status(), "Taille : 926 x 200");

    // With the panel open it stays open, and a cancelled dialog keeps the picture.
    const auto before = bytes_of(editor().picture().view());
    choose_open_entry();
    EXPECT_EQ(shell.fx_panel_open, 1);
    EXPECT_EQ(fx_info_text(), "Annulé !");
    EXPECT_EQ(editor().step(), Step::Cancelled);
    EXPECT_TRUE(bytes_of(editor().picture().view()) == before);
}

TEST_F(OpenMenu, DoesNothingWhileLoadIsOff) {
    start();
    fx_set_step(Step::Live);  // as while the webcam's live view is open
    dialogs.answer_file(picture("a.png", 40, 30));
    choose_open_entry();
    EXPECT_TRUE(dialogs.requests().empty());
    EXPECT_FALSE(editor().has_picture());
    EXPECT_EQ(editor().step(), Step::Live);
}

}  // namespace
}  // namespace pixmold
