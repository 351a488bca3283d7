#include "batch/failure.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "job_fixture.h"
#include "scratch_mount.h"

namespace pixmold {
namespace {

using namespace pixmold::test;
namespace fs = std::filesystem;

TEST(WriteFailureReason, TellsAReadOnlyTargetFromAFullOrReadOnlyFileSystem) {
    TempDir dir;
    // An existing output without its owner's write bit is read-only, even
    // for root, who could write it regardless.
    const fs::path kept = dir.path / "kept.jpg";
    std::ofstream(kept) << "x";
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(write_failure_reason(kept.string(), 100), FailReason::ReadOnly);
    // A writable folder with room: nothing to blame.
    EXPECT_EQ(write_failure_reason((dir.path / "new.jpg").string(), 100), FailReason::Unwritable);
    // A "folder" that is a file.
    const fs::path plain = dir.path / "plain";
    std::ofstream(plain) << "x";
    EXPECT_EQ(write_failure_reason((plain / "new.jpg").string(), 100), FailReason::Unwritable);

    ScratchMount full(dir.path / "full", 64);
    if (!full.mounted()) GTEST_SKIP() << "mounting a file system needs root";
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 1 << 20), FailReason::DiskFull);  // 1 MiB > 64 KiB
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 100), FailReason::Unwritable);
    full.fill();
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 100), FailReason::DiskFull);
    ASSERT_TRUE(full.make_read_only());
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 100), FailReason::ReadOnly);
}

}  // namespace
}  // namespace pixmold
