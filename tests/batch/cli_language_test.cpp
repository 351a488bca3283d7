// The language of pixmold-batch's messages: the settings file's when there
// is one, else the locale's.
#include <gtest/gtest.h>

#include "job_fixture.h"
#include "locale_cases.h"
#include "tool_run.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

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
    const auto told = [&] { return run_tool(dir.folder(), args, locale_env(c)).err; };

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
