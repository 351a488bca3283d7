// The job itself keeps every output in its source's folder, whatever prefix
// reaches it: the window and the command line refuse a bad one first, but
// the job must not depend on them.
#include <gtest/gtest.h>

#include "job_fixture.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

class OutputFolder : public ::testing::Test {
protected:
    void SetUp() override {
        start_engine();
        std::filesystem::create_directories(dir.folder() / "sub");
    }
    TempDir dir;
};

TEST_F(OutputFolder, AnEscapingPrefixFailsThePictureAndWritesNothing) {
    const std::string a = copy_in(dir, "base.jpg", "sub/a.jpg");
    for (const std::string& prefix : std::vector<std::string>{"../escape_", "./../escape_", "../sub/../y_",
                                                              std::string("x\0/../y_", 8)}) {
        BatchJob job;
        run_batch(job, {a}, make_settings("REL", 16, 16, "JPG", prefix));
        EXPECT_EQ(job.failed(), 1) << prefix;
        EXPECT_EQ(job.failed_pictures(), (std::vector<FailedPicture>{{a, FailReason::Unwritable}}));
    }
    EXPECT_EQ(folder_names(dir.folder()), std::vector<std::string>{"sub"});
    EXPECT_EQ(folder_names(dir.folder() / "sub"), std::vector<std::string>{"a.jpg"});
}

TEST_F(OutputFolder, ANameTooLongForTheFileSystemIsAFailureNotACrash) {
    const std::string long_name = copy_in(dir, "base.jpg", "sub/" + std::string(200, 'n') + ".jpg");
    const std::string short_name = copy_in(dir, "base.jpg", "sub/b.jpg");
    BatchJob job;
    run_batch(job, {long_name, short_name}, make_settings("REL", 16, 16, "JPG", std::string(60, 'p')));
    EXPECT_EQ(job.failed(), 1);
    EXPECT_EQ(job.failed_pictures(), (std::vector<FailedPicture>{{long_name, FailReason::NameTooLong}}));
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "sub" / (std::string(60, 'p') + "b.jpg")));
    EXPECT_EQ(folder_names(dir.folder()), std::vector<std::string>{"sub"});
}

}  // namespace
}  // namespace pixmold
