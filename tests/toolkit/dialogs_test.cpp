#include "toolkit/dialogs.h"

#include <gtest/gtest.h>

#include "toolkit/toolkit.h"

using namespace pixmold;

namespace {

TEST(Dialogs, ScriptedAnswersInOrderAndRequestsRecorded) {
    ASSERT_TRUE(init_toolkit());
    ScriptedDialogs script;
    script.answer_text("new_");
    script.answer_code(ANSWER_YES);
    script.answer_file("/tmp/out.png", 1);
    script.answer_colour(0x00FF00);

    EXPECT_EQ(input_dialog("Choice of Prefix", "Type the prefixe (0 = no prefix)", "prefix_"), "new_");
    EXPECT_EQ(message_box("No prefix", "Overwrite?", MB_YES_NO | MB_ICON_WARNING), ANSWER_YES);
    int pattern = -1;
    EXPECT_EQ(save_file_dialog("Save", "/tmp/FX_a.jpg", "JPEG|*.jpg;*.jpeg|PNG|*.png", pattern), "/tmp/out.png");
    EXPECT_EQ(pattern, 1);
    EXPECT_EQ(colour_dialog(0), 0x00FF00);

    ASSERT_EQ(script.requests().size(), 4u);
    EXPECT_EQ(script.requests()[0].kind, DialogKind::Input);
    EXPECT_EQ(script.requests()[0].title, "Choice of Prefix");
    EXPECT_EQ(script.requests()[0].default_answer, "prefix_");
    EXPECT_EQ(script.requests()[1].flags, MB_YES_NO | MB_ICON_WARNING);
    EXPECT_EQ(script.requests()[2].patterns, "JPEG|*.jpg;*.jpeg|PNG|*.png");
    EXPECT_EQ(script.unused_answers(), 0u);
}

TEST(Dialogs, EmptyScriptMeansCancel) {
    ASSERT_TRUE(init_toolkit());
    ScriptedDialogs script;
    EXPECT_EQ(input_dialog("t", "p", "d"), "");
    EXPECT_EQ(message_box("t", "x", MB_YES_NO), ANSWER_NO);
    EXPECT_EQ(open_file_dialog("t", "", "All|*.*"), "");
    EXPECT_EQ(colour_dialog(0x123456), -1);
    notice("Info", "Restart");
    EXPECT_EQ(script.requests().size(), 5u);
}

TEST(Dialogs, OkOnlyBoxAnswersOk) {
    ASSERT_TRUE(init_toolkit());
    ScriptedDialogs script;
    script.answer_code(ANSWER_YES);  // whatever comes back, an OK box says OK
    EXPECT_EQ(message_box("t", "x", MB_OK_ONLY), ANSWER_OK);
}

}  // namespace
