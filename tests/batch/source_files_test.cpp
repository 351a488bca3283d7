// What pixmold-batch does with the files it is given, watched from outside:
// only regular files are read, and nothing makes it wait for ever.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>

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

}  // namespace
}  // namespace pixmold
