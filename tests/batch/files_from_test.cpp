// A library split over several pixmold-batch processes by GNU parallel, as
// the README's recipe does: the outputs are those of one run, and the
// reports, written by all of them into one file, name every picture once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "job_fixture.h"
#include "tool_run.h"

namespace pixmold {
namespace {

using namespace pixmold::test;
namespace fs = std::filesystem;

struct SplitCase {
    const char* name;
    char separator;  // of the list
    // Names given to the first pictures: every byte a path may hold.
    std::vector<std::string> odd_names;
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> ODD = {"quote\"d.png", "back\\slash.png", "tab\tbed.png", "bell\x07.png",
                                      "caf\xc3\xa9.png", "latin1-\xe9t\xe9.png", "ctl\x7f.png"};

// The strictest reader at hand checks each line of a report and gives back
// the sources' bytes (the report's escape of non-UTF-8 bytes is Python's own).
const char* READ_REPORT = R"(import json, sys
for line in open(sys.argv[1], 'rb'):
    e = json.loads(line)
    assert e['status'] == 'written' and e['reason'] is None, line
    assert e['width'] > 0 and e['height'] > 0 and e['milliseconds'] >= 0, line
    sys.stdout.buffer.write(e['source'].encode('utf-8', 'surrogateescape') + b'\0')
)";

class FilesFrom : public ::testing::TestWithParam<SplitCase> {
protected:
    TempDir dir;
    void SetUp() override { start_engine(); }

    std::vector<std::string> reported_sources(const fs::path& report) {
        write_bytes(dir.file("read_report.py"), READ_REPORT);
        const std::string out = dir.file("sources.bin");
        const std::string command = "python3 " + quoted(dir.file("read_report.py")) + " " + quoted(report.string()) +
                                    " >" + quoted(out);
        EXPECT_EQ(std::system(command.c_str()), 0) << read_bytes(report.string());
        std::vector<std::string> sources;
        const std::string all = read_bytes(out);
        for (std::size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1)
            sources.push_back(all.substr(at, end - at));
        std::sort(sources.begin(), sources.end());
        return sources;
    }
};

TEST_P(FilesFrom, ParallelProcessesWriteWhatOneRunWritesAndReportEveryPictureOnce) {
    const SplitCase& c = GetParam();
    const PictureList made = distinct_pictures(dir, "p", 200, 30);
    ASSERT_EQ(made.size(), 200u);
    fs::create_directory(dir.folder() / "one");
    std::vector<std::string> names;
    std::string list;
    for (std::size_t i = 0; i < made.size(); ++i) {
        names.push_back(i < c.odd_names.size() ? c.odd_names[i] : fs::path(made[i]).filename().string());
        fs::rename(made[i], dir.folder() / "one" / names.back());
        list += names.back() + c.separator;
    }
    fs::copy(dir.folder() / "one", dir.folder() / "split");
    write_bytes(dir.file("list"), list);
    std::sort(names.begin(), names.end());

    std::vector<std::string> args{"--files-from", "-", "--report", "report.jsonl", "--landscape-width", "40",
                                  "--portrait-height", "40"};
    std::vector<std::string> parallel{"parallel", "--will-cite", "-j2", "--pipe", "-N25"};
    if (c.separator == '\0') {
        args.push_back("-0");
        parallel.insert(parallel.end(), {"--recend", "\\0"});
    }
    const ToolRun one = run_tool(dir.folder() / "one", args, {}, dir.file("list"));
    ASSERT_EQ(one.status, 0) << one.err;
    const ToolRun split = run_tool(dir.folder() / "split", args, parallel, dir.file("list"));
    ASSERT_EQ(split.status, 0) << split.err;

    EXPECT_EQ(reported_sources(dir.folder() / "one/report.jsonl"), names);
    EXPECT_EQ(reported_sources(dir.folder() / "split/report.jsonl"), names);
    std::size_t outputs = 0;
    for (const auto& entry : fs::directory_iterator(dir.folder() / "one")) {
        const std::string name = entry.path().filename().string();
        if (name == "report.jsonl" || std::binary_search(names.begin(), names.end(), name)) continue;
        ++outputs;
        EXPECT_EQ(read_bytes((dir.folder() / "split" / name).string()), read_bytes(entry.path().string())) << name;
    }
    EXPECT_EQ(outputs, names.size());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FilesFrom,
    ::testing::Values(SplitCase{"OnePathALine", '\n', ODD},
                      SplitCase{"NulSeparated", '\0', [] {
                                    std::vector<std::string> odd = ODD;
                                    odd.push_back("line\nfeed.png");
                                    return odd;
                                }()}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pixmold
