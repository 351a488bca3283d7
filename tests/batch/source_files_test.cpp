// What pixmold-batch does with the files it is given, watched from outside:
// only regular files are read, nothing makes it wait for ever, and the
// memory of the pictures in flight stays within the limit it is given.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <filesystem>

#include "child_process.h"
#include "job_fixture.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

// The reason given for `name` on its "failed: NAME (REASON)" line.
std::string failure_reason(const std::string& err, const std::string& name) {
    const std::size_t at = err.find("failed: " + name + " (");
    return at == std::string::npos ? "" : err.substr(at + name.size() + 10, err.find(")\n", at) - at - name.size() - 10);
}

class SourceFiles : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;
};

TEST_F(SourceFiles, OnlyRegularFilesAreReadAndNoneMakesTheToolWait) {
    std::filesystem::copy_file(kData + "corrupt.jpg", dir.file("corrupt.jpg"));
    // Accepted names, none of them a picture file: a FIFO, a socket, a folder, a device.
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0644), 0);
    sockaddr_un address{AF_UNIX, {}};
    dir.file("socket.jpg").copy(address.sun_path, sizeof address.sun_path - 1);
    const int socket_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(socket_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(socket_fd);
    std::filesystem::create_directory(dir.file("folder.jpg"));
    std::filesystem::create_symlink("/dev/zero", dir.file("device.jpg"));
    const ChildRun run = run_child(dir.path(), {PIXMOLD_BATCH_EXE, "corrupt.jpg", "pipe.jpg", "socket.jpg",
                                                "folder.jpg", "device.jpg"}, 30);
    ASSERT_FALSE(run.timed_out) << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    // Each fails as a file that cannot be read, as a damaged picture does.
    const std::string unreadable = failure_reason(run.err, "corrupt.jpg");
    ASSERT_FALSE(unreadable.empty()) << run.err;
    for (const char* name : {"pipe.jpg", "socket.jpg", "folder.jpg", "device.jpg"})
        EXPECT_EQ(failure_reason(run.err, name), unreadable) << run.err;
}

TEST_F(SourceFiles, SourcesAndDecodersStayWithinTheMemoryLimit) {
    // Two pictures followed by 160 MiB that no decoder reads: over a limit
    // of 16 MiB, the two sources are not held at once.
    for (const std::string& data : {kData + "base.jpg", std::string(PIXMOLD_TEST_DATA) + "/image/webp-lossy.webp"}) {
        const std::string copy = dir.file(std::filesystem::path(data).filename().string());
        std::filesystem::copy_file(data, copy);
        std::filesystem::resize_file(copy, std::filesystem::file_size(copy) + (std::uintmax_t(160) << 20));
    }
    // 86 bytes claiming 16000 x 12000 pixels of 3 components in one tile:
    // damaged, refused before the decoder takes 2.3 GB for its samples.
    write_bytes(dir.file("claim.j2k"),
                std::string("\xff\x4f\xff\x51\x00\x2f\x00\x00\x00\x00\x3e\x80\x00\x00\x2e\xe0\x00\x00\x00\x00\x00\x00"
                            "\x00\x00\x00\x00\x3e\x80\x00\x00\x2e\xe0\x00\x00\x00\x00\x00\x00\x00\x00\x00\x03\x07\x01"
                            "\x01\x07\x01\x01\x07\x01\x01\xff\x52\x00\x0c\x00\x00\x00\x01\x01\x00\x04\x04\x00\x01\xff"
                            "\x5c\x00\x04\x40\x40\xff\x90\x00\x0a\x00\x00\x00\x00\x00\x0f\x00\x01\xff\x93\x00", 86));
    // A progressive JPEG of 144 bytes claiming 16000 x 16000: damaged too,
    // refused before libjpeg takes 1.5 GB for its coefficients.
    const std::string z16(16, '\0');
    write_bytes(dir.file("claim.jpg"), std::string("\xff\xd8\xff\xdb\x00\x43\x00", 7) + std::string(64, '\1') +
                                           std::string("\xff\xc2\x00\x11\x08\x3e\x80\x3e\x80\x03\x01\x11\x00\x02"
                                                       "\x11\x00\x03\x11\x00\xff\xc4\x00\x14\x00\x01", 26) +
                                           z16 + std::string("\xff\xda\x00\x0c\x03\x01\x00\x02\x00\x03\x00\x00\x00\x00", 14) +
                                           z16 + "\xff\xd9");
    struct Case {
        std::vector<std::string> args;
        int status;
        long peak_limit_mib;
    } cases[] = {
        {{"--threads", "2", "--memory-limit", "16", "base.jpg", "webp-lossy.webp"}, 0, 160 + 80},
        {{"--mode", "free", "--width", "16000", "--height", "12000", "claim.j2k"}, 1, 256},
        {{"--mode", "free", "--width", "16000", "--height", "16000", "claim.jpg"}, 1, 256},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{PIXMOLD_BATCH_EXE, "--format", "png"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const ChildRun run = run_child(dir.path(), argv, 120);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_LT(run.peak_kib, c.peak_limit_mib << 10) << c.args.back();
    }
}

TEST_F(SourceFiles, BigPicturesAreNeverHeldWhole) {
    // 4000 x 3000 is 36 MB of pixels. A JPEG shrunk less than half is decoded
    // at full size and written as it is resized; a PNG is always decoded at
    // full size: both pass through a few rows at a time.
    // (Made by a child of its own: a child starts with what its parent holds.)
    std::filesystem::copy_file(kData + "base.jpg", dir.file("base.jpg"));
    for (const char* format : {"jpg", "png"})
        ASSERT_EQ(run_child(dir.path(), {PIXMOLD_BATCH_EXE, "--mode", "free", "--width", "4000", "--height", "3000",
                                         "--format", format, "--prefix", "big_", "base.jpg"}, 120).status, 0);
    for (const auto& [name, box] : {std::pair{"big_base.jpg", "3999"}, {"big_base.png", "300"}}) {
        const long file_kib = long(std::filesystem::file_size(dir.file(name)) >> 10);
        const ChildRun run = run_child(dir.path(), {PIXMOLD_BATCH_EXE, "--format", "jpg", "--landscape-width", box,
                                                    "--portrait-height", box, name}, 120);
        EXPECT_EQ(run.status, 0) << run.err;
        // Beyond the program itself (about 12 MiB) and the file, less than
        // half of the pixels.
        EXPECT_LT(run.peak_kib, (12 << 10) + file_kib + (4000 * 3000 * 3 / 2 >> 10)) << name;
    }
}

}  // namespace
}  // namespace pixmold
