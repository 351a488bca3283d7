#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "batch/rules.h"
#include "batch/texts.h"

namespace pixmold {
namespace {

BatchSettings relative(std::int64_t landscape, std::int64_t portrait) {
    BatchSettings s;
    s.mode = Mode::Relative;
    s.landscape_width = landscape;
    s.portrait_height = portrait;
    return s;
}

TEST(TargetSize, RelativeModeExamples) {
    const BatchSettings s = relative(800, 600);
    EXPECT_EQ(compute_target_size(s, 4000, 3000), (TargetSize{800, 600}));
    EXPECT_EQ(compute_target_size(s, 3000, 4000), (TargetSize{450, 600}));
    EXPECT_EQ(compute_target_size(s, 1000, 1000), (TargetSize{800, 600}));  // squares take both settings
    EXPECT_EQ(compute_target_size(s, 400, 300), (TargetSize{800, 600}));    // enlarged
}

TEST(TargetSize, TruncatesAfterMultiplying) {
    EXPECT_EQ(compute_target_size(relative(800, 800), 1000, 333), (TargetSize{800, 266}));
    EXPECT_EQ(compute_target_size(relative(800, 800), 3000, 4000), (TargetSize{600, 800}));
    // 999 * 7 / 1000 = 6.993: dividing first would give 0.
    EXPECT_EQ(compute_target_size(relative(7, 7), 1000, 999), (TargetSize{7, 6}));
    // A very thin picture gets a zero side, which no resize accepts.
    const auto thin = compute_target_size(relative(800, 800), 1000, 1);
    EXPECT_EQ(thin, (TargetSize{800, 0}));
    EXPECT_FALSE(target_is_valid(*thin));
}

TEST(TargetSize, HugeSettingsDoNotOverflow) {
    const auto t = compute_target_size(relative(std::numeric_limits<std::int64_t>::max(), 10), 30000, 20000);
    ASSERT_TRUE(t);
    EXPECT_FALSE(target_is_valid(*t));
}

TEST(TargetSize, FreeModeIgnoresProportionsAndUnknownModeHasNone) {
    BatchSettings s;
    s.mode = Mode::Free;
    s.free_width = 640;
    s.free_height = 480;
    EXPECT_EQ(compute_target_size(s, 3000, 4000), (TargetSize{640, 480}));
    EXPECT_EQ(compute_target_size(s, 10, 10), (TargetSize{640, 480}));
    s.mode = Mode::Other;  // a word such as "rel"
    EXPECT_FALSE(compute_target_size(s, 3000, 4000));
}

TEST(TargetSize, Validity) {
    EXPECT_TRUE(target_is_valid({1, 1}));
    EXPECT_TRUE(target_is_valid({32767, 32767}));
    EXPECT_FALSE(target_is_valid({32768, 10}));
    EXPECT_FALSE(target_is_valid({10, -5}));
}

TEST(OutputPath, PrefixAndType) {
    EXPECT_EQ(output_path_for("/p/photo.JPG", "prefix_", OutputFormat::Jpeg), "/p/prefix_photo.jpg");
    EXPECT_EQ(output_path_for("/p/photo.JPG", "prefix_", OutputFormat::Png), "/p/prefix_photo.png");
    EXPECT_EQ(output_path_for("/p/photo.tif", "small_", OutputFormat::Png), "/p/small_photo.png");
    EXPECT_EQ(output_path_for("/p/my.holiday.jpeg", "small_", OutputFormat::Jpeg), "/p/small_my.holiday.jpg");
    EXPECT_EQ(output_path_for("/p.d/a.bmp", "", OutputFormat::Jpeg), "/p.d/a.jpg");
    EXPECT_EQ(output_path_for("a.png", "x", OutputFormat::Png), "xa.png");
    EXPECT_EQ(output_path_for("/p/a.jpg", "x", OutputFormat::Other), "");  // a word such as "GIF"
}

TEST(OutputPath, PrefixZeroMeansTheSourceItself) {
    EXPECT_EQ(effective_prefix("0"), "");
    EXPECT_EQ(effective_prefix("00"), "00");
    EXPECT_EQ(output_path_for("/p/a.jpg", effective_prefix("0"), OutputFormat::Jpeg), "/p/a.jpg");
    EXPECT_EQ(output_path_for("/p/a.jpeg", effective_prefix("0"), OutputFormat::Jpeg), "/p/a.jpg");
}

TEST(Prefix, OnlyPrefixesThatKeepOutputsInTheirFolderAreAccepted) {
    for (const std::string& ok : std::vector<std::string>{"prefix_", "0", "", ".", "..", "...", "..\\", "~", "-",
                                                          " ", "$HOME", "é_", std::string(250, 'p')})
        EXPECT_EQ(prefix_fault(ok), PrefixFault::None) << ok;
    for (const char* slash : {"../escape_", "/", "a/", "sub/x_", "/tmp/x"})
        EXPECT_EQ(prefix_fault(slash), PrefixFault::Separator) << slash;
    for (const std::string& control : std::vector<std::string>{std::string("a\0b", 3), std::string(1, '\0'), "x\n",
                                                               "\r", "\t", "\x7f"})
        EXPECT_EQ(prefix_fault(control), PrefixFault::ControlCharacter);
    // One character and ".jpg" must still fit a 255-byte file name.
    EXPECT_EQ(prefix_fault(std::string(251, 'p')), PrefixFault::TooLong);
    EXPECT_EQ(prefix_fault(std::string(100000, 'p')), PrefixFault::TooLong);
}

TEST(OutputPath, AnAcceptedPrefixNeverLeavesTheSourcesFolder) {
    for (const char* prefix : {".", "..", "...", "..\\", "~", "-", " ", "0", ""}) {
        for (const char* source : {"/p/q/a.jpg", "/p/q/.jpg", "/p/q/..jpg", "/p/q/a", "/p/q/a..jpeg"}) {
            const std::filesystem::path out = output_path_for(source, prefix, OutputFormat::Jpeg);
            ASSERT_FALSE(out.empty()) << prefix << " " << source;
            EXPECT_EQ(out.parent_path(), "/p/q") << out;
            EXPECT_NE(out.filename(), ".");
            EXPECT_NE(out.filename(), "..");
            EXPECT_EQ(out.lexically_normal(), out) << out;
        }
    }
}

TEST(OutputPath, RefusesWhatCouldWriteElsewhereOrCannotBeAName) {
    // The path builder checks the prefix itself, whoever calls it.
    EXPECT_EQ(output_path_for("/p/q/a.jpg", "../escape_", OutputFormat::Jpeg), "");
    EXPECT_EQ(output_path_for("a.jpg", "/tmp/x", OutputFormat::Png), "");
    EXPECT_EQ(output_path_for("/p/a.jpg", std::string("x\0/", 3), OutputFormat::Jpeg), "");
    EXPECT_EQ(output_path_for("/p/a.jpg", std::string(251, 'p'), OutputFormat::Jpeg), "");
    // Names up to 255 bytes, not one more.
    const std::string stem(251, 's');
    EXPECT_EQ(output_path_for("/p/" + stem + ".bmp", "", OutputFormat::Jpeg), "/p/" + stem + ".jpg");
    EXPECT_EQ(output_path_for("/p/" + stem + ".jpeg", "", OutputFormat::Png), "/p/" + stem + ".png");
    EXPECT_EQ(output_path_for("/p/" + stem + ".jpg", "x", OutputFormat::Jpeg), "");
    EXPECT_EQ(output_path_for("/p/" + std::string(250, 's') + ".jpg", "x", OutputFormat::Jpeg),
              "/p/x" + std::string(250, 's') + ".jpg");
}

TEST(Texts, StatusDropsTheFirstThreeCharacters) {
    EXPECT_EQ(batch_status_text(5, 12, "/p/prefix_photo.jpg"), "5/12 - fix_photo.jpg");
    EXPECT_EQ(batch_status_text(12, 12, "/p/abcd.png"), "12/12 - d.png");
    EXPECT_EQ(batch_status_text(1, 1, "/p/ab"), "1/1 - ");
    EXPECT_EQ(batch_status_text(0, 0, ""), "0/0 - ");
}

TEST(Texts, FinishedStoppedAndBusyInBothLanguages) {
    EXPECT_EQ(batch_finished_text(Language::French, 12, 0), "Terminé ! 12 image(s) traitée(s).");
    EXPECT_EQ(batch_finished_text(Language::English, 12, 0), "Finish ! 12 pictures were processed..");
    EXPECT_EQ(batch_finished_text(Language::French, 12, 2), "Terminé ! 12 image(s) traitée(s). (2 échec(s))");
    EXPECT_EQ(batch_finished_text(Language::English, 3, 1), "Finish ! 3 pictures were processed.. (1 failed)");
    EXPECT_EQ(batch_stopped_text(Language::French, 3, 12), "Arrêt : 3/12 images traitées !");
    EXPECT_EQ(batch_stopped_text(Language::English, 3, 12), "Stop : 3/12 images traitées !");
    EXPECT_EQ(batch_busy_text(Language::French), "Un traitement est déjà en cours");
    EXPECT_EQ(batch_busy_text(Language::English), "A batch is already running");
}

}  // namespace
}  // namespace pixmold
