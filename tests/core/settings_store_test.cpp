#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/settings.h"
#include "no_permission_override.h"
#include "temp_dir.h"

using namespace pixmold;
using pixmold::test::read_bytes;
using pixmold::test::write_bytes;

namespace {

const std::string BOM = "\xEF\xBB\xBF";

std::string group(const std::string& name, const std::string& mode, long long quality, long long paysage,
                  long long portrait, long long free_l, long long free_h, long long l, long long h, long long visible,
                  const std::string& prefix, const std::string& lng, const std::string& type = "JPG") {
    auto n = [](long long v) { return std::to_string(v); };
    return "[" + name + "]\r\nMODE = " + mode + "\r\nTYPE = " + type + "\r\nQUALITE = " + n(quality) +
           "\r\nTaille_Paysage = " + n(paysage) + "\r\nTaille_Portrait = " + n(portrait) + "\r\nFREE_L = " +
           n(free_l) + "\r\nFREE_H = " + n(free_h) + "\r\nL = " + n(l) + "\r\nH = " + n(h) +
           "\r\nVISIBLE = " + n(visible) + "\r\nPREFIX = " + prefix + "\r\nLNG = " + lng + "\r\n";
}

std::string defaults_group(const std::string& name, int w, int h) {
    return group(name, "REL", 8, w, h, w, h, w, h, 1, "prefix_", "FR");
}

class SettingsStore : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("pref.vrn");
};

TEST_F(SettingsStore, NoFileCreatesDefaultsInDefaut) {
    const Settings s = load_settings(path, 1920, 1080);
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1920, 1080));
    EXPECT_EQ(s.free_width, 1920);
    EXPECT_EQ(s.portrait_height, 1080);
    EXPECT_EQ(s.prefix, "prefix_");
    EXPECT_EQ(s, default_settings(1920, 1080));
}

TEST_F(SettingsStore, FirstChangeAddsAUserGroupAfterDefaut) {
    Settings s = load_settings(path, 1920, 1080);
    s.quality = 5;
    s.mode = Mode::Free;
    write_setting(path, s, SettingKey::Quality);
    write_setting(path, s, SettingKey::Mode);
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1920, 1080) +
                                    "[USER]\r\nQUALITE = 5\r\nMODE = LIB\r\n");
    EXPECT_EQ(count_groups(path), 2);
}

TEST_F(SettingsStore, FullSaveWritesEveryKeyIntoUser) {
    Settings s = load_settings(path, 1280, 1024);
    s.quality = 3;
    s.language = Language::English;
    EXPECT_TRUE(write_all_settings(path, s));
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1280, 1024) +
                                    group("USER", "REL", 3, 1280, 1024, 1280, 1024, 1280, 1024, 1, "prefix_", "UK"));
}

// One key at a time writes the same words and numbers as a full save.
TEST_F(SettingsStore, EveryKeyAloneAsAFullSaveWritesIt) {
    Settings s = load_settings(path, 1280, 1024);
    s.mode = Mode::Free;
    s.format = OutputFormat::Png;
    s.quality = 2;
    s.landscape_width = 11;
    s.portrait_height = 12;
    s.adjusted_free_width = 13;
    s.adjusted_free_height = 14;
    s.free_width = 15;
    s.free_height = 16;
    s.visible = 0;
    s.prefix = "x_";
    s.language = Language::English;
    for (const SettingKey key :
         {SettingKey::Mode, SettingKey::Format, SettingKey::Quality, SettingKey::LandscapeWidth,
          SettingKey::PortraitHeight, SettingKey::AdjustedFreeWidth, SettingKey::AdjustedFreeHeight,
          SettingKey::FreeWidth, SettingKey::FreeHeight, SettingKey::Visible, SettingKey::Prefix, SettingKey::Language})
        write_setting(path, s, key);
    const std::string one_by_one = read_bytes(path);
    EXPECT_EQ(one_by_one, BOM + "\r\n" + defaults_group("DEFAUT", 1280, 1024) +
                              group("USER", "LIB", 2, 11, 12, 13, 14, 15, 16, 0, "x_", "UK", "PNG"));
    Settings again = s;
    again.quality = 9;
    EXPECT_TRUE(write_all_settings(path, again));
    EXPECT_NE(read_bytes(path), one_by_one);
    EXPECT_TRUE(write_all_settings(path, s));
    EXPECT_EQ(read_bytes(path), one_by_one);
    EXPECT_EQ(load_settings(path, 1, 1), s);
}

TEST_F(SettingsStore, OnlyAUserGroupMeansDefaultsEverywhere) {
    write_bytes(path, BOM + "\r\n" + group("USER", "LIB", 2, 1, 2, 3, 4, 5, 6, 0, "x_", "UK"));
    const Settings s = load_settings(path, 800, 600);
    EXPECT_EQ(s.mode, Mode::Relative);
    EXPECT_EQ(s.quality, 8);
    EXPECT_EQ(s.free_width, 800);
    EXPECT_EQ(s.visible, 1);
    EXPECT_EQ(s.language, Language::French);
}

TEST_F(SettingsStore, BothGroupsReadUserAndMissingKeysTakeDefaults) {
    const std::string file = BOM + "\r\n" + group("DEFAUT", "LIB", 1, 11, 12, 13, 14, 15, 16, 0, "d_", "UK") +
                             "[USER]\r\nMODE = LIB\r\nQUALITE = 4\r\nL = 70000\r\nPREFIX = mine_\r\n";
    write_bytes(path, file);
    const Settings s = load_settings(path, 1024, 768);
    EXPECT_EQ(s.mode, Mode::Free);
    EXPECT_EQ(s.quality, 4);
    EXPECT_EQ(s.free_width, 4464);   // only the low 16 bits of 70000
    EXPECT_EQ(s.free_height, 768);   // missing from USER: the default, not DEFAUT's 16
    EXPECT_EQ(s.landscape_width, 1024);
    EXPECT_EQ(s.visible, 1);
    EXPECT_EQ(s.prefix, "mine_");
    EXPECT_EQ(s.language, Language::French);
    EXPECT_EQ(read_bytes(path), file);  // loading never rewrites
}

// Words that name no choice are read as Other and a full save writes them
// back as they were; a known word replaces them once the choice is made.
TEST_F(SettingsStore, UnknownWordsAreKeptThroughAFullSave) {
    write_bytes(path, BOM + "\r\n" + defaults_group("DEFAUT", 800, 600) +
                          "[USER]\r\nMODE = rel\r\nTYPE = GIF\r\nLNG = ES\r\n");
    Settings s = load_settings(path, 800, 600);
    EXPECT_EQ(s.mode, Mode::Other);
    EXPECT_EQ(s.format, OutputFormat::Other);
    EXPECT_EQ(s.language, Language::Other);
    EXPECT_EQ(mode_word(s), "rel");
    EXPECT_EQ(format_word(s), "GIF");
    EXPECT_EQ(language_word(s), "ES");
    EXPECT_TRUE(write_all_settings(path, s));
    EXPECT_NE(read_bytes(path).find("[USER]\r\nMODE = rel\r\nTYPE = GIF\r\nLNG = ES\r\nQUALITE = 8\r\n"),
              std::string::npos);
    EXPECT_EQ(load_settings(path, 800, 600), s);
    s.mode = Mode::Free;
    s.language = Language::English;
    write_setting(path, s, SettingKey::Mode);
    write_setting(path, s, SettingKey::Language);
    const Settings again = load_settings(path, 800, 600);
    EXPECT_EQ(again.mode, Mode::Free);
    EXPECT_EQ(again.language, Language::English);
    EXPECT_EQ(format_word(again), "GIF");
}

TEST_F(SettingsStore, ReadingNeverWritesAndTellsAnEmptyFileFromNone) {
    EXPECT_FALSE(read_settings(path, 800, 600));
    EXPECT_FALSE(std::filesystem::exists(path));
    write_bytes(path, BOM + " \r\n");
    EXPECT_FALSE(read_settings(path, 800, 600));
    EXPECT_EQ(read_bytes(path), BOM + " \r\n");
    write_bytes(path, "[DEFAUT]\r\n[USER]\r\nQUALITE = 2\r\n");
    const auto s = read_settings(path, 800, 600);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->quality, 2);
    EXPECT_EQ(s->landscape_width, 800);
}

TEST_F(SettingsStore, GroupCounting) {
    EXPECT_EQ(count_groups(path), -1);
    write_bytes(path, "A=1\n");
    EXPECT_EQ(count_groups(path), 0);
    write_bytes(path, "[A]\n[B]\n[a]\n");
    EXPECT_EQ(count_groups(path), 3);
}

TEST_F(SettingsStore, EmptyPrefixIsStoredAsZero) {
    Settings s = load_settings(path, 800, 600);
    s.prefix = "";
    EXPECT_TRUE(write_all_settings(path, s));
    EXPECT_EQ(s.prefix, "0");
    EXPECT_EQ(load_settings(path, 800, 600).prefix, "0");
}

TEST_F(SettingsStore, ReadOnlyFileLoadsButIsNotSaved) {
    test::NoPermissionOverride as_user;
    if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
    const std::string file = BOM + "\r\n" + defaults_group("DEFAUT", 800, 600) + "[USER]\r\nQUALITE = 2\r\n";
    write_bytes(path, file);
    ::chmod(path.c_str(), 0444);
    Settings s = load_settings(path, 800, 600);
    EXPECT_EQ(s.quality, 2);
    s.quality = 9;
    EXPECT_FALSE(write_all_settings(path, s));
    write_setting(path, s, SettingKey::Quality);
    EXPECT_EQ(read_bytes(path), file);
    EXPECT_EQ(s.quality, 9);  // the program keeps working with its values
}

TEST_F(SettingsStore, VanishedFileIsNotSaved) {
    Settings s = load_settings(path, 800, 600);
    std::filesystem::remove(path);
    EXPECT_FALSE(write_all_settings(path, s));
    write_setting(path, s, SettingKey::Mode);  // silent, and creates nothing
    EXPECT_FALSE(std::filesystem::exists(path));
}

// What a kill during the first start of an earlier version could leave: an
// empty file holds no settings and gets the defaults, like no file.
TEST_F(SettingsStore, EmptyFileIsRewrittenWithTheDefaults) {
    for (const std::string& empty : {std::string(), BOM, std::string(" \r\n\t\n")}) {
        SCOPED_TRACE(testing::Message() << empty.size() << " bytes");
        write_bytes(path, empty);
        Settings s = load_settings(path, 1920, 1080);
        EXPECT_EQ(s.free_width, 1920);
        EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1920, 1080));
        write_setting(path, s, SettingKey::Quality);
        EXPECT_EQ(count_groups(path), 2);
    }
}

TEST_F(SettingsStore, UnreadableFileIsRewrittenWithTheDefaults) {
    write_bytes(path, "[USER]\r\nQUALITE = 2\r\n");
    ::chmod(path.c_str(), 0200);
    Settings s;
    {
        test::NoPermissionOverride as_user;
        if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
        s = load_settings(path, 800, 600);
    }
    EXPECT_EQ(s.quality, 8);
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 800, 600));
}

TEST_F(SettingsStore, UncreatableFileStillGivesDefaults) {
    const std::string missing = dir.file("missing/folder/pref.vrn");
    Settings s = load_settings(missing, 640, 480);
    EXPECT_EQ(s.landscape_width, 640);
    EXPECT_EQ(s.free_height, 480);
    EXPECT_FALSE(write_all_settings(missing, s));
}

TEST(SettingValues, DefaultsKeepTheFilesSixteenBitSizes) {
    Settings big = default_settings(40000, 100);
    EXPECT_EQ(big.free_width, -25536);  // 16 bits kept, as the file's L does
    EXPECT_EQ(big.landscape_width, 40000);
    EXPECT_EQ(big.adjusted_free_height, 100);
}

}  // namespace
