// The language of pixmold-batch's messages: the settings file's when there
// is one, else the locale's.
#include <gtest/gtest.h>

#include <map>

#include "job_fixture.h"
#include "tool_run.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

struct LocaleCase {
    const char* name;
    const char* lc_all;  // LC_ALL, LC_MESSAGES and LANG; null: unset
    const char* lc_messages;
    const char* lang;
    Language language;
};
void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.name; }

class CliLanguage : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(CliLanguage, MessagesFollowTheSettingsFileElseTheLocale) {
    const LocaleCase& c = GetParam();
    TempDir dir;
    copy_in(dir, "base.jpg", "a.jpg");
    write_bytes(dir.file("notes.txt"), "x");
    // A picture written, one that fails and a file left aside, in one order.
    const std::vector<std::string> args{"--threads", "1", "a.jpg", "missing.jpg", "notes.txt"};
    std::vector<std::string> env{"env", "-u", "LC_ALL", "-u", "LC_MESSAGES", "-u", "LANG"};
    const std::pair<const char*, const char*> locale[] = {{"LC_ALL=", c.lc_all}, {"LC_MESSAGES=", c.lc_messages},
                                                           {"LANG=", c.lang}};
    for (const auto& [name, value] : locale)
        if (value) env.push_back(std::string(name) + value);
    // What the run says in the locale, and with a settings file naming each language.
    std::map<std::string, std::string> told;
    for (const char* file : {"", "FR", "UK"}) {
        if (*file) write_bytes(dir.file("pref.vrn"), std::string("[DEFAUT]\nLNG = ") + file + "\n");
        told[file] = run_tool(dir.folder(), args, env).err;
    }
    ASSERT_NE(told["FR"], told["UK"]);
    EXPECT_EQ(told[""], told[c.language == Language::French ? "FR" : "UK"]);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, CliLanguage,
    ::testing::Values(LocaleCase{"FrenchLang", nullptr, nullptr, "fr_FR.UTF-8", Language::French},
                      LocaleCase{"CanadianFrenchMessages", nullptr, "fr_CA.UTF-8", "en_GB.UTF-8", Language::French},
                      LocaleCase{"EmptyLcAllIsSkipped", "", nullptr, "fr_BE@euro", Language::French},
                      LocaleCase{"EnglishLang", nullptr, nullptr, "en_US.UTF-8", Language::English},
                      LocaleCase{"LcAllRulesOverFrench", "C.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", Language::English},
                      LocaleCase{"GermanLang", nullptr, nullptr, "de_DE.UTF-8", Language::English},
                      LocaleCase{"NothingSet", nullptr, nullptr, nullptr, Language::English}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pixmold
