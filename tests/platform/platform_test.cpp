// The operating system's services behind platform/: reading and locking
// files, the working folder, the terminal, the memory size.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "no_permission_override.h"
#include "platform/file_lock.h"
#include "platform/file_reader.h"
#include "platform/page_memory.h"
#include "platform/system.h"
#include "temp_dir.h"

using namespace pixmold;

namespace {

TEST(FileReader, ReadsTheWholeFileAndOnlyRegularFiles) {
    test::TempDir dir;
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 31 + i / 977);
    test::write_bytes(dir.file("a.bin"), bytes);
    FileReader reader;
    ASSERT_TRUE(reader.open(dir.file("a.bin")));
    ASSERT_EQ(reader.size(), bytes.size());
    std::vector<std::uint8_t> buffer(bytes.size());
    ASSERT_TRUE(reader.read_all(buffer.data()));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), bytes);
    EXPECT_FALSE(reader.read_all(buffer.data()));  // closed after the read

    test::write_bytes(dir.file("empty"), "");
    ASSERT_TRUE(reader.open(dir.file("empty")));
    EXPECT_EQ(reader.size(), 0u);
    EXPECT_TRUE(reader.read_all(buffer.data()));

    EXPECT_FALSE(reader.open(dir.file("missing")));
    EXPECT_FALSE(reader.open(dir.path()));
    EXPECT_FALSE(reader.open("/dev/null"));
}

// A file that shrinks between the open and the read is no whole file.
TEST(FileReader, AFileCutShortIsAFailedRead) {
    test::TempDir dir;
    test::write_bytes(dir.file("a.bin"), std::string(5000, 'x'));
    FileReader reader;
    ASSERT_TRUE(reader.open(dir.file("a.bin")));
    ASSERT_EQ(::truncate(dir.file("a.bin").c_str(), 100), 0);
    std::vector<std::uint8_t> buffer(reader.size());
    EXPECT_FALSE(reader.read_all(buffer.data()));
}

TEST(FileLock, OneHolderAtATimeUntilItUnlocks) {
    test::TempDir dir;
    const std::string path = dir.file("x.lock");
    int first = -1, second = -1;
    ASSERT_EQ(lock_file(path, first), LockOutcome::Locked);  // made when missing
    EXPECT_GE(first, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(lock_file(path, second), LockOutcome::HeldElsewhere);
    EXPECT_EQ(second, -1);
    unlock_file(first);
    ASSERT_EQ(lock_file(path, second), LockOutcome::Locked);
    unlock_file(second);

    int none = 0;
    EXPECT_EQ(lock_file(dir.file("gone/x.lock"), none), LockOutcome::Failed);
    EXPECT_EQ(none, -1);
}

TEST(FileLock, AFileThatMayNotBeOpenedIsNoAccess) {
    test::TempDir dir;
    const std::string path = dir.file("x.lock");
    test::write_bytes(path, "");
    ::chmod(path.c_str(), 0);
    test::NoPermissionOverride as_user;
    if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
    int fd = 0;
    EXPECT_EQ(lock_file(path, fd), LockOutcome::NoAccess);
    EXPECT_EQ(fd, -1);
}

TEST(PageMemory, BlocksAreAlignedZeroAndKeepWhatWasWrittenWhenReleasedLazily) {
    for (const std::size_t bytes : {std::size_t(1), PAGE_BLOCK_UNIT, PAGE_BLOCK_UNIT + 1, std::size_t(5) << 20}) {
        std::size_t size = 0;
        auto* block = static_cast<std::uint8_t*>(map_pages(bytes, size));
        ASSERT_NE(block, nullptr);
        EXPECT_GE(size, bytes);
        EXPECT_LT(size - bytes, PAGE_BLOCK_UNIT);
        EXPECT_EQ(size % PAGE_BLOCK_UNIT, 0u);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % PAGE_BLOCK_UNIT, 0u);
        EXPECT_EQ(block[0], 0);
        EXPECT_EQ(block[size - 1], 0);
        block[0] = 7;
        block[size - 1] = 9;
        release_pages_lazily(block, size);
        // Taken back by the system or kept: either the value or zero, and writable again.
        EXPECT_TRUE(block[size - 1] == 9 || block[size - 1] == 0);
        block[size - 1] = 3;
        EXPECT_EQ(block[size - 1], 3);
        unmap_pages(block, size);
    }
    std::size_t untouched = 123;
    EXPECT_EQ(map_pages(std::size_t(1) << 62, untouched), nullptr);
    EXPECT_EQ(untouched, 123u);
}

// Changes the working folder for one test.
class InFolder {
public:
    explicit InFolder(const std::string& folder) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~InFolder() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

TEST(WorkingFolder, IsTheProcesssOrADotWhenItWasRemoved) {
    test::TempDir dir;
    const std::string deep = dir.path() + "/" + std::string(200, 'a') + "/" + std::string(200, 'b');
    std::filesystem::create_directories(deep);
    {
        InFolder in(deep);
        EXPECT_EQ(working_folder(), std::filesystem::canonical(deep).string());
    }
    {
        InFolder in(deep);
        std::filesystem::remove_all(dir.path() + "/" + std::string(200, 'a'));
        EXPECT_EQ(working_folder(), ".");
    }
}

// Runs `check` with the standard error stream on a fresh pseudo-terminal of
// `columns` columns (or on a plain file when `columns` is 0).
template <typename Check>
void with_error_stream_on(int columns, Check check) {
    int master = -1, target = -1;
    if (columns > 0) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(::grantpt(master), 0);
        ASSERT_EQ(::unlockpt(master), 0);
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = 24;
        ASSERT_EQ(::ioctl(master, TIOCSWINSZ, &size), 0);
        target = ::open(::ptsname(master), O_RDWR | O_NOCTTY);  // the master stays open, or the terminal hangs up
    } else {
        target = ::open("/dev/null", O_WRONLY);
    }
    ASSERT_GE(target, 0);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(target, STDERR_FILENO);
    check();
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(target);
    if (master >= 0) ::close(master);
}

TEST(ErrorTerminal, ColumnsOfATerminalAndNoneOtherwise) {
    with_error_stream_on(133, [] {
        EXPECT_TRUE(error_stream_is_terminal());
        EXPECT_EQ(error_terminal_columns(), 133);
    });
    with_error_stream_on(0, [] {
        EXPECT_FALSE(error_stream_is_terminal());
        EXPECT_EQ(error_terminal_columns(), 0);
    });
}

TEST(PhysicalMemory, IsKnownAndPlausible) {
    const std::uint64_t bytes = physical_memory_bytes();
    EXPECT_GE(bytes, std::uint64_t(64) << 20);
    EXPECT_EQ(bytes % std::uint64_t(::sysconf(_SC_PAGE_SIZE)), 0u);
}

}  // namespace
