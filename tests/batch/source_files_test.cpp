// What pixmold-batch does with the files it is given, watched from outside:
// only regular files are read, nothing makes it wait for ever, and the
// memory of the pictures in flight stays within the limit it is given.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "job_fixture.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

// The reason pixmold-batch gave for `name`, from its "failed: NAME (REASON)" line.
std::string failure_reason(const std::string& err, const std::string& name) {
    const std::string head = "failed: " + name + " (";
    const std::size_t at = err.find(head);
    if (at == std::string::npos) return "";
    const std::size_t end = err.find(")\n", at);
    return err.substr(at + head.size(), end - at - head.size());
}

// A socket file, as a server leaves one behind.
bool make_socket_file(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

// A copy of a data file followed by `mib` MiB of zeros, which no decoder reads.
std::string padded_copy(const TempDir& dir, const std::string& data, const std::string& as, int mib) {
    std::filesystem::copy_file(data, dir.file(as));
    std::ofstream out(dir.file(as), std::ios::binary | std::ios::app);
    const std::string zeros(std::size_t(1) << 20, '\0');
    for (int i = 0; i < mib; ++i) out.write(zeros.data(), std::streamsize(zeros.size()));
    return as;
}

// A bare JPEG 2000 codestream of a few dozen bytes whose header claims
// 16000 x 12000 three-component pixels in one tile, with one byte of data.
std::string claiming_jp2(const TempDir& dir, const std::string& as) {
    const auto u16 = [](unsigned v) { return std::string{char(v >> 8), char(v)}; };
    const auto u32 = [&](unsigned v) { return u16(v >> 16) + u16(v & 0xFFFF); };
    const auto segment = [&](unsigned marker, const std::string& body) {
        return u16(marker) + u16(unsigned(body.size()) + 2) + body;
    };
    std::string siz = u16(0) + u32(16000) + u32(12000) + u32(0) + u32(0) + u32(16000) + u32(12000) + u32(0) + u32(0) +
                      u16(3);
    for (int c = 0; c < 3; ++c) siz += std::string{7, 1, 1};
    const std::string cod = std::string{0, 0} + u16(1) + std::string{1, 0, 4, 4, 0, 1};  // no wavelet levels
    const std::string qcd{0x40, 0x40};
    const std::string sot = u16(0) + u32(15) + std::string{0, 1};
    write_bytes(dir.file(as), u16(0xFF4F) + segment(0xFF51, siz) + segment(0xFF52, cod) + segment(0xFF5C, qcd) +
                                  segment(0xFF90, sot) + u16(0xFF93) + std::string(1, '\0'));
    return as;
}

class SourceFiles : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;
};

TEST_F(SourceFiles, OnlyRegularFilesAreReadAndNoneMakesTheToolWait) {
    const std::string damaged = "corrupt.jpg";
    std::filesystem::copy_file(kData + damaged, dir.file(damaged));
    // Each of these has an accepted name; none is a picture file.
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0644), 0);
    ASSERT_TRUE(make_socket_file(dir.file("socket.jpg")));
    std::filesystem::create_directory(dir.file("folder.jpg"));
    std::filesystem::create_symlink("/dev/zero", dir.file("device.jpg"));
    const std::vector<std::string> specials{"pipe.jpg", "socket.jpg", "folder.jpg", "device.jpg"};

    std::vector<std::string> argv{PIXMOLD_BATCH_EXE, "--width", "16", "--height", "16", damaged};
    argv.insert(argv.end(), specials.begin(), specials.end());
    const ChildRun run = run_child(dir.path(), argv, 30);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timed_out) << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    // Each fails as a file that cannot be read, as a damaged picture does.
    const std::string unreadable = failure_reason(run.err, damaged);
    ASSERT_FALSE(unreadable.empty()) << run.err;
    for (const std::string& name : specials) EXPECT_EQ(failure_reason(run.err, name), unreadable) << run.err;
}

TEST_F(SourceFiles, SourcesAndDecodersStayWithinTheMemoryLimit) {
    struct Case {
        const char* what;
        std::vector<std::string> names;
        std::vector<std::string> options;
        long peak_limit_mib;
        int status;
    };
    const std::string image_data = std::string(PIXMOLD_TEST_DATA) + "/image/";
    // Two sources of 160 MiB each, over a limit of 16 MiB: they are read
    // one after the other, not both at once.
    const std::vector<std::string> big{padded_copy(dir, kData + "base.jpg", "a.jpg", 160),
                                       padded_copy(dir, image_data + "webp-lossy.webp", "b.webp", 160)};
    const Case cases[] = {
        {"two big sources", big, {"--threads", "2", "--memory-limit", "16"}, 160 + 80, 0},
        // A few dozen bytes cannot hold 16000 x 12000 pixels: they fail as
        // unreadable before the library's 2.3 GB of samples are taken.
        {"a tiny file claiming a huge picture", {claiming_jp2(dir, "claim.j2k")},
         {"--mode", "free", "--width", "16000", "--height", "12000"}, 256, 1},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{PIXMOLD_BATCH_EXE, "--prefix", "small_", "--format", "png"};
        argv.insert(argv.end(), c.options.begin(), c.options.end());
        argv.insert(argv.end(), c.names.begin(), c.names.end());
        const ChildRun run = run_child(dir.path(), argv, 120);
        ASSERT_FALSE(run.timed_out) << c.what;
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
        EXPECT_LT(run.peak_kib, c.peak_limit_mib << 10) << c.what;
    }
}

}  // namespace
}  // namespace pixmold
