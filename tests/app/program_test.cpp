// The real program as a process, headless, in a fresh working directory.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "running_program.h"
#include "toolkit/toolkit.h"
#include "temp_dir.h"
#include "core/version.h"

using namespace pixmold;
using pixmold::test::Program;
using pixmold::test::read_bytes;
using pixmold::test::wait_for_file;
using pixmold::test::write_bytes;
using namespace std::chrono_literals;

namespace {

const std::string BOM = "\xEF\xBB\xBF";

std::string defaults_group(const std::string& name, int w, int h) {
    auto n = [](int v) { return std::to_string(v); };
    return "[" + name + "]\r\nMODE = REL\r\nTYPE = JPG\r\nQUALITE = 8\r\nTaille_Paysage = " + n(w) +
           "\r\nTaille_Portrait = " + n(h) + "\r\nFREE_L = " + n(w) + "\r\nFREE_H = " + n(h) + "\r\nL = " + n(w) +
           "\r\nH = " + n(h) + "\r\nVISIBLE = 1\r\nPREFIX = prefix_\r\nLNG = FR\r\n";
}

class RunningProgram : public ::testing::Test {
protected:
    test::TempDir work;
    test::TempDir runtime;
    std::string prefs = work.file("pref.vrn");
    int screen_width = 0;
    int screen_height = 0;

    void SetUp() override {
        ::chmod(runtime.path().c_str(), 0700);
        // The same offscreen screen the program will see.
        ASSERT_TRUE(init_toolkit());
        screen_width = desktop_width();
        screen_height = desktop_height();
    }
};

TEST_F(RunningProgram, CreatesDefaultsThenSavesOnSigterm) {
    // A file of the user's under the name the webcam snapshot once had.
    write_bytes(work.file("TempCamPic.png"), "the user's own picture");
    Program first(work.path(), runtime.path());
    ASSERT_TRUE(wait_for_file(prefs, 20s)) << "the program never wrote its settings";
    std::this_thread::sleep_for(200ms);  // let the rewrite finish: the rename makes it appear whole anyway
    EXPECT_EQ(read_bytes(prefs), BOM + "\r\n" + defaults_group("DEFAUT", screen_width, screen_height));

    // A second copy of the same version ends at once, successfully.
    Program second(work.path(), runtime.path());
    EXPECT_EQ(second.wait_for_exit(1000ms), std::optional<int>(0));
    EXPECT_FALSE(first.wait_for_exit(0ms).has_value());

    first.signal(SIGTERM);
    EXPECT_EQ(first.wait_for_exit(20s), std::optional<int>(0));
    EXPECT_EQ(read_bytes(prefs), BOM + "\r\n" + defaults_group("DEFAUT", screen_width, screen_height) +
                                     defaults_group("USER", screen_width, screen_height));
    EXPECT_EQ(read_bytes(work.file("TempCamPic.png")), "the user's own picture");
}

TEST_F(RunningProgram, KeepsTheUsersChoicesAcrossARun) {
    const std::string before = BOM + "\r\n; mine\r\n" + defaults_group("DEFAUT", 1, 2) +
                               "[USER]\r\nQUALITE = 3\r\nPREFIX = \r\nOTHER = kept\r\n";
    write_bytes(prefs, before);
    Program program(work.path(), runtime.path());
    // The lock file appears once start-up has passed the point where signals are caught.
    ASSERT_TRUE(wait_for_file(runtime.file("Pixmold " + shown_version() + ".lock"), 20s));
    program.signal(SIGINT);
    ASSERT_EQ(program.wait_for_exit(20s), std::optional<int>(0));
    std::string after = read_bytes(prefs);
    EXPECT_NE(after.find("; mine\r\n"), std::string::npos);
    EXPECT_NE(after.find("[USER]\r\nQUALITE = 3\r\nPREFIX = 0\r\nOTHER = kept\r\nMODE = REL\r\n"), std::string::npos)
        << after;
    EXPECT_NE(after.find("Taille_Paysage = " + std::to_string(screen_width)), std::string::npos);
}

TEST_F(RunningProgram, StartsAgainAfterTheFirstWasKilled) {
    {
        Program crashed(work.path(), runtime.path());
        ASSERT_TRUE(wait_for_file(prefs, 20s));
        crashed.signal(SIGKILL);
        EXPECT_EQ(crashed.wait_for_exit(5s), std::optional<int>(128 + SIGKILL));
    }
    Program next(work.path(), runtime.path());
    EXPECT_FALSE(next.wait_for_exit(1500ms).has_value()) << "a dead instance must not block the next start";
    next.signal(SIGTERM);
    EXPECT_EQ(next.wait_for_exit(20s), std::optional<int>(0));
}

}  // namespace
