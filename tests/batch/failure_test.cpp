#include "batch/failure.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "job_fixture.h"
#include "no_permission_override.h"
#include "scratch_mount.h"

namespace pixmold {
namespace {

using namespace pixmold::test;
namespace fs = std::filesystem;

TEST(WriteFailureReason, TellsAReadOnlyTargetFromAFullOrReadOnlyFileSystem) {
    TempDir dir;
    // An existing output without its owner's write bit is read-only, even
    // for root, who could write it regardless.
    const fs::path kept = dir.folder() / "kept.jpg";
    std::ofstream(kept) << "x";
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(write_failure_reason(kept.string(), 100), FailReason::ReadOnly);
    // A writable folder with room: nothing to blame.
    EXPECT_EQ(write_failure_reason((dir.folder() / "new.jpg").string(), 100), FailReason::Unwritable);
    // A "folder" that is a file.
    const fs::path plain = dir.folder() / "plain";
    std::ofstream(plain) << "x";
    EXPECT_EQ(write_failure_reason((plain / "new.jpg").string(), 100), FailReason::Unwritable);

    ScratchMount full(dir.folder() / "full", 64);
    if (!full.mounted()) GTEST_SKIP() << "mounting a file system needs root";
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 1 << 20), FailReason::DiskFull);  // 1 MiB > 64 KiB
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 100), FailReason::Unwritable);
    full.fill();
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 100), FailReason::DiskFull);
    ASSERT_TRUE(full.make_read_only());
    EXPECT_EQ(write_failure_reason((full.path() / "a.jpg").string(), 100), FailReason::ReadOnly);
}

// A picture's reason is the one its writer met. The judgement afterwards is
// only the fallback: it can see less (here the writer checks with the
// thread's own rights, which are reduced, while a check by access() sees the
// user's: for root, everything is writable).
TEST(WriteFailureReason, APicturesReasonIsTheOneItsWriterMet) {
    start_engine();
    TempDir locked, open, probe;
    const std::string refused_source = copy_in(locked, "base.jpg");
    const std::string kept_source = copy_in(open, "base.jpg");
    const fs::path kept = open.folder() / "p_base.jpg";
    std::ofstream(kept) << "x";
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(locked.folder(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    PictureReport refused, not_replaced;
    {
        NoPermissionOverride as_user;
        if (!NoPermissionOverride::enforced(probe.path())) GTEST_SKIP() << "file permissions are not enforced here";
        PictureContext c;
        refused = process_picture(refused_source, make_settings("REL", 16, 16, "JPG"), c);
        not_replaced = process_picture(kept_source, make_settings("REL", 16, 16, "JPG"), c);
    }
    EXPECT_EQ(refused.outcome, PictureOutcome::Failed);
    EXPECT_EQ(refused.reason, FailReason::NoPermission);
    EXPECT_EQ(not_replaced.outcome, PictureOutcome::Failed);
    EXPECT_EQ(not_replaced.reason, FailReason::ReadOnly);
    EXPECT_EQ(read_bytes(kept.string()), "x");
}

}  // namespace
}  // namespace pixmold
