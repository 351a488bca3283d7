#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "batch/intake.h"
#include "temp_dir.h"

namespace pixmold {
namespace {

using test::TempDir;

TEST(Extension, StopsAtSpacesSeparatorsAndLeadingDots) {
    EXPECT_EQ(path_extension("/a/photo.JPG"), "JPG");
    EXPECT_EQ(path_extension("/a/my.holiday.jpeg"), "jpeg");
    EXPECT_EQ(path_extension("/a/holiday photo.jp g"), "");
    EXPECT_EQ(path_extension("/a/photo.jpg backup"), "");
    EXPECT_EQ(path_extension("/a/.jpg"), "");
    EXPECT_EQ(path_extension(".jpg"), "");
    EXPECT_EQ(path_extension("C:\\x\\.jpg"), "");
    EXPECT_EQ(path_extension("/a.b/photo"), "");
    EXPECT_EQ(path_extension("C:\\a.b\\photo"), "");
    EXPECT_EQ(path_extension("/a/photo."), "");
    EXPECT_EQ(path_extension("/a/photo.jpg\"x"), "jpg");
    EXPECT_EQ(path_extension("x.y.png"), "png");
}

TEST(Extension, AcceptedSetIsExactAfterLowerCasing) {
    for (const char* ok : {"a.jpg", "a.JPEG", "a.Jp2", "a.bmp", "a.PNG", "a.tif", "a.tiff", "a.TGA", "a.Ico"})
        EXPECT_TRUE(is_picture_path(ok)) << ok;
    for (const char* no : {"a.txt", "a.gif", "a", ".png", "a.jpg ", "a.jpgx", "a.jp", "a.tif.txt", "a.icon"})
        EXPECT_FALSE(is_picture_path(no)) << no;
}

TEST(DropText, SeparatorsGiveFields) {
    EXPECT_EQ(split_drop_text("a\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(split_drop_text("a"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(split_drop_text("a\n"), (std::vector<std::string>{"a", ""}));
}

class IntakeFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = temp.folder() / "Photos";
        std::filesystem::create_directories(dir_ / "e");
        for (const char* name : {"a.JPG", "b.png", "c.txt", "d.tiff", ".jpg", "e/inner.jpg", "f g.jp g"})
            std::ofstream(dir_ / name) << "x";
        std::filesystem::create_directories(dir_ / "sub.jpg");  // a folder named like a picture
    }
    TempDir temp;
    std::filesystem::path dir_;
};

TEST_F(IntakeFolder, OneFolderGivesItsPicturesWithoutSubfolders) {
    DropIntake taken = take_drop({dir_.string()});
    // The file system's listing order is not fixed.
    std::sort(taken.pictures.begin(), taken.pictures.end());
    std::sort(taken.left_aside.begin(), taken.left_aside.end());
    EXPECT_EQ(taken.pictures, (PictureList{(dir_ / "a.JPG").string(), (dir_ / "b.png").string(), (dir_ / "d.tiff").string()}));
    // Its other files, not its subfolders.
    EXPECT_EQ(taken.left_aside, (std::vector<std::string>{(dir_ / ".jpg").string(), (dir_ / "c.txt").string(),
                                                          (dir_ / "f g.jp g").string()}));
}

TEST_F(IntakeFolder, TrailingSeparatorIsNotDoubled) {
    PictureList list = build_picture_list({dir_.string() + "/"});
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (PictureList{(dir_ / "a.JPG").string(), (dir_ / "b.png").string(), (dir_ / "d.tiff").string()}));
}

TEST_F(IntakeFolder, TwoFoldersGiveNothing) {
    std::filesystem::create_directories(temp.folder() / "Other");
    std::ofstream(temp.folder() / "Other" / "x.jpg") << "x";
    EXPECT_TRUE(build_picture_list({dir_.string(), (temp.folder() / "Other").string()}).empty());
    EXPECT_TRUE(build_picture_list_from_text(dir_.string() + "\n" + (temp.folder() / "Other").string()).empty());
}

TEST_F(IntakeFolder, FolderAndFileGiveOnlyTheFile) {
    const std::string file = (dir_ / "b.png").string();
    const DropIntake taken = take_drop({dir_.string(), file});
    EXPECT_EQ(taken.pictures, PictureList{file});
    EXPECT_EQ(taken.left_aside, std::vector<std::string>{dir_.string()});
}

TEST_F(IntakeFolder, FolderNamedLikeAPictureAmongSeveralIsTakenAsAPath) {
    const std::string folder = (dir_ / "sub.jpg").string();
    const std::string file = (dir_ / "b.png").string();
    EXPECT_EQ(build_picture_list({folder, file}), (PictureList{folder, file}));
    // Alone, it is a folder and its (empty) content is listed.
    EXPECT_TRUE(build_picture_list({folder}).empty());
}

TEST(Intake, FilesAreFilteredInDropOrderWithDuplicatesKept) {
    EXPECT_EQ(build_picture_list_from_text("/p/x.jpeg\n/p/notes.txt\n/p/y.jp2"), (PictureList{"/p/x.jpeg", "/p/y.jp2"}));
    EXPECT_EQ(build_picture_list({"/p/a.jpg", "/p/a.jpg"}), (PictureList{"/p/a.jpg", "/p/a.jpg"}));
    EXPECT_EQ(build_picture_list({"/p/holiday photo.jp g", "/p/photo.jpg backup", "/p/.jpg", "/p/my.holiday.jpeg"}),
              PictureList{"/p/my.holiday.jpeg"});
}

TEST(Intake, PicturesOfPhonesAndTheWebAreTakenInAnyCase) {
    for (const char* path : {"/p/IMG_0001.HEIC", "/p/a.heif", "/p/b.AVIF", "/p/c.webp", "/p/d.J2K", "/p/e.jp2"})
        EXPECT_TRUE(is_picture_path(path)) << path;
    for (const char* path : {"/p/a.gif", "/p/a.jxl", "/p/a.heics", "/p/a.webm", "/p/a.j2c", "/p/heic"})
        EXPECT_FALSE(is_picture_path(path)) << path;
}

TEST(Intake, MissingFolderOrFileIsJudgedByName) {
    EXPECT_TRUE(build_picture_list({"/no/such/folder"}).empty());
    EXPECT_EQ(build_picture_list({"/no/such/file.png"}), PictureList{"/no/such/file.png"});
    EXPECT_TRUE(build_picture_list({}).empty());
}

}  // namespace
}  // namespace pixmold
