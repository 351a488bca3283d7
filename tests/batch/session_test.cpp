#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "batch/session.h"
#include "job_fixture.h"
#include "scratch_mount.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

// Records what the batch does to the window.
struct FakeWindow {
    std::mutex mutex;
    std::vector<std::string> statuses;
    std::string info;
    std::vector<bool> running_states;
    int clicks = 0;

    BatchView view() {
        return BatchView{
            [this](const std::string& t) { std::lock_guard l(mutex); statuses.push_back(t); },
            [this](const std::string& t) { std::lock_guard l(mutex); info = t; },
            [this](bool r) { std::lock_guard l(mutex); running_states.push_back(r); },
            [this] { std::lock_guard l(mutex); ++clicks; },
        };
    }
    std::string last_status() {
        std::lock_guard l(mutex);
        return statuses.empty() ? "" : statuses.back();
    }
};

// Big enough to keep a batch busy for a while.
void make_big(const std::string& path, int w, int h) {
    create_image(962, w, h, 24, 0x336699);
    const PixelView v = image_pixels(962);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) v.row_from_top(y)[x] = std::uint8_t((x * 7 + y * 13) ^ (x * y));
    ASSERT_TRUE(save_image(962, path, TAG_JPEG, 9));
    free_image(962);
}

class Session : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;
    FakeWindow window;
};

TEST_F(Session, DropRunsTheBatchAndShowsTheEnd) {
    const std::string a = copy_in(dir, "base.jpg", "a.jpg");
    const std::string b = copy_in(dir, "orient6_ii.jpg", "b.jpg");
    const BatchSettings s = make_settings("REL", 16, 16, "JPG");
    BatchSession session(window.view(), [s] { return s; });
    EXPECT_EQ(session.on_drop(a + "\n" + dir.folder().string() + "/notes.txt\n" + b), BatchSession::DropResult::Started);
    session.wait();
    EXPECT_FALSE(session.running());
    EXPECT_EQ(window.running_states, (std::vector<bool>{true, false}));
    EXPECT_EQ(window.clicks, 1);
    EXPECT_EQ(window.last_status(), "Terminé ! 2 image(s) traitée(s). (1 ignoré(s))");
    EXPECT_EQ(window.info, "");  // nothing failed: the summary stays
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "p_a.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "p_b.jpg"));
}

TEST_F(Session, DropWithoutPicturesStartsNothingAndSaysWhatWasLeftAside) {
    BatchSession session(window.view(), [] { return make_settings("REL", 16, 16, "JPG"); });
    EXPECT_EQ(session.on_drop(""), BatchSession::DropResult::NoPicture);
    EXPECT_TRUE(window.statuses.empty());
    EXPECT_EQ(session.on_drop("/x/notes.txt\n/x/y.gif"), BatchSession::DropResult::NoPicture);
    EXPECT_EQ(window.last_status(), "Aucune image : 2 fichier(s) ignoré(s)");
    EXPECT_EQ(session.on_drop(dir.folder().string() + "\n" + dir.folder().string()), BatchSession::DropResult::NoPicture);
    EXPECT_EQ(window.statuses.size(), 2u);
    EXPECT_TRUE(window.running_states.empty());
    EXPECT_EQ(window.clicks, 0);
}

TEST_F(Session, FailuresAreCountedInTheEndTextAndListed) {
    const std::string bad = copy_in(dir, "corrupt.jpg");
    const std::string good = copy_in(dir, "base.jpg");
    BatchSettings s = make_settings("REL", 16, 16, "PNG");
    s.language = Language::English;
    BatchSession session(window.view(), [s] { return s; });
    ASSERT_EQ(session.on_drop(bad + "\n" + good), BatchSession::DropResult::Started);
    session.wait();
    EXPECT_EQ(window.last_status(), "Finish ! 1 pictures were processed.. (1 failed)");
    EXPECT_EQ(window.info, "Pictures not processed:\ncorrupt.jpg (cannot be read: not a picture, or damaged)");
}

TEST_F(Session, TheListSaysWhyAPictureCouldNotBeWritten) {
    ScratchMount ro(dir.folder() / "ro", 256, {kData + "base.jpg"});
    if (!ro.mounted()) GTEST_SKIP() << "mounting a file system needs root";
    ScratchMount full(dir.folder() / "full", 256, {kData + "base.jpg"});
    ASSERT_TRUE(full.mounted());
    ASSERT_TRUE(ro.make_read_only());
    full.fill();
    const std::string bad = copy_in(dir, "corrupt.jpg", "bad.png");
    BatchSettings s = make_settings("REL", 16, 16, "JPG");
    s.language = Language::French;
    BatchSession session(window.view(), [s] { return s; });
    const std::string drop = (ro.path() / "base.jpg").string() + "\n" + bad + "\n" + (full.path() / "base.jpg").string();
    ASSERT_EQ(session.on_drop(drop), BatchSession::DropResult::Started);
    session.wait();
    EXPECT_EQ(window.last_status(), "Terminé ! 0 image(s) traitée(s). (3 échec(s))");
    EXPECT_EQ(window.info,
              "Images non traitées :\n"
              "base.jpg (écriture impossible : en lecture seule)\n"
              "bad.png (illisible : pas une image, ou endommagée)\n"
              "base.jpg (écriture impossible : disque plein)");
}

TEST_F(Session, TheBatchKeepsTheSettingsItStartedWith) {
    // Every read after the first says something else, as settings changed
    // while the batch runs would: the batch must not see them.
    const std::string a = copy_in(dir, "base.jpg", "a.jpg");
    const std::string b = copy_in(dir, "orient6_ii.jpg", "b.jpg");
    const std::string c = copy_in(dir, "base.jpg", "c.jpg");
    std::atomic<int> reads{0};
    BatchSession session(
        window.view(),
        [&reads] {
            return reads++ == 0 ? make_settings("REL", 16, 16, "JPG", "first_") : make_settings("LIB", 8, 4, "PNG", "later_");
        },
        2);
    ASSERT_EQ(session.on_drop(a + "\n" + b + "\n" + c), BatchSession::DropResult::Started);
    session.wait();
    EXPECT_EQ(folder_names(dir.folder()), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "first_a.jpg", "first_b.jpg",
                                                                "first_c.jpg"}));
    EXPECT_EQ(Decoded((dir.folder() / "first_a.jpg").string()).width(), 16);
    EXPECT_EQ(Decoded((dir.folder() / "first_b.jpg").string()).height(), 16);
    // The next batch takes the settings of its own start.
    ASSERT_EQ(session.on_drop(a), BatchSession::DropResult::Started);
    session.wait();
    EXPECT_EQ(Decoded((dir.folder() / "later_a.png").string()).width(), 8);
}

TEST_F(Session, StatusLineShowsProgressAndADropWhileRunningIsRefused) {
    const std::string big = (dir.folder() / "big.jpg").string();
    make_big(big, 3000, 2000);
    const std::string copy = (dir.folder() / "copy.jpg").string();
    std::filesystem::copy_file(big, copy);
    const BatchSettings s = make_settings("REL", 2900, 2900, "JPG", "prefix_");
    BatchSession session(window.view(), [s] { return s; }, 1);
    ASSERT_EQ(session.on_drop(big + "\n" + copy), BatchSession::DropResult::Started);
    EXPECT_EQ(session.on_drop(copy), BatchSession::DropResult::Busy);
    EXPECT_EQ(window.last_status(), "Un traitement est déjà en cours");
    EXPECT_EQ(session.pictures(), (PictureList{big, copy}));
    session.wait();
    EXPECT_EQ(window.last_status(), "Terminé ! 2 image(s) traitée(s).");
    // "remaining/total - " and the output name without its first three characters.
    const std::regex progress(R"(^[12]/2 - fix_(big|copy)\.jpg$)");
    int seen = 0;
    for (const std::string& t : window.statuses) seen += std::regex_match(t, progress);
    EXPECT_GT(seen, 0);
    EXPECT_EQ(window.clicks, 1);
}

TEST_F(Session, StopShowsTheStopTextAtOnce) {
    PictureList list;
    std::string drop;
    make_big((dir.folder() / "big0.jpg").string(), 4000, 3000);
    for (int i = 0; i < 4; ++i) {
        const auto p = dir.folder() / ("big" + std::to_string(i) + ".jpg");
        if (i > 0) std::filesystem::copy_file(dir.folder() / "big0.jpg", p);
        drop += (i ? "\n" : "") + p.string();
    }
    const BatchSettings s = make_settings("REL", 3900, 3900, "JPG", "0");
    BatchSession session(window.view(), [s] { return s; }, 2);
    ASSERT_EQ(session.on_drop(drop), BatchSession::DropResult::Started);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    session.on_stop();
    EXPECT_FALSE(session.running());
    EXPECT_TRUE(std::regex_match(window.last_status(), std::regex(R"(^Arrêt : [0-3]/4 images traitées !$)")))
        << window.last_status();
    EXPECT_EQ(window.running_states, (std::vector<bool>{true, false}));
    EXPECT_EQ(window.clicks, 1);
    // The pictures the stop interrupted, if any, are listed as such.
    if (!window.info.empty()) {
        EXPECT_TRUE(std::regex_match(window.info, std::regex(R"(^Images non traitées :(\nbig[0-3]\.jpg \(arrêtée\))+$)")))
            << window.info;
    }
    // A new drop is taken again.
    const std::string small = copy_in(dir, "base.jpg");
    EXPECT_EQ(session.on_drop(small), BatchSession::DropResult::Started);
    session.wait();
    EXPECT_EQ(window.last_status(), "Terminé ! 1 image(s) traitée(s).");
}

TEST(FailedList, NamesOnePerLineWithWhyInEitherLanguage) {
    EXPECT_EQ(failed_pictures_text(Language::French, {{"/a/x.jpg", FailReason::Stopped}, {"/b/y.png", FailReason::NoPermission}}),
              "Images non traitées :\nx.jpg (arrêtée)\ny.png (écriture impossible : permission refusée)");
    EXPECT_EQ(failed_pictures_text(Language::English, {{"/a/x.jpg", FailReason::Unresizable}}),
              "Pictures not processed:\nx.jpg (cannot be resized to that size)");
}

}  // namespace
}  // namespace pixmold
