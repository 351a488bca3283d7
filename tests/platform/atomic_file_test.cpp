// Files written whole: modes under the umask with many writers at once,
// targets that must be kept, owners, kills at any moment, the temporary
// files a kill leaves and why a write failed.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <thread>
#include <vector>

#include "file_modes.h"
#include "no_permission_override.h"
#include "platform/temporary_files.h"
#include "temp_dir.h"

using namespace pixmold;
using pixmold::test::mode_of;
using pixmold::test::read_bytes;
using pixmold::test::write_bytes;

namespace {

using Temporary = AtomicFile::Temporary;

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> temporaries(const std::string& folder) {
    std::vector<std::string> names = entries(folder);
    std::erase_if(names, [](const std::string& n) { return !is_temporary_file_name(n); });
    return names;
}

bool write_whole(const std::string& target, const std::string& text, Temporary kind, FileError* error = nullptr) {
    AtomicFile file;
    bool ok = file.open(target, kind);
    if (ok) {
        std::fputs(text.c_str(), file.stream());
        ok = file.commit();
    }
    if (error) *error = file.error();
    return ok;
}

// Runs `child` in a forked process and returns its wait status.
template <typename Child>
int in_child(Child child) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        child();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

void age(const std::string& path, int seconds) {
    struct timeval times[2];
    ::gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ::utimes(path.c_str(), times);
}

struct stat stat_of(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

class AtomicFileKinds : public ::testing::TestWithParam<Temporary> {
protected:
    test::TempDir dir;
};

INSTANTIATE_TEST_SUITE_P(Temporaries, AtomicFileKinds, ::testing::Values(Temporary::Unnamed, Temporary::Named),
                         [](const auto& info) { return info.param == Temporary::Unnamed ? "Unnamed" : "Named"; });

constexpr int FILES_PER_WRITER = 1500;

// The process umask belongs to every thread: a writer that changes it even
// for an instant gives other threads' files (and its own) the wrong mode.
TEST_P(AtomicFileKinds, NewFilesTakeTheUmaskWithEightWritersAtOnce) {
    for (mode_t mask : {mode_t(022), mode_t(077)}) {
        SCOPED_TRACE(testing::Message() << "umask 0" << std::oct << mask);
        test::ScopedUmask scoped(mask);
        test::ScratchFolder scratch;
        const std::string& folder = scratch.path();
        ASSERT_FALSE(folder.empty());
        test::Bystander bystander(folder, mask);
        std::vector<std::thread> writers;
        std::atomic<int> failures{0};
        for (int t = 0; t < 8; ++t)
            writers.emplace_back([&, t] {
                for (int i = 0; i < FILES_PER_WRITER; ++i)
                    if (!write_whole(folder + "/" + std::to_string(t * 100000 + i), "x", GetParam())) ++failures;
            });
        for (std::thread& w : writers) w.join();
        bystander.finish();
        EXPECT_EQ(failures.load(), 0);
        EXPECT_EQ(bystander.wrong(), 0) << "of " << bystander.made() << " files made beside the writers";
        EXPECT_EQ(test::current_umask(), int(mask));
        const std::vector<std::string> names = entries(folder);
        EXPECT_EQ(names.size(), std::size_t(8 * FILES_PER_WRITER));
        int wrong = 0;
        for (const std::string& name : names) wrong += mode_of(folder + "/" + name) != (0666 & ~mask);
        EXPECT_EQ(wrong, 0);
    }
}

// The same, certain rather than likely: a umask() call kills the child.
TEST_P(AtomicFileKinds, WritingNeverCallsUmask) {
    const int status = in_child([&] {
        if (!test::forbid_umask_calls()) ::_exit(77);
        const bool ok = write_whole(dir.file("new"), "1", GetParam()) && write_whole(dir.file("new"), "2", GetParam());
        ::_exit(ok ? 0 : 1);
    });
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no system call filters here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << (WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status)) : "");
    EXPECT_EQ(read_bytes(dir.file("new")), "2");
}

TEST_P(AtomicFileKinds, ReplacementKeepsModeOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    const std::string path = dir.file("theirs");
    write_bytes(path, "old");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(write_whole(path, "new", GetParam()));
    const struct stat info = stat_of(path);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(read_bytes(path), "new");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"theirs"});
}

// Root may write anything; a file without its owner's write bit is kept all the same.
TEST_P(AtomicFileKinds, ReadOnlyTargetIsRefusedAndKept) {
    for (mode_t mode : {mode_t(0444), mode_t(0555), mode_t(0066), mode_t(0)}) {
        SCOPED_TRACE(testing::Message() << "mode 0" << std::oct << mode);
        const std::string path = dir.file("kept");
        write_bytes(path, "precious\n");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        FileError error = FileError::None;
        EXPECT_FALSE(write_whole(path, "replacement", GetParam(), &error));
        EXPECT_EQ(error, FileError::ReadOnly);
        EXPECT_EQ(mode_of(path), mode);
        ::chmod(path.c_str(), 0644);
        EXPECT_EQ(read_bytes(path), "precious\n");
        EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"kept"});
        ::unlink(path.c_str());
    }
}

// A kill at any moment leaves the old file; an unnamed temporary file leaves nothing else.
TEST_P(AtomicFileKinds, KilledWriterLeavesTheOldFile) {
    const std::string path = dir.file("out");
    write_bytes(path, "old");
    const int status = in_child([&] {
        AtomicFile file;
        if (!file.open(path, GetParam())) ::_exit(3);
        for (int i = 0; i < 10000; ++i) std::fputs("new data ", file.stream());
        std::fflush(file.stream());
        ::raise(SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(read_bytes(path), "old");
    EXPECT_EQ(temporaries(dir.path()).size(), GetParam() == Temporary::Named ? 1u : 0u);
    EXPECT_EQ(entries(dir.path()).size(), GetParam() == Temporary::Named ? 2u : 1u);
}

TEST_P(AtomicFileKinds, NewFileAppearsWithItsContent) {
    ASSERT_TRUE(write_whole(dir.file("a"), "first", GetParam()));
    EXPECT_EQ(read_bytes(dir.file("a")), "first");
    ASSERT_TRUE(write_whole(dir.file("a"), "second", GetParam()));
    EXPECT_EQ(read_bytes(dir.file("a")), "second");
    AtomicFile abandoned;
    ASSERT_TRUE(abandoned.open(dir.file("a"), GetParam()));
    std::fputs("third", abandoned.stream());
    abandoned.abandon();
    EXPECT_EQ(read_bytes(dir.file("a")), "second");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"a"});
}

class AtomicFileErrors : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(AtomicFileErrors, RefusedTargetsSayWhy) {
    write_bytes(dir.file("plain"), "x");
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    FileError error = FileError::None;
    EXPECT_FALSE(write_whole(dir.file("missing/out"), "x", Temporary::Unnamed, &error));
    EXPECT_EQ(error, FileError::NoFolder);
    EXPECT_FALSE(write_whole(dir.file("plain/out"), "x", Temporary::Unnamed, &error));
    EXPECT_EQ(error, FileError::NoFolder);
    EXPECT_FALSE(write_whole(dir.file("folder"), "x", Temporary::Unnamed, &error));
    EXPECT_EQ(error, FileError::IoError);
    EXPECT_EQ(check_writable(dir.file("plain")), FileError::None);
    EXPECT_EQ(check_writable(dir.file("new")), FileError::None);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"folder", "plain"}));
}

TEST_F(AtomicFileErrors, NoPermissionForAnotherUsersFileOrAReadOnlyFolder) {
    test::NoPermissionOverride as_user;
    if (!test::NoPermissionOverride::enforced(dir.path())) GTEST_SKIP() << "file permissions are not enforced here";
    const std::string theirs = dir.file("theirs");
    write_bytes(theirs, "theirs");
    if (::geteuid() == 0) ::chown(theirs.c_str(), 65534, 65534);
    FileError error = FileError::None;
    if (::geteuid() == 0) {
        EXPECT_FALSE(write_whole(theirs, "mine", Temporary::Unnamed, &error));
        EXPECT_EQ(error, FileError::NoPermission);
        EXPECT_EQ(read_bytes(theirs), "theirs");
    }
    ::chmod(dir.path().c_str(), 0555);
    EXPECT_FALSE(write_whole(dir.file("new"), "x", Temporary::Unnamed, &error));
    EXPECT_EQ(error, FileError::NoPermission);
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"theirs"});
}

TEST_F(AtomicFileErrors, AWriteThatFailsLeavesTheOldFileAndSaysWhy) {
    const std::string path = dir.file("out");
    write_bytes(path, "old");
    // A file size limit makes the writes fail with EFBIG.
    const int status = in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        FileError error = FileError::None;
        const bool ok = write_whole(path, std::string(100000, 'x'), Temporary::Unnamed, &error);
        ::_exit(ok ? 10 : int(error));
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), int(FileError::IoError));
    EXPECT_EQ(read_bytes(path), "old");
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"out"});
}

TEST_F(AtomicFileErrors, AFullDiskIsNoSpace) {
    // A small file system of its own, in a mount namespace of its own.
    const std::string small = dir.file("small");
    ASSERT_EQ(::mkdir(small.c_str(), 0755), 0);
    const int status = in_child([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(99);
        write_bytes(small + "/out", "old");
        FileError error = FileError::None;
        const bool ok = write_whole(small + "/out", std::string(200000, 'x'), Temporary::Unnamed, &error);
        const bool kept = read_bytes(small + "/out") == "old" && entries(small).size() == 1;
        ::_exit(ok ? 10 : kept ? int(error) : 11);
    });
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 99) GTEST_SKIP() << "no permission to mount a small file system";
    EXPECT_EQ(WEXITSTATUS(status), int(FileError::NoSpace));
}

// Leftovers of killed writers go with the next write into their folder;
// the temporary files of writers still at work, recent ones that were named
// before they were locked, other users' and other programs' stay.
TEST_F(AtomicFileErrors, StaleTemporaryFilesGoWithTheNextWrite) {
    const std::string out = dir.file("out");
    auto killed_writer = [&] {
        in_child([&] {
            AtomicFile file;
            if (!file.open(out, Temporary::Named)) ::_exit(3);
            std::fputs("half", file.stream());
            std::fflush(file.stream());
            ::raise(SIGKILL);
        });
    };
    // Every writer looks for leftovers when it opens: nothing is old yet.
    killed_writer();
    const std::vector<std::string> old_created = temporaries(dir.path());
    ASSERT_EQ(old_created.size(), 1u);
    killed_writer();
    const std::vector<std::string> created = temporaries(dir.path());
    ASSERT_EQ(created.size(), 2u);

    // A writer in another process, still at work on a file that has not
    // changed for a while; and one between linking and renaming.
    const std::string live_linked = temporary_file_name(TemporaryName::Linked);
    int to_child[2], to_parent[2];
    ASSERT_EQ(::pipe(to_child), 0);
    ASSERT_EQ(::pipe(to_parent), 0);
    const pid_t live = ::fork();
    if (live == 0) {
        AtomicFile file;
        if (!file.open(dir.file("live"), Temporary::Named)) ::_exit(3);
        std::fputs("live", file.stream());
        std::fflush(file.stream());
        const int linked = ::open(dir.file(live_linked).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (linked < 0 || ::flock(linked, LOCK_EX) != 0) ::_exit(5);
        char go = 0;
        (void)!::write(to_parent[1], &go, 1);
        (void)!::read(to_child[0], &go, 1);
        ::unlink(dir.file(live_linked).c_str());
        ::_exit(file.commit() ? 0 : 4);
    }
    char ready = 0;
    ASSERT_EQ(::read(to_parent[0], &ready, 1), 1);
    std::string live_created;
    for (const std::string& name : temporaries(dir.path()))
        if (name != live_linked && std::find(created.begin(), created.end(), name) == created.end()) live_created = name;
    ASSERT_FALSE(live_created.empty());
    age(dir.file(old_created[0]), 120);
    age(dir.file(live_created), 120);

    // Left by a kill between linking and renaming: no need to wait.
    const std::string stale_linked = temporary_file_name(TemporaryName::Linked);
    write_bytes(dir.file(stale_linked), "complete");

    write_bytes(dir.file(".pixmold-zzzzzzzzzzzzzzzz.tmp"), "not ours");
    write_bytes(dir.file("notes.tmp"), "not ours");
    age(dir.file(".pixmold-zzzzzzzzzzzzzzzz.tmp"), 120);
    age(dir.file("notes.tmp"), 120);
    if (::geteuid() == 0) {
        const std::string theirs = temporary_file_name(TemporaryName::Linked);
        write_bytes(dir.file(theirs), "another user's");
        ASSERT_EQ(::chown(dir.file(theirs).c_str(), 65534, 65534), 0);
        age(dir.file(theirs), 120);
    }
    std::vector<std::string> expected = temporaries(dir.path());
    std::erase(expected, old_created[0]);
    std::erase(expected, stale_linked);

    ASSERT_TRUE(write_whole(dir.file("next"), "next", Temporary::Unnamed));
    EXPECT_EQ(temporaries(dir.path()), expected);
    EXPECT_TRUE(std::filesystem::exists(dir.file("notes.tmp")));
    EXPECT_TRUE(std::filesystem::exists(dir.file(".pixmold-zzzzzzzzzzzzzzzz.tmp")));

    // The live writer finishes undisturbed.
    (void)!::write(to_child[1], &ready, 1);
    int status = 0;
    ::waitpid(live, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(read_bytes(dir.file("live")), "live");
    EXPECT_FALSE(std::filesystem::exists(dir.file(live_created)));
    for (int fd : {to_child[0], to_child[1], to_parent[0], to_parent[1]}) ::close(fd);
}

TEST(TemporaryFileNames, AreFreshAndRecognised) {
    const std::string a = temporary_file_name(TemporaryName::Created);
    const std::string b = temporary_file_name(TemporaryName::Created);
    const std::string c = temporary_file_name(TemporaryName::Linked);
    EXPECT_NE(a, b);
    EXPECT_NE(a.substr(a.size() - 4), c.substr(c.size() - 4));
    EXPECT_TRUE(is_temporary_file_name(a));
    EXPECT_TRUE(is_temporary_file_name(c));
    for (const char* other : {".pixmold-0123456789abcdef.tm", "pixmold-0123456789abcdef.tmp",
                              ".pixmold-0123456789ABCDEF.tmp", ".pixmold-0123456789abcdef0.tmp", ".pref.vrn.tmp-1-0"})
        EXPECT_FALSE(is_temporary_file_name(other)) << other;
}

}  // namespace
