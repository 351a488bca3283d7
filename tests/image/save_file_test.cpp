// The files that saving makes: modes under the umask with many saves at once,
// read-only and other users' targets, leftovers of killed writers.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>
#include <thread>

#include "file_modes.h"
#include "runtime/temporary_files.h"
#include "test_support.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class SaveFile : public ::testing::Test {
protected:
    void SetUp() override { register_all_codecs(); }
    void TearDown() override { free_all_images(); }
    TempDir dir;
};

// Eight workers saving new pictures at once, as a batch does.
TEST_F(SaveFile, EightThreadsSavingNewFilesTakeTheUmask) {
    for (int t = 0; t < 8; ++t) ASSERT_NE(create_image(ImageId(t + 1), 2, 2), 0u);
    for (mode_t mask : {mode_t(022), mode_t(077)}) {
        SCOPED_TRACE(testing::Message() << "umask 0" << std::oct << mask);
        ScopedUmask scoped(mask);
        const std::string folder = dir.file(std::to_string(mask));
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        Bystander bystander(dir.path(), mask);
        std::vector<std::thread> workers;
        for (int t = 0; t < 8; ++t)
            workers.emplace_back([&, t] {
                for (int i = 0; i < 40; ++i)
                    save_image(ImageId(t + 1), folder + "/" + std::to_string(t * 1000 + i) + ".bmp", TAG_BMP);
            });
        for (std::thread& w : workers) w.join();
        bystander.finish();
        EXPECT_EQ(bystander.wrong(), 0) << "of " << bystander.made() << " files made beside the saves";
        EXPECT_EQ(current_umask(), int(mask));
        int saved = 0, wrong = 0;
        for (int t = 0; t < 8; ++t)
            for (int i = 0; i < 40; ++i) {
                const mode_t mode = mode_of(folder + "/" + std::to_string(t * 1000 + i) + ".bmp");
                saved += mode != mode_t(-1);
                wrong += mode != (0666 & ~mask);
            }
        EXPECT_EQ(saved, 320);
        EXPECT_EQ(wrong, 0);
    }
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

TEST_F(SaveFile, SavingRemovesStaleTemporaryFiles) {
    ASSERT_NE(create_image(1, 4, 4), 0u);
    const std::string leftover = dir.file(temporary_file_name());
    write_file(leftover, {'h', 'a', 'l', 'f'});
    struct timeval old_times[2] = {{std::time(nullptr) - 600, 0}, {std::time(nullptr) - 600, 0}};
    ASSERT_EQ(::utimes(leftover.c_str(), old_times), 0);
    ASSERT_NE(save_image(1, dir.file("out.png"), TAG_PNG), 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.png"});
}

}  // namespace
}  // namespace pixmold
