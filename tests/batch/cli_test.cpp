#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "batch/cli.h"
#include "batch/intake.h"
#include "batch/texts.h"
#include "job_fixture.h"
#include "scratch_mount.h"
#include "tool_run.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;
};

TEST_F(Cli, BadArgumentsExitWithTwoAndSayWhy) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no PATH"},
        {{"--bogus", "x.jpg"}, "unknown option: --bogus"},
        {{"--quality", "11", "x.jpg"}, "--quality"},
        {{"--quality", "8x", "x.jpg"}, "--quality"},
        {{"--mode", "relative", "x.jpg"}, "--mode"},
        {{"--format", "gif", "x.jpg"}, "--format"},
        {{"--threads", "0", "x.jpg"}, "--threads"},
        {{"--width", "40000", "x.jpg"}, "--width"},
        {{"x.jpg", "--prefix"}, "missing value"},
        {{"--settings", "nowhere.vrn", "x.jpg"}, "nowhere.vrn"},
        {{"notes.txt"}, "no picture"},
        {{"--files-from", "list.txt", "x.jpg"}, "--files-from"},
        {{"-0", "x.jpg"}, "-0"},
        {{"--files-from", "nowhere.txt"}, "nowhere.txt"},
        {{"--report", "nowhere/report.jsonl", "x.jpg"}, "nowhere/report.jsonl"},
    };
    for (const auto& [args, says] : cases) {
        const ToolRun r = run_tool(dir.folder(), args);
        EXPECT_EQ(r.status, 2) << says;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
}

TEST_F(Cli, HelpAndTheNoPictureMessageNameTheExtensionsTaken) {
    // Every ".ext" word of the help is taken, and every extension taken is named.
    const std::string help = CLI_USAGE;
    std::vector<std::string> named;
    for (std::size_t at = 1; at < help.size(); ++at) {
        if (help[at] != '.' || !std::isspace(static_cast<unsigned char>(help[at - 1]))) continue;
        std::size_t end = at + 1;
        while (end < help.size() && std::isalnum(static_cast<unsigned char>(help[end]))) ++end;
        if (end > at + 1) named.push_back(help.substr(at, end - at));
    }
    for (const std::string& ext : named) EXPECT_TRUE(is_picture_path("x" + ext)) << ext;
    for (const PictureType& type : PICTURE_TYPES)
        EXPECT_NE(std::find(named.begin(), named.end(), std::string(type.extension)), named.end()) << type.extension;
    const ToolRun r = run_tool(dir.path(), {"notes.txt"});
    std::string listed = "(";
    listed += picture_extensions_text();
    listed += ')';
    EXPECT_NE(r.err.find(listed), std::string::npos) << r.err;
}

// Every kind of picture the engine reads is taken, in any letter case; the
// other files among the paths are named and counted (a folder's subfolders
// are not files). The window counts them the same way (session tests).
TEST_F(Cli, EveryKindReadIsTakenAndOtherFilesAreLeftAsideByName) {
    namespace fs = std::filesystem;
    const std::string images = std::string(PIXMOLD_TEST_DATA) + "/image/";
    fs::create_directories(dir.folder() / "in/sub");
    for (const auto& [data, as] : std::vector<std::pair<std::string, std::string>>{
             {"tiff-rgb.tif", "a.tiff"}, {"tga-24.tga", "b.tga"}, {"icon-16.ico", "c.ico"},
             {"tiff-grey.tif", "d.TIFF"}, {"tga-32.tga", "e.Tga"}, {"icon-256.ico", "f.ICO"}})
        fs::copy_file(images + data, dir.folder() / "in" / as);
    std::ofstream(dir.folder() / "in/notes.txt") << "x";
    std::ofstream(dir.folder() / "in/README") << "x";
    copy_in(dir, "base.jpg", "in/sub/g.jpg");

    ToolRun r = run_tool(dir.folder(), {"--landscape-width", "16", "--portrait-height", "16", "in"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* name : {"a", "b", "c", "d", "e", "f"})
        EXPECT_EQ(Decoded((dir.folder() / "in" / ("prefix_" + std::string(name) + ".jpg")).string()).width(), 16) << name;
    EXPECT_NE(r.err.find("pixmold-batch: left aside, not a picture: in/notes.txt\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("pixmold-batch: left aside, not a picture: in/README\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("sub"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Terminé ! 6 image(s) traitée(s). (2 ignoré(s))\n"), std::string::npos) << r.err;
    r = run_tool(dir.folder() / "in", {"a.tiff", "notes.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("pixmold-batch: left aside, not a picture: notes.txt\n"), std::string::npos) << r.err;
}

// An output name, or a whole path, longer than the file system takes: the
// failure says so.
TEST_F(Cli, AnOutputNameOrPathTooLongIsNamedAsTheCause) {
    namespace fs = std::filesystem;
    const std::string long_name = copy_in(dir, "base.jpg", std::string(240, 'n') + ".jpg");
    // A folder whose sources can be read but whose outputs' paths are over PATH_MAX.
    fs::path deep = dir.folder();
    while (deep.string().size() + 201 < 4000) deep /= std::string(200, 'd');
    deep /= std::string(4000 - deep.string().size() - 1, 'd');
    fs::create_directories(deep);
    const std::string deep_source = (deep / "a.jpg").string();
    fs::copy_file(kData + "base.jpg", deep_source);
    std::ofstream(dir.folder() / "pref.vrn") << "[DEFAUT]\nLNG = UK\n";
    const ToolRun r = run_tool(dir.folder(), {"--prefix", std::string(100, 'p'), "--landscape-width", "16",
                                              "--portrait-height", "16", long_name, deep_source});
    EXPECT_EQ(r.status, 1) << r.err;
    for (const std::string& source : {long_name, deep_source})
        EXPECT_NE(r.err.find("failed: " + source + " (cannot be written: name too long)\n"), std::string::npos) << r.err;
}

TEST_F(Cli, ParsesEveryOptionInBothSpellings) {
    std::string error;
    const auto o = parse_cli({"--mode", "free", "--width=640", "--height", "480", "--format=png", "--quality", "0",
                              "--prefix", "", "--threads", "3", "--landscape-width", "1920", "--portrait-height=1080",
                              "--", "--odd.jpg"},
                             error);
    ASSERT_TRUE(o) << error;
    BatchSettings s = apply_cli(BatchSettings{}, *o);
    EXPECT_EQ(s.mode, Mode::Free);
    EXPECT_EQ(s.free_width, 640);
    EXPECT_EQ(s.free_height, 480);
    EXPECT_EQ(s.format, OutputFormat::Png);
    EXPECT_EQ(s.quality, 0);
    EXPECT_EQ(s.prefix, "");
    EXPECT_EQ(s.landscape_width, 1920);
    EXPECT_EQ(s.portrait_height, 1080);
    EXPECT_EQ(o->threads, 3);
    EXPECT_EQ(o->paths, std::vector<std::string>{"--odd.jpg"});
}

TEST_F(Cli, WritesEveryPictureAndExitsWithZero) {
    std::filesystem::create_directories(dir.folder() / "in");
    copy_in(dir, "base.jpg", "in/a.jpg");
    copy_in(dir, "orient6_mm.jpg", "in/b.jpg");
    const ToolRun r = run_tool(dir.folder(), {"--mode", "rel", "--landscape-width", "16", "--portrait-height", "16", "in"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(folder_names(dir.folder() / "in"), (std::vector<std::string>{"a.jpg", "b.jpg", "prefix_a.jpg", "prefix_b.jpg"}));
    EXPECT_EQ(Decoded((dir.folder() / "in/prefix_b.jpg").string()).height(), 16);
    // One line per picture when standard error is not a terminal, then the finished text.
    EXPECT_NE(r.err.find("1/2 "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("2/2 "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Terminé ! 2 image(s) traitée(s).\n"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.folder() / "pref.vrn"));  // never written
}

TEST_F(Cli, FailuresExitWithOneAndAreNamed) {
    const std::string bad = copy_in(dir, "corrupt.jpg");
    const std::string good = copy_in(dir, "base.jpg");
    const ToolRun r = run_tool(dir.folder(), {"--landscape-width", "16", "--portrait-height", "16", bad, good});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Terminé ! 1 image(s) traitée(s). (1 échec(s))"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("failed: " + bad + " (illisible : pas une image, ou endommagée)\n"), std::string::npos)
        << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "prefix_base.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir.folder() / "prefix_corrupt.jpg"));
}

TEST_F(Cli, FailedLinesSayWhyAPictureCouldNotBeWritten) {
    // Conditions root cannot write past: a read-only and a full file system.
    ScratchMount ro(dir.folder() / "ro", 256, {kData + "base.jpg"});
    if (!ro.mounted()) GTEST_SKIP() << "mounting a file system needs root";
    ASSERT_TRUE(ro.make_read_only());
    ScratchMount full(dir.folder() / "full", 256, {kData + "base.jpg"});
    ASSERT_TRUE(full.mounted());
    full.fill();
    // A folder the tool may not write: the tool runs as "nobody" for it,
    // which must still reach the test's folder.
    namespace fs = std::filesystem;
    fs::permissions(dir.folder(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(dir.folder() / "locked");
    fs::create_directories(dir.folder() / "open");
    copy_in(dir, "base.jpg", "locked/base.jpg");
    copy_in(dir, "base.jpg", "open/base.jpg");
    fs::permissions(dir.folder() / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir.folder() / "open", fs::perms::all);
    std::ofstream(dir.folder() / "pref.vrn") << "[DEFAUT]\nLNG = UK\nMODE = REL\nTYPE = JPG\nPREFIX = s_\n";
    const std::vector<std::string> sources = {(ro.path() / "base.jpg").string(), (full.path() / "base.jpg").string(),
                                              (dir.folder() / "locked/base.jpg").string(),
                                              (dir.folder() / "open/base.jpg").string()};
    std::vector<std::string> args = {"--landscape-width", "16", "--portrait-height", "16"};
    args.insert(args.end(), sources.begin(), sources.end());
    const ToolRun r = run_tool(dir.folder(), args, {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("Finish ! 1 pictures were processed.. (3 failed)\n"
                         "failed: " + sources[0] + " (cannot be written: read-only)\n"
                         "failed: " + sources[1] + " (cannot be written: disk full)\n"
                         "failed: " + sources[2] + " (cannot be written: no permission)\n"),
              std::string::npos)
        << r.err;
    // The same reasons on the lines written as the pictures end.
    EXPECT_NE(r.err.find(sources[2] + ": failed (cannot be written: no permission)\n"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(dir.folder() / "open/s_base.jpg"));
    EXPECT_EQ(folder_names(dir.folder() / "locked"), std::vector<std::string>{"base.jpg"});
}

TEST_F(Cli, APictureThatFillsTheDiskAsItIsWrittenSaysSo) {
    // A JPEG goes to its file as its rows are decoded: a disk that fills
    // half-way is a write failure, and leaves no file.
    ASSERT_NE(create_image(977, 800, 600, 24), 0u);
    const PixelView v = image_pixels(977);
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width * 3; ++x) v.row_from_top(y)[x] = std::uint8_t((x * 7919 + y * 104729) >> 3);
    ASSERT_TRUE(save_image(977, dir.file("noise.jpg"), TAG_JPEG, 10));
    free_image(977);
    const int source_kib = int(std::filesystem::file_size(dir.file("noise.jpg")) >> 10);
    ScratchMount tight(dir.folder() / "tight", source_kib + 64, {dir.file("noise.jpg")});
    if (!tight.mounted()) GTEST_SKIP() << "mounting a file system needs root";
    std::ofstream(dir.folder() / "pref.vrn") << "[DEFAUT]\nLNG = UK\n";
    const ToolRun r = run_tool(dir.folder(), {"--landscape-width", "800", "--portrait-height", "800", "--format", "jpg",
                                              "--quality", "10", "--prefix", "s_", "tight/noise.jpg"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("tight/noise.jpg (cannot be written: disk full)"), std::string::npos) << r.err;
    EXPECT_EQ(folder_names(tight.path()), std::vector<std::string>{"noise.jpg"});
}

TEST_F(Cli, ReadsTheSettingsFileWithoutWritingItAndOptionsWin) {
    const std::string prefs =
        "\n[DEFAUT]\nMODE = REL\nTYPE = JPG\nLNG = FR\nPREFIX = prefix_\n"
        "[USER]\nMODE = LIB\nTYPE = PNG\nL = 20\nH = 10\nPREFIX = small_\nLNG = UK\n";
    std::ofstream(dir.folder() / "pref.vrn", std::ios::binary) << prefs;
    copy_in(dir, "base.jpg");
    const auto before = std::filesystem::last_write_time(dir.folder() / "pref.vrn");
    ToolRun r = run_tool(dir.folder(), {"base.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    const Decoded png((dir.folder() / "small_base.png").string());
    EXPECT_EQ(png.width(), 20);
    EXPECT_EQ(png.height(), 10);
    EXPECT_NE(r.err.find("Finish ! 1 pictures were processed.."), std::string::npos) << r.err;

    r = run_tool(dir.folder(), {"--format", "jpg", "--prefix", "0", "--width", "8", "base.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Decoded((dir.folder() / "base.jpg").string()).width(), 8);  // prefix "0": the source itself
    EXPECT_EQ(slurp(dir.folder() / "pref.vrn"), prefs);
    EXPECT_EQ(std::filesystem::last_write_time(dir.folder() / "pref.vrn"), before);

    // The same file elsewhere, named with --settings.
    std::filesystem::create_directories(dir.folder() / "other");
    std::filesystem::rename(dir.folder() / "pref.vrn", dir.folder() / "other/my.vrn");
    copy_in(dir, "base.jpg", "c.jpg");
    r = run_tool(dir.folder(), {"--settings", "other/my.vrn", "c.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "small_c.png"));
}

TEST_F(Cli, APrefixThatCouldWriteOutsideTheFolderIsRefused) {
    std::filesystem::create_directories(dir.folder() / "sub");
    copy_in(dir, "base.jpg", "sub/a.jpg");
    // The reason given is the one the window gives for the same prefix.
    const std::vector<std::pair<std::vector<std::string>, PrefixFault>> cases = {
        {{"--prefix", "../escape_", "a.jpg"}, PrefixFault::Separator},
        {{"--prefix=sub/x_", "a.jpg"}, PrefixFault::Separator},
        {{"--prefix", "a\nb", "a.jpg"}, PrefixFault::ControlCharacter},
        {{"--prefix", std::string(300, 'p'), "a.jpg"}, PrefixFault::TooLong},
    };
    for (const auto& [args, fault] : cases) {
        const std::string says = "pixmold-batch: --prefix: " + prefix_fault_text(Language::English, fault);
        const ToolRun r = run_tool(dir.folder() / "sub", args);
        EXPECT_EQ(r.status, 2) << says;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_EQ(folder_names(dir.folder()), std::vector<std::string>{"sub"});
    EXPECT_EQ(folder_names(dir.folder() / "sub"), std::vector<std::string>{"a.jpg"});
}

TEST_F(Cli, AStoredPrefixThatCouldWriteOutsideGivesWayToTheDefault) {
    std::filesystem::create_directories(dir.folder() / "sub");
    copy_in(dir, "base.jpg", "sub/a.jpg");
    const std::string prefs = "[DEFAUT]\nPREFIX = prefix_\n[USER]\nPREFIX = ../esc_\nTaille_Paysage = 16\n";
    std::ofstream(dir.folder() / "sub/pref.vrn", std::ios::binary) << prefs;
    ToolRun r = run_tool(dir.folder() / "sub", {"a.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("pixmold-batch: the prefix in \"pref.vrn\" is refused (" +
                         prefix_fault_text(Language::English, PrefixFault::Separator) + ")"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("\"prefix_\" is used instead"), std::string::npos) << r.err;
    EXPECT_EQ(Decoded((dir.folder() / "sub/prefix_a.jpg").string()).width(), 16);
    EXPECT_EQ(folder_names(dir.folder()), std::vector<std::string>{"sub"});
    EXPECT_EQ(slurp(dir.folder() / "sub/pref.vrn"), prefs);

    // A prefix on the command line replaces the stored one: nothing to say.
    r = run_tool(dir.folder() / "sub", {"--prefix", "small_", "a.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("pref.vrn"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "sub/small_a.jpg"));
}

TEST_F(Cli, OneGroupFileIsReadFromItsDefaults) {
    // A file holding only its creation-time group: "DEFAUT" is the one read.
    std::ofstream(dir.folder() / "pref.vrn") << "[DEFAUT]\nTYPE = PNG\nPREFIX = d_\nMODE = LIB\nL = 12\nH = 6\n";
    copy_in(dir, "base.jpg");
    const ToolRun r = run_tool(dir.folder(), {"base.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Decoded((dir.folder() / "d_base.png").string()).width(), 12);
}

// An empty settings file (what a kill during the window's first start once
// left) holds no settings: the defaults, and the file stays as it is; the
// window rewrites it, the tool never does.
TEST_F(Cli, AnEmptySettingsFileGivesTheDefaultsAndStaysEmpty) {
    std::ofstream(dir.folder() / "pref.vrn") << " \r\n";
    copy_in(dir, "base.jpg");
    const ToolRun r = run_tool(dir.folder(), {"base.jpg"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "prefix_base.jpg"));
    EXPECT_NE(r.err.find("Terminé ! 1 image(s) traitée(s)."), std::string::npos) << r.err;
    EXPECT_EQ(slurp(dir.folder() / "pref.vrn"), " \r\n");
}

// Words of the settings file that name no choice: an unknown format gives no
// output name and an unknown mode no size, as in the window; an unknown
// language gives English.
TEST_F(Cli, UnknownWordsInTheSettingsFileFailEveryPicture) {
    copy_in(dir, "base.jpg");
    for (const char* file : {"[DEFAUT]\nTYPE = GIF\nLNG = ES\n", "[DEFAUT]\nMODE = rel\nLNG = ES\n"}) {
        std::ofstream(dir.folder() / "pref.vrn") << file;
        const ToolRun r = run_tool(dir.folder(), {"base.jpg"});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("Finish ! 0 pictures were processed.. (1 failed)"), std::string::npos) << r.err;
        EXPECT_EQ(folder_names(dir.folder()), (std::vector<std::string>{"base.jpg", "pref.vrn"}));
    }
}

}  // namespace
}  // namespace pixmold
