// Opening pictures with the program: `pixmold FILE...` resizes them at once
// with the settings of its folder, and a later start hands its files to the
// copy that runs, which resizes them as a drop. The real program as
// processes; then the window's side in this process, where its status line
// can be read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/artwork.h"
#include "app/batch_start.h"
#include "app/command_line.h"
#include "app/event_loop.h"
#include "app/main_window.h"
#include "app/shell_state.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/window_layout.h"
#include "app/window_settings.h"
#include "batch/texts.h"
#include "core/texts.h"
#include "image/codec.h"
#include "image/image.h"
#include "running_program.h"
#include "toolkit/input_simulation.h"
#include "toolkit/instance_channel.h"
#include "toolkit/toolkit.h"
#include "slow_pictures.h"
#include "temp_dir.h"
#include "core/version.h"
#include "window_program.h"

namespace pixmold {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::Program;
using test::ProgramStart;

const std::string BOM = "\xEF\xBB\xBF";

// The settings of a folder: 16-pixel JPEG outputs named "small_" + name
// (the user's group is read when the file has two).
void write_small_settings(const std::string& folder) {
    test::write_bytes(folder + "/pref.vrn", BOM + "\r\n[DEFAUT]\r\n[USER]\r\nMODE = REL\r\nTYPE = JPG\r\n"
                                                  "Taille_Paysage = 16\r\nTaille_Portrait = 16\r\nPREFIX = small_\r\n"
                                                  "LNG = UK\r\n");
}

// Where the batch writes the picture at `source` with those settings.
std::string small_output(const fs::path& source) {
    return (source.parent_path() / ("small_" + source.stem().string() + ".jpg")).string();
}

void copy_picture(const char* data_name, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(fs::path(PIXMOLD_TEST_DATA) / "batch" / data_name, to, fs::copy_options::overwrite_existing);
}

// The running copy's folder `work` (with its settings) holding the pictures
// photos/a.jpg, photos/b.png, photos/notes.txt and -dash.jpg; and the
// folder of its lock and socket.
class OpenWith : public ::testing::Test {
protected:
    test::TempDir work;
    test::TempDir runtime;
    const std::string socket = runtime.file("Pixmold " + shown_version() + ".socket");

    static void SetUpTestSuite() {
        init_image_engine();
        register_all_codecs();
    }

    void SetUp() override {
        ::chmod(runtime.path().c_str(), 0700);
        write_small_settings(work.path());
        copy_picture("base.jpg", work.folder() / "photos/a.jpg");
        copy_picture("meta.png", work.folder() / "photos/b.png");
        test::write_bytes(work.file("photos/notes.txt"), "not a picture");
        copy_picture("base.jpg", work.folder() / "-dash.jpg");
    }

    ProgramStart in_work(std::vector<std::string> args = {}) { return {work.path(), runtime.path(), std::move(args)}; }
};

// ---- pixmold FILE... --------------------------------------------------------

struct OpenCase {
    const char* name;
    std::vector<std::string> args;     // "{work}" stands for the working folder
    std::vector<std::string> resized;  // sources in the working folder that get an output
    std::vector<std::string> left_aside;
    bool toolkit_options = false;  // the arguments choose the platform, the environment none
};

void PrintTo(const OpenCase& c, std::ostream* out) { *out << c.name; }

class OpensWhatItIsStartedWith : public OpenWith, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpensWhatItIsStartedWith, ResizesThemAtOnceAndKeepsItsWindow) {
    const OpenCase& c = GetParam();
    ProgramStart start = in_work();
    for (std::string arg : c.args) {
        if (arg.starts_with("{work}")) arg = work.path() + arg.substr(6);
        start.args.push_back(arg);
    }
    start.offscreen_environment = !c.toolkit_options;
    Program program(start);
    for (const std::string& source : c.resized)
        EXPECT_TRUE(test::wait_for_file(small_output(work.folder() / source), 20s)) << source << " was not resized";
    EXPECT_FALSE(program.wait_for_exit(200ms).has_value()) << "the window must stay";
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_for_exit(20s), std::optional<int>(0));
    for (const std::string& source : c.left_aside)
        EXPECT_FALSE(fs::exists(small_output(work.folder() / source))) << source << " was taken";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpensWhatItIsStartedWith,
    ::testing::Values(
        OpenCase{"PicturesAmongOtherFiles",
                 {"{work}/photos/a.jpg", "{work}/photos/notes.txt", "{work}/photos/b.png"},
                 {"photos/a.jpg", "photos/b.png"},
                 {"photos/notes.txt", "-dash.jpg"}},
        OpenCase{"OneFolder", {"{work}/photos"}, {"photos/a.jpg", "photos/b.png"}, {"photos/notes.txt", "-dash.jpg"}},
        OpenCase{"RelativeToItsFolder", {"photos/b.png"}, {"photos/b.png"}, {"photos/a.jpg"}},
        OpenCase{"AfterTheToolkitsOwnOptions",
                 {"-platform", "offscreen", "photos/a.jpg"},
                 {"photos/a.jpg"},
                 {"photos/b.png"},
                 true},
        OpenCase{"NamesThatLookLikeOptions",
                 {"--no-such-option", "-dash.jpg", "--", "--no-such-file.jpg"},
                 {"-dash.jpg"},
                 {"photos/a.jpg"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- a later start ----------------------------------------------------------

enum class FirstCopy {
    Idle,          // waiting for a drop
    Busy,          // its batch has seconds of work left
    AfterAKilled,  // started after a copy was killed and left its socket
};

const char* name_of(FirstCopy state) {
    switch (state) {
    case FirstCopy::Idle: return "Idle";
    case FirstCopy::Busy: return "Busy";
    case FirstCopy::AfterAKilled: return "AfterAKilled";
    }
    return "";
}

void PrintTo(FirstCopy state, std::ostream* out) { *out << name_of(state); }

class HandsOverToTheRunningCopy : public OpenWith, public ::testing::WithParamInterface<FirstCopy> {};

TEST_P(HandsOverToTheRunningCopy, WhichResizesItsFilesWithItsOwnSettings) {
    const FirstCopy state = GetParam();
    if (state == FirstCopy::AfterAKilled) {
        Program killed(in_work());
        ASSERT_TRUE(test::wait_for_listener(socket, 20s));
        killed.signal(SIGKILL);
        ASSERT_EQ(killed.wait_for_exit(5s), std::optional<int>(128 + SIGKILL));
        ASSERT_TRUE(fs::exists(socket)) << "a killed copy leaves its socket file";
        ASSERT_FALSE(test::someone_listens(socket));
    }
    std::vector<std::string> first_args;
    if (state == FirstCopy::Busy) first_args = test::slow_pictures(work.file("photos"));
    Program first(in_work(first_args));
    ASSERT_TRUE(test::wait_for_listener(socket, 20s));

    // Started from another folder, with no settings, with relative paths.
    test::TempDir elsewhere;
    copy_picture("base.jpg", elsewhere.folder() / "c.jpg");
    copy_picture("base.jpg", elsewhere.folder() / "pics/d.jpg");
    Program second({elsewhere.path(), runtime.path(), {"c.jpg", "pics/d.jpg"}});
    EXPECT_EQ(second.wait_for_exit(10s), std::optional<int>(0));
    EXPECT_FALSE(fs::exists(elsewhere.file("pref.vrn"))) << "the later start ran a window of its own";

    if (state == FirstCopy::Busy) {
        std::this_thread::sleep_for(300ms);
        EXPECT_FALSE(fs::exists(small_output(elsewhere.folder() / "c.jpg"))) << "started beside a running batch";
    }
    EXPECT_TRUE(test::wait_for_file(small_output(elsewhere.folder() / "c.jpg"), 60s));
    EXPECT_TRUE(test::wait_for_file(small_output(elsewhere.folder() / "pics/d.jpg"), 20s));

    EXPECT_FALSE(first.wait_for_exit(0ms).has_value());
    first.signal(SIGTERM);
    EXPECT_EQ(first.wait_for_exit(20s), std::optional<int>(0));
    EXPECT_FALSE(fs::exists(socket)) << "a copy that ends removes its socket";
}

INSTANTIATE_TEST_SUITE_P(States, HandsOverToTheRunningCopy,
                         ::testing::Values(FirstCopy::Idle, FirstCopy::Busy, FirstCopy::AfterAKilled),
                         [](const auto& info) { return std::string(name_of(info.param)); });

// ---- the window's side ------------------------------------------------------

// This process is the running copy: it holds the lock, listens, and shows the
// main window; the later start is the real program.
class HandedFilesInTheWindow : public ::testing::Test {
protected:
    test::TempDir work;
    test::TempDir runtime;
    test::TempDir elsewhere;
    std::string saved_runtime_dir;
    int lock = -1;

    static void SetUpTestSuite() { ASSERT_TRUE(test::start_window_program()); }

    void SetUp() override {
        ::chmod(runtime.path().c_str(), 0700);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_runtime_dir = old;
        ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        const std::string instance = shell.product_name + shell.version;
        ASSERT_EQ(claim_single_instance(instance, lock), InstanceCheck::OnlyOne);
        ASSERT_TRUE(listen_for_handovers(instance_socket_path(instance), MAIN_WINDOW));

        write_small_settings(work.path());
        shell.quit_requested = 0;
        shell.screen_width = 1920;
        shell.screen_height = 1080;
        load_window_settings(work.file("pref.vrn"), 1920, 1080);
        load_interface_texts(settings.language, {1920, 1080, 1920}, shell.product_name, shell.version);
        build_main_window();
        pump_until([] { return false; }, 100ms);
    }

    void TearDown() override {
        batch_stop();
        pump_until([] { return false; }, 100ms);
        close_window(MAIN_WINDOW);
        stop_listening_for_handovers();
        if (lock >= 0) ::close(lock);
        if (saved_runtime_dir.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", saved_runtime_dir.c_str(), 1);
    }

    // Runs the event loop's turns until `done` or `limit`.
    bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            run_loop_turn(20);
        }
        return true;
    }
};

TEST_F(HandedFilesInTheWindow, WaitForTheRunningBatchThenShowTheirOwnEnd) {
    handle_drop_on_window(drop_text(test::slow_pictures(work.path())));
    copy_picture("base.jpg", elsewhere.folder() / "c.jpg");
    Program later({elsewhere.path(), runtime.path(), {"c.jpg"}});
    std::optional<int> exit_code;
    ASSERT_TRUE(pump_until([&] { return (exit_code = later.wait_for_exit(0ms)).has_value(); }, 20s));
    EXPECT_EQ(exit_code, std::optional<int>(0));

    // Not refused: the running batch goes on showing its progress.
    pump_until([] { return false; }, 300ms);
    ASSERT_TRUE(batch_running()) << "the first batch ended before the files came";
    EXPECT_NE(get_text(W_STATUS_LINE), batch_busy_text(settings.language));
    EXPECT_FALSE(fs::exists(small_output(elsewhere.folder() / "c.jpg")));

    // Then the handed files run and the status line tells their own end.
    const std::string their_end = batch_finished_text(settings.language, 1, 0);
    EXPECT_TRUE(pump_until([&] { return get_text(W_STATUS_LINE) == their_end && !batch_running(); }, 60s))
        << get_text(W_STATUS_LINE);
    EXPECT_TRUE(fs::exists(small_output(elsewhere.folder() / "c.jpg")));
}

TEST_F(HandedFilesInTheWindow, StopForgetsTheWaitingFiles) {
    handle_drop_on_window(drop_text(test::slow_pictures(work.path())));
    copy_picture("base.jpg", elsewhere.folder() / "c.jpg");
    Program later({elsewhere.path(), runtime.path(), {"c.jpg"}});
    ASSERT_TRUE(pump_until([&] { return later.wait_for_exit(0ms).has_value(); }, 20s));
    ASSERT_TRUE(batch_running()) << "the first batch ended before the files came";

    ASSERT_TRUE(simulate_click(W_STOP));
    pump_until([] { return false; }, 1000ms);
    EXPECT_FALSE(batch_running());
    EXPECT_FALSE(fs::exists(small_output(elsewhere.folder() / "c.jpg")));
}

}  // namespace
}  // namespace pixmold
