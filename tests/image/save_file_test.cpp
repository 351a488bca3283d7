// The files that saving makes: modes under the umask with many saves at once,
// read-only and other users' targets, leftovers of killed writers.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <thread>

#include "file_modes.h"
#include "platform/temporary_files.h"
#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class SaveFile : public EngineTest {};

constexpr int FILES_PER_WRITER = 1500;

// Eight workers saving new pictures at once, as a batch does; a save that
// touched the process umask would give its own files or others' the wrong mode.
TEST_F(SaveFile, EightThreadsSavingNewFilesTakeTheUmask) {
    for (int t = 0; t < 8; ++t) ASSERT_NE(create_image(ImageId(t + 1), 2, 2), 0u);
    for (mode_t mask : {mode_t(022), mode_t(077)}) {
        SCOPED_TRACE(testing::Message() << "umask 0" << std::oct << mask);
        ScopedUmask scoped(mask);
        ScratchFolder scratch;
        const std::string& folder = scratch.path();
        ASSERT_FALSE(folder.empty());
        Bystander bystander(folder, mask);
        std::vector<std::thread> workers;
        for (int t = 0; t < 8; ++t)
            workers.emplace_back([&, t] {
                for (int i = 0; i < FILES_PER_WRITER; ++i)
                    save_image(ImageId(t + 1), folder + "/" + std::to_string(t * 100000 + i) + ".bmp", TAG_BMP);
            });
        for (std::thread& w : workers) w.join();
        bystander.finish();
        EXPECT_EQ(bystander.wrong(), 0) << "of " << bystander.made() << " files made beside the saves";
        EXPECT_EQ(current_umask(), int(mask));
        int saved = 0, wrong = 0;
        for (int t = 0; t < 8; ++t)
            for (int i = 0; i < FILES_PER_WRITER; ++i) {
                const mode_t mode = mode_of(folder + "/" + std::to_string(t * 100000 + i) + ".bmp");
                saved += mode != mode_t(-1);
                wrong += mode != (0666 & ~mask);
            }
        EXPECT_EQ(saved, 8 * FILES_PER_WRITER);
        EXPECT_EQ(wrong, 0);
    }
}

// The same, certain rather than likely: a umask() call kills the child.
TEST_F(SaveFile, SavingNeverCallsUmask) {
    ASSERT_NE(create_image(1, 4, 4), 0u);
    const pid_t child = ::fork();
    if (child == 0) {
        if (!forbid_umask_calls()) ::_exit(77);
        const bool ok = save_image(1, dir.file("new.png"), TAG_PNG) && save_image(1, dir.file("new.png"), TAG_JPEG);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no system call filters here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << (WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status)) : "");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"new.png"});
}

// Root may write anything; a picture without its owner's write bit is kept all the same.
TEST_F(SaveFile, ReadOnlyPictureIsNotReplaced) {
    ASSERT_NE(create_image(1, 4, 4), 0u);
    const std::string path = dir.file("kept.png");
    const std::vector<std::uint8_t> original = {'k', 'e', 'e', 'p'};
    write_file(path, original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    FileError error = FileError::IoError;
    EncodeOptions options;
    options.file_error = &error;
    EXPECT_EQ(save_image(1, path, TAG_PNG, 7, -1, options), 0);
    EXPECT_EQ(error, FileError::ReadOnly);
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(mode_of(path), 0444u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"kept.png"});

    EXPECT_NE(save_image(1, dir.file("new.png"), TAG_PNG, 7, -1, options), 0);
    EXPECT_EQ(error, FileError::None);
    std::atomic<bool> stop{true};
    options.cancel = &stop;
    EXPECT_EQ(save_image(1, dir.file("stopped.png"), TAG_PNG, 7, -1, options), 0);
    EXPECT_EQ(error, FileError::None);
    EXPECT_EQ(save_image(1, dir.file("missing/out.png"), TAG_PNG, 7, -1, options), 0);
    EXPECT_EQ(error, FileError::NoFolder);
}

// An output that replaces another user's source (prefix "0" run by root)
// stays theirs.
TEST_F(SaveFile, ReplacedPictureKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    ASSERT_NE(create_image(1, 4, 4), 0u);
    const std::string path = dir.file("theirs.png");
    write_file(path, {'o', 'l', 'd'});
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_NE(save_image(1, path, TAG_PNG), 0);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    const std::vector<std::uint8_t> bytes = read_file(path);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
}

// Leftovers of killed saves: one named when it was created (gone once it is
// a minute old), one linked in just before its rename (gone at once).
TEST_F(SaveFile, SavingRemovesStaleTemporaryFiles) {
    ASSERT_NE(create_image(1, 4, 4), 0u);
    const std::string created = dir.file(temporary_file_name(TemporaryName::Created));
    const std::string linked = dir.file(temporary_file_name(TemporaryName::Linked));
    write_file(created, {'h', 'a', 'l', 'f'});
    write_file(linked, {'f', 'u', 'l', 'l'});
    struct timeval old_times[2] = {{std::time(nullptr) - 600, 0}, {std::time(nullptr) - 600, 0}};
    ASSERT_EQ(::utimes(created.c_str(), old_times), 0);
    ASSERT_NE(save_image(1, dir.file("out.png"), TAG_PNG), 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.png"});
}

}  // namespace
}  // namespace pixmold
