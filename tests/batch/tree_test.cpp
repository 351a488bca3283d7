// Folder trees through the real pixmold-batch: subfolders, an output folder,
// and running again over a folder that holds an earlier run's outputs.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "job_fixture.h"
#include "tool_run.h"

namespace pixmold {
namespace {

using namespace pixmold::test;
namespace fs = std::filesystem;

struct TreeCase {
    const char* name;
    std::vector<std::string> args;        // options, then paths
    int runs;                             // the same command, once or twice
    std::set<std::string> made, changed;  // files new after the runs; files whose bytes changed
    int status;                           // of the last run
    std::string says;                     // in the last run's standard error
    const char* extra = nullptr;          // one more copy of the picture a.jpg is
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.name; }

// Photos/{a.jpg, 2024/c.png, 2024/notes.txt, 2024/trip/b.jpg}, a link from
// Photos/2024 back up to Photos and one from Photos to outside/, where a
// b.jpg lies that is not Photos' own.
class Tree : public ::testing::TestWithParam<TreeCase> {
protected:
    void SetUp() override {
        start_engine();
        fs::create_directories(dir.folder() / "Photos/2024/trip");
        fs::create_directories(dir.folder() / "outside");
        copy_in(dir, "base.jpg", "Photos/a.jpg");
        copy_in(dir, "orient6_mm.jpg", "Photos/2024/trip/b.jpg");
        copy_in(dir, "base.jpg", "Photos/2024/c.png");
        copy_in(dir, "base.jpg", "outside/b.jpg");
        std::ofstream(dir.folder() / "Photos/2024/notes.txt") << "x";
        fs::create_directory_symlink("..", dir.folder() / "Photos/2024/loop");
        fs::create_directory_symlink("../outside", dir.folder() / "Photos/elsewhere");
        std::ofstream(dir.folder() / "pref.vrn")
            << "[DEFAUT]\nLNG = UK\nPREFIX = pm_\nTaille_Paysage = 16\nTaille_Portrait = 16\n";
    }

    // Every file and folder below the test's folder (links not followed):
    // a file's bytes, a folder's permission bits.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dir.folder())) {
            const std::string at = fs::relative(e.path(), dir.folder()).string();
            if (e.is_symlink()) continue;
            found[at] = e.is_directory() ? std::to_string(int(e.status().permissions() & fs::perms::all))
                                         : read_bytes(e.path().string());
        }
        return found;
    }

    TempDir dir;
};

TEST_P(Tree, RunsOverTheTreeAsAsked) {
    const TreeCase& c = GetParam();
    if (c.extra) copy_in(dir, "base.jpg", c.extra);
    const auto before = snapshot();
    ToolRun r;
    // Folders are made with the usual permissions: those the umask leaves.
    for (int run = 0; run < c.runs; ++run)
        r = run_tool(dir.folder(), c.args, {"sh", "-c", "umask 027 && exec \"$@\"", "sh"});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    std::set<std::string> made, changed;
    for (const auto& [at, bytes] : snapshot()) {
        const auto was = before.find(at);
        if (was == before.end() && fs::is_directory(dir.folder() / at))
            EXPECT_EQ(bytes, std::to_string(int(fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec)))
                << at;
        else if (was == before.end())
            made.insert(at);
        else if (was->second != bytes)
            changed.insert(at);
    }
    EXPECT_EQ(made, c.made);
    EXPECT_EQ(changed, c.changed);
    for (const auto& written : {made, changed})
        for (const std::string& at : written) {
            const Decoded out((dir.folder() / at).string());
            EXPECT_EQ(std::max(out.width(), out.height()), 16) << at;
        }
}

// Links to folders are never followed: the loop back up and the way out to
// outside/ give nothing. Folders among several paths are walked only with
// --recursive.
INSTANTIATE_TEST_SUITE_P(Subfolders, Tree, ::testing::Values(
    TreeCase{"Off", {"Photos"}, 1, {"Photos/pm_a.jpg"}, {}, 0, "Finish ! 1 pictures were processed..\n"},
    TreeCase{"On", {"--recursive", "Photos"}, 1,
             {"Photos/pm_a.jpg", "Photos/2024/pm_c.jpg", "Photos/2024/trip/pm_b.jpg"}, {}, 0,
             "Finish ! 3 pictures were processed.. (1 left aside)\n"},
    TreeCase{"SeveralFoldersOff", {"Photos/2024", "outside"}, 1, {}, {}, 2, "no picture"},
    TreeCase{"SeveralFoldersOn", {"--recursive", "Photos/2024", "outside"}, 1,
             {"Photos/2024/pm_c.jpg", "Photos/2024/trip/pm_b.jpg", "outside/pm_b.jpg"}, {}, 0,
             "Finish ! 3 pictures were processed.. (1 left aside)\n"}),
    [](const auto& info) { return info.param.name; });

// The tree below a dropped folder is kept; files dropped one by one go
// straight in, where the same name from two folders is one output. Pictures
// are listed folder by folder, files first, as the failures show.
INSTANTIATE_TEST_SUITE_P(OutputFolder, Tree, ::testing::Values(
    TreeCase{"KeepsTheTree", {"--recursive", "--output-dir", "out", "Photos"}, 1,
             {"out/pm_a.jpg", "out/2024/pm_c.jpg", "out/2024/trip/pm_b.jpg"}, {}, 0,
             "Finish ! 3 pictures were processed.. (1 left aside)\n"},
    TreeCase{"InsideTheTreeIsNeverASource", {"--recursive", "--output-dir", "Photos/2024/out", "Photos"}, 2,
             {"Photos/2024/out/pm_a.jpg", "Photos/2024/out/2024/pm_c.jpg", "Photos/2024/out/2024/trip/pm_b.jpg"}, {},
             0, "Finish ! 3 pictures were processed.. (1 left aside)\n"},
    TreeCase{"NoPrefixLeavesTheSourcesAlone", {"--prefix", "0", "--output-dir", "out", "Photos"}, 1,
             {"out/a.jpg"}, {}, 0, "Photos/a.jpg -> out/a.jpg\n"},
    TreeCase{"FilesOfTheSameName", {"--output-dir", "out", "Photos/2024/trip/b.jpg", "outside/b.jpg"}, 1,
             {"out/pm_b.jpg"}, {}, 1,
             "failed: outside/b.jpg (another picture of this batch has the same output name)\n"},
    TreeCase{"CannotBeMade", {"--recursive", "--output-dir", "Photos/a.jpg/out", "Photos"}, 1, {}, {}, 1,
             "(3 failed, 1 left aside)\nfailed: Photos/a.jpg (cannot be written)\n"
             "failed: Photos/2024/c.png (cannot be written)\nfailed: Photos/2024/trip/b.jpg (cannot be written)\n"}),
    [](const auto& info) { return info.param.name; });

// A second run over the same folder: without --skip-outputs it resizes the
// first run's outputs too; with it, they are left aside and counted, also
// where the output folder is the dropped folder. Without a prefix a picture
// is its own output and is resized again, even where another (a.png) writes
// the same output.
INSTANTIATE_TEST_SUITE_P(ReRun, Tree, ::testing::Values(
    TreeCase{"Off", {"Photos"}, 2, {"Photos/pm_a.jpg", "Photos/pm_pm_a.jpg"}, {}, 0, "1/2 "},
    TreeCase{"On", {"--skip-outputs", "Photos"}, 2, {"Photos/pm_a.jpg"}, {}, 0,
             "left aside, the output of another picture: Photos/pm_a.jpg\n"
             "1/1 Photos/a.jpg -> Photos/pm_a.jpg\nFinish ! 1 pictures were processed.. (1 left aside)\n"},
    TreeCase{"OnWithTheTreeAsOutputFolder", {"--skip-outputs", "--recursive", "--output-dir", "Photos", "Photos"},
             2, {"Photos/pm_a.jpg", "Photos/2024/pm_c.jpg", "Photos/2024/trip/pm_b.jpg"}, {}, 0,
             "Finish ! 3 pictures were processed.. (4 left aside)\n"},
    TreeCase{"OnWithoutPrefix", {"--skip-outputs", "--prefix", "0", "Photos"}, 2, {}, {"Photos/a.jpg"}, 1,
             "Finish ! 1 pictures were processed.. (1 failed)\n"
             "failed: Photos/a.png (another picture of this batch has the same output name)\n", "Photos/a.png"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace pixmold
