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
    char separator;                      // of the list
    std::vector<std::string> odd_names;  // given to the first pictures: every byte a name may hold
};
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> ODD = {"quote\"d.png", "back\\slash.png", "tab\tbed.png", "bell\x07.png",
                                      "caf\xc3\xa9.png", "latin1-\xe9t\xe9.png", "del\x7f.png"};

// The strictest JSON reader at hand checks every line of a report and gives
// back the sources' bytes, NUL-separated and sorted (the report's escape of
// bytes outside UTF-8 is Python's own).
const char* READ_REPORT = R"(import json, sys
lines = [json.loads(line) for line in open(sys.argv[1], 'rb')]
assert all(e['status'] == 'written' and e['reason'] is None and e['width'] > 0 and e['milliseconds'] >= 0
           for e in lines)
sys.stdout.buffer.write(b''.join(sorted(e['source'].encode('utf-8', 'surrogateescape') + b'\0' for e in lines)))
)";

class FilesFrom : public ::testing::TestWithParam<SplitCase> {
protected:
    TempDir dir;
    void SetUp() override { start_engine(); }

    std::string reported_sources(const std::string& report) {
        write_bytes(dir.file("read.py"), READ_REPORT);
        const std::string command = "python3 " + quoted(dir.file("read.py")) + " " + quoted(report) + " >" +
                                    quoted(dir.file("sources"));
        EXPECT_EQ(std::system(command.c_str()), 0) << read_bytes(report);
        return read_bytes(dir.file("sources"));
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
    std::string sources;
    for (const std::string& name : names) sources += name + '\0';

    std::vector<std::string> args{"--files-from", "-", "--report", "report.jsonl", "--landscape-width", "40",
                                  "--portrait-height", "40"};
    std::vector<std::string> parallel{"parallel", "--will-cite", "-j2", "--pipe", "-N25"};
    if (c.separator == '\0') {
        args.push_back("-0");
        parallel.insert(parallel.end(), {"--recend", "\\0"});
    }
    const std::pair<const char*, std::vector<std::string>> runs[] = {{"one", {}}, {"split", parallel}};
    for (const auto& [folder, wrapper] : runs) {
        const ToolRun run = run_tool(dir.folder() / folder, args, wrapper, dir.file("list"));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(reported_sources((dir.folder() / folder / "report.jsonl").string()), sources) << folder;
    }
    std::size_t outputs = 0;
    for (const auto& entry : fs::directory_iterator(dir.folder() / "one")) {
        const std::string name = entry.path().filename().string();
        if (name == "report.jsonl" || std::binary_search(names.begin(), names.end(), name)) continue;
        ++outputs;
        EXPECT_EQ(read_bytes((dir.folder() / "split" / name).string()), read_bytes(entry.path().string())) << name;
    }
    EXPECT_EQ(outputs, names.size());
}

INSTANTIATE_TEST_SUITE_P(Lists, FilesFrom,
                         ::testing::Values(SplitCase{"OnePathALine", '\n', ODD},
                                           SplitCase{"NulSeparated", '\0', [] {
                                                         std::vector<std::string> odd = ODD;
                                                         odd.push_back("line\nfeed.png");
                                                         return odd;
                                                     }()}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pixmold
