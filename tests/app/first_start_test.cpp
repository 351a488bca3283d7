// The window program's first start as a desktop or a terminal starts it:
// where it keeps its settings, and the language it starts in.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/settings_place.h"
#include "core/settings.h"
#include "locale_cases.h"
#include "runtime/toolkit.h"
#include "temp_dir.h"

namespace pixmold {
namespace {

using namespace pixmold::test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class FirstStart : public ::testing::Test {
protected:
    TempDir root;
    const std::string work = root.file("work"), home = root.file("home");
    int screen_width = 0, screen_height = 0;

    void SetUp() override {
        for (const char* folder : {"work", "home", "runtime"}) fs::create_directory(root.file(folder));
        ::chmod(root.file("runtime").c_str(), 0700);
        ASSERT_TRUE(init_toolkit());  // the offscreen screen the program sees
        screen_width = desktop_width();
        screen_height = desktop_height();
    }

    // Runs the program in `cwd` after the `env` words given, ends it as a
    // session's end would once `settings` exists and start-up has reached
    // the single-instance lock (where the close signals are caught), and
    // gives its exit status.
    int run(std::vector<std::string> words, bool menu, const std::string& settings, const std::string& cwd) {
        for (const std::string& set : {"HOME=" + home, "XDG_RUNTIME_DIR=" + root.file("runtime"),
                                       std::string("QT_QPA_PLATFORM=offscreen")})
            words.push_back(set);
        words.push_back(PIXMOLD_PROGRAM);
        if (menu) words.emplace_back(MENU_OPTION);
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(cwd.c_str()) == 0) ::execvp("env", argv.data());
            ::_exit(127);
        }
        const auto end = std::chrono::steady_clock::now() + 20s;
        while ((!fs::exists(settings) || fs::is_empty(root.file("runtime"))) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(10ms);
        ::kill(pid, SIGTERM);
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) ::kill(pid, SIGKILL);
            std::this_thread::sleep_for(10ms);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::optional<Settings> settings_at(const std::string& path) const {
        return read_settings(path, screen_width, screen_height);
    }
};

class FirstStartLanguage : public FirstStart, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(FirstStartLanguage, WritesTodaysDefaultsInTheLocalesLanguage) {
    const std::string file = work + "/pref.vrn";
    ASSERT_EQ(run(locale_env(GetParam()), false, file, work), 0);
    Settings expected = default_settings(screen_width, screen_height);
    expected.language = GetParam().language;
    EXPECT_EQ(settings_at(file), std::optional<Settings>(expected));
}

INSTANTIATE_TEST_SUITE_P(Locales, FirstStartLanguage, ::testing::ValuesIn(LOCALE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

struct PlaceCase {
    const char* name;
    bool menu;
    const char* config_home;      // XDG_CONFIG_HOME under the temp folder (null: unset; "!x": the relative "x")
    const char* where;            // the folder the settings file ends in, under the temp folder
    bool home_file = false;       // a ~/pref.vrn of an earlier menu start, QUALITE 3
    bool config_file = false;     // a file in the configuration folder already, QUALITE 5
    std::int64_t quality = 8;     // what the file ends with
};
void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class SettingsPlace : public FirstStart, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(SettingsPlace, MenuStartsKeepThemInTheConfigFolderTerminalStartsInTheirFolder) {
    const PlaceCase& c = GetParam();
    const auto settings_file = [](int quality) {
        return "\xEF\xBB\xBF\r\n[DEFAUT]\r\nQUALITE = 8\r\n[USER]\r\nQUALITE = " + std::to_string(quality) + "\r\n";
    };
    if (c.home_file) write_bytes(home + "/pref.vrn", settings_file(3));
    const std::string folder = root.file(c.where), file = folder + "/pref.vrn";
    if (c.config_file) {
        fs::create_directories(folder);
        write_bytes(file, settings_file(5));
    }
    std::vector<std::string> env{"env", "-u", "XDG_CONFIG_HOME", "env", "LANG=fr_FR.UTF-8"};
    if (c.config_home) env.push_back("XDG_CONFIG_HOME=" + (c.config_home[0] == '!' ? std::string(c.config_home + 1)
                                                                                   : root.file(c.config_home)));
    ASSERT_EQ(run(env, c.menu, file, c.menu ? work : folder), 0);

    const auto stored = settings_at(file);
    ASSERT_TRUE(stored) << file;
    EXPECT_EQ(stored->quality, c.quality);
    // Nowhere else: the home folder keeps only what it held, which stays as it was.
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

INSTANTIATE_TEST_SUITE_P(
    Starts, SettingsPlace,
    ::testing::Values(PlaceCase{"TerminalUsesItsFolder", false, "config", "work", true},
                      PlaceCase{"TerminalInHomeUsesTheHomeFile", false, nullptr, "home", true, false, 3},
                      PlaceCase{"MenuUsesXdgConfigHome", true, "config", "config/pixmold"},
                      PlaceCase{"MenuWithoutXdgConfigHome", true, nullptr, "home/.config/pixmold"},
                      PlaceCase{"MenuWithRelativeXdgConfigHome", true, "!config", "home/.config/pixmold"},
                      PlaceCase{"MenuTakesOverTheHomeFile", true, nullptr, "home/.config/pixmold", true, false, 3},
                      PlaceCase{"MenuKeepsItsOwnFile", true, "config", "config/pixmold", true, true, 5}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pixmold
