// The window program's first start from a terminal or from the desktop
// (--menu): where it keeps its settings, and the language of a new file.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "app/settings_place.h"
#include "core/settings.h"
#include "running_program.h"
#include "toolkit/toolkit.h"
#include "temp_dir.h"
#include "core/version.h"

namespace pixmold {
namespace {

using namespace pixmold::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct StartCase {
    const char* name;
    bool menu;
    const char* config_home;   // XDG_CONFIG_HOME under the temp folder (null: unset; "!x": the relative "x")
    const char* where;         // the folder the settings file is in, under the temp folder
    const char* lang;          // LANG, with LC_ALL and LC_MESSAGES unset
    Language language;         // the settings' language: the locale's for a new file
    bool home_file = false;    // a ~/pref.vrn left by an earlier menu start, QUALITE 3
    bool config_file = false;  // a file in the configuration folder already, QUALITE 5
    std::int64_t quality = 8;
};
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class FirstStart : public ::testing::TestWithParam<StartCase> {
protected:
    TempDir root;
};

TEST_P(FirstStart, MenuStartsKeepSettingsInTheConfigFolderANewFileSpeaksTheLocale) {
    const StartCase& c = GetParam();
    ASSERT_TRUE(init_toolkit());  // the offscreen screen the program sees
    Settings expected = default_settings(desktop_width(), desktop_height());
    expected.language = c.language;
    expected.quality = c.quality;
    const std::string home = root.file("home"), folder = root.file(c.where), file = folder + "/pref.vrn";
    const auto settings_file = [](int quality) {
        return "\xEF\xBB\xBF\r\n[DEFAUT]\r\n[USER]\r\nQUALITE = " + std::to_string(quality) + "\r\n";
    };
    for (const std::string& f : {home, root.file("work"), root.file("runtime")}) fs::create_directories(f);
    if (!c.menu || c.config_file) fs::create_directories(folder);  // else the program makes it
    fs::permissions(root.file("runtime"), fs::perms::owner_all);
    if (c.home_file) write_bytes(home + "/pref.vrn", settings_file(3));
    if (c.config_file) write_bytes(file, settings_file(5));

    ProgramStart start(c.menu ? root.file("work") : folder, root.file("runtime"));
    if (c.menu) start.args = {std::string(MENU_OPTION)};
    start.environment = {"HOME=" + home, "LC_ALL", "LC_MESSAGES", std::string("LANG=") + c.lang, "XDG_CONFIG_HOME"};
    if (c.config_home)
        start.environment.push_back("XDG_CONFIG_HOME=" +
                                    (c.config_home[0] == '!' ? std::string(c.config_home + 1) : root.file(c.config_home)));
    Program program(start);
    // Once the lock is taken, start-up catches the close signal that a session's end sends.
    ASSERT_TRUE(wait_for_file(file, 20s) && wait_for_file(root.file("runtime/Pixmold " + shown_version() + ".lock"), 20s));
    program.signal(SIGTERM);
    ASSERT_EQ(program.wait_for_exit(20s), std::optional<int>(0));

    EXPECT_EQ(read_settings(file, desktop_width(), desktop_height()), std::optional<Settings>(expected));
    if (c.language == Language::French && !c.home_file && !c.config_file) {
        // A French first start writes the very file it always has: the
        // French defaults, then every setting into the user's group.
        const std::string earlier = root.file("earlier.vrn");
        Settings defaults = load_settings(earlier, desktop_width(), desktop_height());
        write_all_settings(earlier, defaults);
        EXPECT_EQ(read_bytes(file), read_bytes(earlier));
        fs::remove(earlier);
    }
    // Nowhere else; a home file that is not the one used stays as it was.
    const bool home_file_left = c.home_file && folder != home;
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root.path()))
        if (e.path().filename() == "pref.vrn") files.push_back(e.path().string());
    EXPECT_EQ(files.size(), home_file_left ? 2u : 1u) << ::testing::PrintToString(files);
    if (home_file_left) {
        EXPECT_EQ(read_bytes(home + "/pref.vrn"), settings_file(3));
    }
    if (c.menu && !c.config_file) {
        EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    }
}

const Language FR = Language::French, EN = Language::English;
INSTANTIATE_TEST_SUITE_P(
    Starts, FirstStart,
    ::testing::Values(StartCase{"TerminalFrench", false, "config", "work", "fr_FR.UTF-8", FR},
                      StartCase{"TerminalEnglish", false, nullptr, "work", "en_US.UTF-8", EN},
                      StartCase{"TerminalInHomeUsesItsFile", false, nullptr, "home", "en_US.UTF-8", FR, true, false, 3},
                      StartCase{"MenuXdgConfigHome", true, "config", "config/pixmold", "C.UTF-8", EN},
                      StartCase{"MenuNoXdgConfigHome", true, nullptr, "home/.config/pixmold", "fr_CA.UTF-8", FR},
                      StartCase{"MenuRelativeXdgConfigHome", true, "!config", "home/.config/pixmold", "de_DE", EN},
                      StartCase{"MenuTakesOverTheHomeFile", true, nullptr, "home/.config/pixmold", "en_US", FR, true,
                                false, 3},
                      StartCase{"MenuKeepsItsOwnFile", true, "config", "config/pixmold", "en_US", FR, true, true, 5}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pixmold
