#include <gtest/gtest.h>
#include <sys/stat.h>

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
                  const std::string& prefix, const std::string& lng) {
    auto n = [](long long v) { return std::to_string(v); };
    return "[" + name + "]\r\nMODE = " + mode + "\r\nTYPE = JPG\r\nQUALITE = " + n(quality) +
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
    std::vector<bool> reports;

    void SetUp() override {
        settings = Settings{};
        set_save_reporter([this](bool saved) { reports.push_back(saved); });
    }
    void TearDown() override { set_save_reporter({}); }
};

TEST_F(SettingsStore, NoFileCreatesDefaultsInDefaut) {
    load_settings(path, 1920, 1080);
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1920, 1080));
    EXPECT_EQ(settings.L, 1920);
    EXPECT_EQ(settings.Taille_Portrait, 1080);
    EXPECT_TRUE(settings.PREFIX == "prefix_");
}

TEST_F(SettingsStore, FirstChangeAddsAUserGroupAfterDefaut) {
    load_settings(path, 1920, 1080);
    save_number("QUALITE", 5);
    save_text("MODE", "LIB");
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1920, 1080) +
                                    "[USER]\r\nQUALITE = 5\r\nMODE = LIB\r\n");
    EXPECT_EQ(count_groups(path), 2);
}

TEST_F(SettingsStore, FullSaveWritesEveryKeyIntoUser) {
    load_settings(path, 1280, 1024);
    settings.QUALITE = 3;
    settings.LNG = "UK";
    EXPECT_TRUE(save_all_settings());
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1280, 1024) +
                                    group("USER", "REL", 3, 1280, 1024, 1280, 1024, 1280, 1024, 1, "prefix_", "UK"));
    EXPECT_EQ(reports, std::vector<bool>{true});
}

TEST_F(SettingsStore, OnlyAUserGroupMeansDefaultsEverywhere) {
    write_bytes(path, BOM + "\r\n" + group("USER", "LIB", 2, 1, 2, 3, 4, 5, 6, 0, "x_", "UK"));
    load_settings(path, 800, 600);
    EXPECT_TRUE(settings.MODE == "REL");
    EXPECT_EQ(settings.QUALITE, 8);
    EXPECT_EQ(settings.L, 800);
    EXPECT_EQ(settings.VISIBLE, 1);
    EXPECT_TRUE(settings.LNG == "FR");
}

TEST_F(SettingsStore, BothGroupsReadUserAndMissingKeysTakeDefaults) {
    const std::string file = BOM + "\r\n" + group("DEFAUT", "LIB", 1, 11, 12, 13, 14, 15, 16, 0, "d_", "UK") +
                             "[USER]\r\nMODE = LIB\r\nQUALITE = 4\r\nL = 70000\r\nPREFIX = mine_\r\n";
    write_bytes(path, file);
    load_settings(path, 1024, 768);
    EXPECT_TRUE(settings.MODE == "LIB");
    EXPECT_EQ(settings.QUALITE, 4);
    EXPECT_EQ(settings.L, 4464);  // only the low 16 bits of 70000
    EXPECT_EQ(settings.H, 768);   // missing from USER: the default, not DEFAUT's 16
    EXPECT_EQ(settings.Taille_Paysage, 1024);
    EXPECT_EQ(settings.VISIBLE, 1);
    EXPECT_TRUE(settings.PREFIX == "mine_");
    EXPECT_TRUE(settings.LNG == "FR");
    EXPECT_EQ(read_bytes(path), file);  // loading never rewrites
}

TEST_F(SettingsStore, GroupCounting) {
    EXPECT_EQ(count_groups(path), -1);
    write_bytes(path, "A=1\n");
    EXPECT_EQ(count_groups(path), 0);
    write_bytes(path, "[A]\n[B]\n[a]\n");
    EXPECT_EQ(count_groups(path), 3);
}

TEST_F(SettingsStore, EmptyPrefixIsStoredAsZero) {
    load_settings(path, 800, 600);
    settings.PREFIX = "";
    EXPECT_TRUE(save_all_settings());
    EXPECT_TRUE(settings.PREFIX == "0");
    load_settings(path, 800, 600);
    EXPECT_TRUE(settings.PREFIX == "0");
}

TEST_F(SettingsStore, ReadOnlyFileLoadsButIsReportedNotSaved) {
    test::NoPermissionOverride as_user;
    if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
    const std::string file = BOM + "\r\n" + defaults_group("DEFAUT", 800, 600) + "[USER]\r\nQUALITE = 2\r\n";
    write_bytes(path, file);
    ::chmod(path.c_str(), 0444);
    load_settings(path, 800, 600);
    EXPECT_EQ(settings.QUALITE, 2);
    settings.QUALITE = 9;
    EXPECT_FALSE(save_all_settings());
    EXPECT_EQ(reports, std::vector<bool>{false});
    save_number("QUALITE", 9);
    EXPECT_EQ(read_bytes(path), file);
    EXPECT_EQ(settings.QUALITE, 9);  // the program keeps working with its values
}

TEST_F(SettingsStore, VanishedFileIsReportedNotSaved) {
    load_settings(path, 800, 600);
    std::filesystem::remove(path);
    EXPECT_FALSE(save_all_settings());
    EXPECT_EQ(reports, std::vector<bool>{false});
    save_text("MODE", "LIB");  // silent, and creates nothing
    EXPECT_FALSE(std::filesystem::exists(path));
}

// What a kill during the first start of an earlier version could leave: an
// empty file holds no settings and gets the defaults, like no file.
TEST_F(SettingsStore, EmptyFileIsRewrittenWithTheDefaults) {
    for (const std::string& empty : {std::string(), BOM, std::string(" \r\n\t\n")}) {
        SCOPED_TRACE(testing::Message() << empty.size() << " bytes");
        write_bytes(path, empty);
        load_settings(path, 1920, 1080);
        EXPECT_EQ(settings.L, 1920);
        EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 1920, 1080));
        save_number("QUALITE", 5);
        EXPECT_EQ(count_groups(path), 2);
    }
}

TEST_F(SettingsStore, UnreadableFileIsRewrittenWithTheDefaults) {
    write_bytes(path, "[USER]\r\nQUALITE = 2\r\n");
    ::chmod(path.c_str(), 0200);
    {
        test::NoPermissionOverride as_user;
        if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
        load_settings(path, 800, 600);
    }
    EXPECT_EQ(settings.QUALITE, 8);
    EXPECT_EQ(read_bytes(path), BOM + "\r\n" + defaults_group("DEFAUT", 800, 600));
}

TEST_F(SettingsStore, UncreatableFileStillGivesDefaults) {
    load_settings(dir.file("missing/folder/pref.vrn"), 640, 480);
    EXPECT_EQ(settings.Taille_Paysage, 640);
    EXPECT_EQ(settings.H, 480);
    EXPECT_FALSE(save_all_settings());
}

TEST(SettingValues, TextsAndNumbersCopyAndCompare) {
    Settings a = default_settings(2560, 1600);
    Settings b = a;
    b.PREFIX = "other";
    EXPECT_TRUE(a.PREFIX == "prefix_");
    EXPECT_TRUE(b.PREFIX == "other");
    EXPECT_EQ(std::string(b.PREFIX), "other");
    EXPECT_EQ(b.FREE_H, 1600);
    Settings big = default_settings(40000, 100);
    EXPECT_EQ(big.L, -25536);  // 16 bits kept, as the file's L does
    EXPECT_EQ(big.Taille_Paysage, 40000);
}

}  // namespace
