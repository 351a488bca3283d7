// The save: the proposed name, the typed name's cleaning, the format and quality.
#include <QFile>

#include "fx/save_name.h"
#include "panel_fixture.h"

namespace pixmold {
namespace {

using namespace test;

TEST(SaveName, BaseNameLosesEveryCopyOfTheExtension) {
    EXPECT_EQ(save_base_name("C:\\photos\\beach.jpg"), "beach");
    EXPECT_EQ(save_base_name("/photos/holiday.jpg"), "holiday");
    EXPECT_EQ(save_base_name("/photos/a.jpg.b.jpg"), "a.b");
    EXPECT_EQ(save_base_name("/photos/Sun.JPG"), "Sun");
    EXPECT_EQ(save_base_name("/photos/noext"), "noext");
    EXPECT_EQ(save_base_name(""), "");
}

TEST(SaveName, TypedNamesTakeTheChosenPatternsExtension) {
    EXPECT_EQ(save_file_name("/d/beach.jpg", 1), "/d/beach.png");
    EXPECT_EQ(save_file_name("/d/beach.png.jpg", 0), "/d/beach.jpg");
    EXPECT_EQ(save_file_name("/d/beach.JPG", 0), "/d/beach.JPG.jpg");
    EXPECT_EQ(save_file_name("/d/x.png", 0), "/d/x.jpg");
    EXPECT_EQ(save_file_name("/d/x.jpg.jpg", 0), "/d/x.jpg");
    EXPECT_EQ(save_file_name("/d/x", 1), "/d/x.png");
}

// The first quantisation value of the JPEG's first table (3 at libjpeg
// quality 90, 6 at 80).
int first_quantiser(const std::string& jpeg) {
    for (std::size_t i = 2; i + 5 < jpeg.size(); ++i)
        if (std::uint8_t(jpeg[i]) == 0xFF && std::uint8_t(jpeg[i + 1]) == 0xDB) return std::uint8_t(jpeg[i + 5]);
    return -1;
}

class Save : public FxPanel {
protected:
    void start_with_picture(const std::string& name) {
        start();
        load(picture(name, 64, 48));
        click(W_BW_BUTTON);
        command(Command::Apply);  // Save is on at step 1
    }
};

TEST_F(Save, ProposesFxAndTheSourceName) {
    start_with_picture("holiday.png");
    command(Command::Save);  // cancelled
    ASSERT_EQ(dialogs.requests().back().kind, DialogKind::SaveFile);
    EXPECT_EQ(dialogs.requests().back().default_answer, "FX_holiday");
    EXPECT_EQ(dialogs.requests().back().title, "Save picture");
    EXPECT_EQ(dialogs.requests().back().patterns, "Images (*.jpg)|*.jpg|Images (*.png)|*.png");
    EXPECT_EQ(status(), "Cancel");
    EXPECT_EQ(editor().step(), Step::Applied);
}

TEST_F(Save, TypedNamesAreCleanedAndWrittenInTheChosenFormat) {
    start_with_picture("a.png");
    struct Case {
        const char* typed;
        int pattern;
        const char* written;
        FormatTag format;
    };
    for (const Case& c : {Case{"beach.jpg", 1, "beach.png", TAG_PNG}, Case{"beach.png.jpg", 0, "beach.jpg", TAG_JPEG},
                          Case{"beach.JPG", 0, "beach.JPG.jpg", TAG_JPEG}}) {
        fx_set_step(Step::Applied);
        dialogs.answer_file(dir.file(c.typed), c.pattern);
        command(Command::Save);
        EXPECT_EQ(status(), "Image Sauvée") << c.typed;
        ASSERT_TRUE(load_image(900, dir.file(c.written))) << c.written;
        EXPECT_EQ(is_image(900)->format_tag, c.format) << c.written;
        free_image(900);
    }
}

TEST_F(Save, JpegIsWrittenAtQualityNine) {
    start_with_picture("a.png");
    ASSERT_EQ(settings.quality, 8);  // the batch's own quality plays no part
    dialogs.answer_file(dir.file("out"), 0);
    command(Command::Save);
    const std::string written = read_bytes(dir.file("out.jpg"));
    ASSERT_TRUE(save_pixels(editor().result().view(), dir.file("q9.jpg"), TAG_JPEG, 9, editor().result().source_depth));
    EXPECT_EQ(written, read_bytes(dir.file("q9.jpg")));
    EXPECT_EQ(first_quantiser(written), 3);
}

// The dialog only asks about the name as typed: a file that the cleaned name
// lands on is asked about before it is replaced, and kept on No.
TEST_F(Save, AFileTheCleanedNameLandsOnIsReplacedOnlyAfterAsking) {
    start_with_picture("a.png");
    const std::string kept = "the user's own beach photo";
    write_bytes(dir.file("beach.jpg"), kept);

    dialogs.answer_file(dir.file("beach"), 0);  // No to the question that follows
    command(Command::Save);
    ASSERT_EQ(dialogs.requests().back().kind, DialogKind::MessageBox);
    EXPECT_EQ(dialogs.requests().back().text, "The file \"beach.jpg\" already exists.\nDo you want to replace it?");
    EXPECT_EQ(read_bytes(dir.file("beach.jpg")), kept);
    EXPECT_EQ(status(), "Cancel");
    EXPECT_EQ(editor().step(), Step::Applied);

    dialogs.answer_file(dir.file("beach.png.jpg"), 0);
    dialogs.answer_code(ANSWER_YES);
    command(Command::Save);
    EXPECT_EQ(status(), "Image Sauvée");
    ASSERT_TRUE(load_image(900, dir.file("beach.jpg")));
    free_image(900);

    // A typed name that is written as it is was asked about by the dialog itself.
    fx_set_step(Step::Applied);
    const std::size_t asked = dialogs.requests().size();
    dialogs.answer_file(dir.file("beach.jpg"), 0);
    command(Command::Save);
    EXPECT_EQ(dialogs.requests().size(), asked + 1);
    EXPECT_EQ(status(), "Image Sauvée");
}

}  // namespace
}  // namespace pixmold
