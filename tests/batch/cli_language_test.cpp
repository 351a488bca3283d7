// The language of pixmold-batch's messages: the settings file's when there
// is one, else the locale's.
#include <gtest/gtest.h>

#include <ostream>

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

const LocaleCase LOCALE_CASES[] = {
    {"FrenchLang", nullptr, nullptr, "fr_FR.UTF-8", Language::French},
    {"CanadianFrenchMessages", nullptr, "fr_CA.UTF-8", "en_GB.UTF-8", Language::French},
    {"EmptyLcAllIsSkipped", "", nullptr, "fr_BE@euro", Language::French},
    {"EnglishLang", nullptr, nullptr, "en_US.UTF-8", Language::English},
    {"LcAllRulesOverFrench", "C.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", Language::English},
    {"GermanLang", nullptr, nullptr, "de_DE.UTF-8", Language::English},
    {"NothingSet", nullptr, nullptr, nullptr, Language::English},
};

class CliLanguage : public ::testing::TestWithParam<LocaleCase> {
protected:
    TempDir dir;
    // A picture written, one that fails and a file left aside: every kind
    // of message the run's end has, in the same order every time.
    const std::vector<std::string> args{"--threads", "1", "a.jpg", "missing.jpg", "notes.txt"};

    void SetUp() override {
        copy_in(dir, "base.jpg", "a.jpg");
        write_bytes(dir.file("notes.txt"), "x");
    }
    // What a run says with a settings file naming `word` as its language.
    std::string told_with_file(const char* word) {
        write_bytes(dir.file("lang.vrn"), std::string("[DEFAUT]\nLNG = ") + word + "\n");
        std::vector<std::string> with{"--settings", "lang.vrn"};
        with.insert(with.end(), args.begin(), args.end());
        return run_tool(dir.folder(), with, {"env", "LC_ALL=C"}).err;
    }
};

TEST_P(CliLanguage, MessagesFollowTheSettingsFileElseTheLocale) {
    const LocaleCase& c = GetParam();
    const std::string french = told_with_file("FR"), english = told_with_file("UK");
    ASSERT_NE(french, english);
    std::vector<std::string> env{"env", "-u", "LC_ALL", "-u", "LC_MESSAGES", "-u", "LANG"};
    const std::pair<const char*, const char*> locale[] = {{"LC_ALL=", c.lc_all}, {"LC_MESSAGES=", c.lc_messages},
                                                           {"LANG=", c.lang}};
    for (const auto& [name, value] : locale)
        if (value) env.push_back(std::string(name) + value);
    const auto told = [&] { return run_tool(dir.folder(), args, env).err; };

    EXPECT_EQ(told(), c.language == Language::French ? french : english) << "without a settings file";
    for (const char* word : {"FR", "UK"}) {
        write_bytes(dir.file("pref.vrn"), std::string("[DEFAUT]\nLNG = ") + word + "\n");
        EXPECT_EQ(told(), word == std::string("FR") ? french : english) << "with LNG = " << word;
    }
}

INSTANTIATE_TEST_SUITE_P(Locales, CliLanguage, ::testing::ValuesIn(LOCALE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pixmold
