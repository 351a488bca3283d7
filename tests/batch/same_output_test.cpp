// Pictures of one batch that would write the same output file: one of them
// writes it and the others fail by name, the same in the window and in
// pixmold-batch, whatever the number of workers.
#include <gtest/gtest.h>

#include "batch/session.h"
#include "job_fixture.h"
#include "tool_run.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

// A plain landscape (32 x 16) or portrait (16 x 32) picture of one colour
// (0xBBGGRR), saved in the kind its name says; or a copy of a test file.
struct Source {
    std::string name;
    std::uint32_t colour = 0;
    bool portrait = false;
    std::string data;  // a file of tests/data/image instead
};
Source landscape(const std::string& name, std::uint32_t colour) { return {name, colour, false, ""}; }
Source portrait(const std::string& name, std::uint32_t colour) { return {name, colour, true, ""}; }
Source copy_of(const std::string& data, const std::string& name) { return {name, 0, false, data}; }

struct Case {
    std::vector<Source> sources;  // in list order; a name given twice is the same file
    std::string prefix, format;
    std::vector<std::pair<std::string, std::size_t>> outputs;  // output name, the source that writes it
    std::vector<std::size_t> yielding;  // the sources that fail, in list order
    bool as_folder = false;             // the folder is dropped rather than the files
};

void PrintTo(const Case& c, std::ostream* out) {
    for (const Source& s : c.sources) *out << s.name << ' ';
    *out << "prefix " << c.prefix;
}

class SameOutput : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { start_engine(); }

    // The sources, made afresh; their paths in list order.
    std::vector<std::string> make_sources(const TempDir& dir) {
        std::vector<std::string> paths;
        for (const Source& s : GetParam().sources) {
            paths.push_back(dir.file(s.name));
            if (!s.data.empty()) {
                std::filesystem::copy_file(std::string(PIXMOLD_TEST_DATA) + "/image/" + s.data, paths.back(),
                                           std::filesystem::copy_options::overwrite_existing);
                continue;
            }
            create_image(964, s.portrait ? 16 : 32, s.portrait ? 32 : 16, 24, s.colour);
            const std::string ext = path_extension(s.name);
            EXPECT_TRUE(save_image(964, paths.back(), ext == "png" ? TAG_PNG : TAG_JPEG, 9));
            free_image(964);
        }
        return paths;
    }

    // Every output is its writer's picture, resized; the pictures that
    // yielded are untouched; nothing else is written.
    void expect_files(const TempDir& dir, const std::vector<std::string>& before) {
        const Case& c = GetParam();
        std::vector<std::string> names;
        for (const Source& s : c.sources) names.push_back(s.name);
        for (const auto& [output, writer] : c.outputs) {
            names.push_back(output);
            const Source& s = c.sources[writer];
            const Decoded out(dir.file(output));
            ASSERT_TRUE(out) << output;
            if (!s.data.empty()) continue;
            EXPECT_EQ(out.width(), s.portrait ? 8 : 16) << output;
            const auto bgr = out.bgr(4, 4);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(bgr[std::size_t(k)], int(s.colour >> (16 - 8 * k)) & 0xFF, 24) << output;
        }
        for (std::size_t i : c.yielding) EXPECT_EQ(read_bytes(dir.file(c.sources[i].name)), before[i]);
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        EXPECT_EQ(dir.entries(), names);
    }
};

TEST_P(SameOutput, OnePictureWritesItAndTheOthersFailByName) {
    const Case& c = GetParam();
    const std::string written = std::to_string(c.outputs.size()), failed = std::to_string(c.yielding.size());
    for (const std::string threads : {"1", "3"}) {
        TempDir dir;
        const std::vector<std::string> paths = make_sources(dir);
        std::vector<std::string> before;
        for (const std::string& p : paths) before.push_back(read_bytes(p));
        std::vector<std::string> args = {"--prefix", c.prefix, "--format", c.format, "--landscape-width", "16",
                                         "--portrait-height", "16", "--threads", threads};
        if (c.as_folder) args.push_back(dir.path());
        else args.insert(args.end(), paths.begin(), paths.end());
        const ToolRun r = run_tool(dir.folder(), args);
        EXPECT_EQ(r.status, c.yielding.empty() ? 0 : 1) << r.err;
        const std::string end = "Terminé ! " + written + " image(s) traitée(s)." +
                                (c.yielding.empty() ? "" : " (" + failed + " échec(s))") + "\n";
        EXPECT_NE(r.err.find(end), std::string::npos) << r.err;
        for (std::size_t i : c.yielding)
            EXPECT_NE(r.err.find("failed: " + paths[i] + " (une autre image de ce traitement a le même nom de sortie)\n"),
                      std::string::npos) << r.err;
        expect_files(dir, before);
    }

    // The window, in English.
    TempDir dir;
    const std::vector<std::string> paths = make_sources(dir);
    std::vector<std::string> before;
    for (const std::string& p : paths) before.push_back(read_bytes(p));
    std::string status, info, drop = c.as_folder ? dir.path() : "";
    for (std::size_t i = 0; !c.as_folder && i < paths.size(); ++i) drop += (i ? "\n" : "") + paths[i];
    BatchSettings s = make_settings("REL", 16, 16, c.format == "jpg" ? "JPG" : "PNG", c.prefix);
    s.language = Language::English;
    const BatchView view{[&](const std::string& t) { status = t; }, [&](const std::string& t) { info = t; }, nullptr,
                         nullptr};
    BatchSession session(view, [s] { return s; }, 3);
    ASSERT_EQ(session.on_drop(drop), BatchSession::DropResult::Started);
    session.wait();
    EXPECT_EQ(status, "Finish ! " + written + " pictures were processed.." +
                          (c.yielding.empty() ? "" : " (" + failed + " failed)"));
    std::string listed = c.yielding.empty() ? "" : "Pictures not processed:";
    for (std::size_t i : c.yielding)
        listed += "\n" + c.sources[i].name + " (another picture of this batch has the same output name)";
    EXPECT_EQ(info, listed);
    expect_files(dir, before);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, SameOutput,
    ::testing::Values(
        // The source that is the output keeps it, even listed last.
        Case{{portrait("holiday.png", 0x00FF00), landscape("holiday.jpg", 0x0000FF)}, "0", "jpg",
             {{"holiday.jpg", 1}}, {0}, false},
        Case{{copy_of("heic-lossy.heic", "trip.heic"), copy_of("avif-lossy.avif", "trip.avif")}, "p_", "jpg",
             {{"p_trip.jpg", 0}}, {1}, false},
        Case{{copy_of("tiff-rgb.tif", "a.tif"), portrait("a.png", 0xFF0000)}, "0", "png", {{"a.png", 1}}, {0}, true},
        // Names that differ in letter case are different files.
        Case{{landscape("a.JPG", 0x0000FF), portrait("a.jpg", 0x00FF00), landscape("A.jpg", 0xFF0000)}, "0", "jpg",
             {{"a.jpg", 1}, {"A.jpg", 2}}, {0}, false},
        // A picture given twice is resized once.
        Case{{landscape("x.jpg", 0x0000FF), landscape("x.jpg", 0x0000FF)}, "0", "jpg", {{"x.jpg", 0}}, {}, false}));

}  // namespace
}  // namespace pixmold
