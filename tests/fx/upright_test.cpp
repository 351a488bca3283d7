// Pictures stored on their side are edited and saved as they are meant to be
// seen, whatever their format and orientation.
#include <filesystem>

#include "oriented_pictures.h"
#include "panel_fixture.h"

namespace pixmold::test {
namespace {

DecodedPicture decode_file(const std::string& path, const DecodeOptions& options = {}) {
    const std::string bytes = read_bytes(path);
    return decode_picture({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, options);
}

// Every pixel of `shown` is the stored pixel meant to be shown there.
void expect_shown(const PixelView& shown, const PixelView& stored, int o, const std::string& what) {
    ASSERT_EQ(shown.width * shown.height, stored.width * stored.height) << what;
    ASSERT_EQ(shown.width, o >= 5 ? stored.height : stored.width) << what;
    int wrong = 0;
    for (int y = 0; y < stored.height; ++y)
        for (int x = 0; x < stored.width; ++x) {
            const auto [sx, sy] = shown_position(o, x, y, stored.width, stored.height);
            wrong += !(pixel(shown, sx, sy) == pixel(stored, x, y));
        }
    EXPECT_EQ(wrong, 0) << what;
}

TEST_F(FxPanel, PicturesOfEveryOrientationAreShownAndSavedUpright) {
    start();
    for (const std::string ext : {".jpg", ".png", ".tif", ".webp"}) {
        // The file's pixels as stored: the same file written upright, decoded.
        const DecodedPicture stored = decode_file(write_oriented(dir.file("upright"), ext, 1));
        ASSERT_TRUE(stored) << ext;
        for (int o = 1; o <= 8; ++o) {
            const std::string what = ext + " orientation " + std::to_string(o);
            // Dropped on the preview, kept, and saved as PNG.
            drop_on_preview({write_oriented(dir.file("photo" + std::to_string(o)), ext, o)});
            expect_shown(editor().picture().view(), stored.bitmap->view(), o, what + " (loaded)");
            command(Command::Apply);
            const std::string saved = dir.file("saved-" + ext.substr(1) + std::to_string(o) + ".png");
            dialogs.answer_file(saved, 1);
            command(Command::Save);
            ASSERT_TRUE(std::filesystem::exists(saved)) << what;
            // Upright by its pixels, with no orientation left to apply.
            int orientation = 0;
            DecodeOptions told;
            told.orientation = &orientation;
            const DecodedPicture back = decode_file(saved, told);
            ASSERT_TRUE(back) << what;
            EXPECT_EQ(orientation, 1) << what;
            expect_shown(back.bitmap->view(), stored.bitmap->view(), o, what + " (saved)");
        }
    }
    // HEIC comes turned by its container; the EXIF orientation it also
    // carries is not applied on top.
    const std::string heic = std::string(PIXMOLD_TEST_DATA) + "/image/heic-irot-exif.heic";
    drop_on_preview({heic});
    expect_shown(editor().picture().view(), decode_file(heic).bitmap->view(), 1, "heic");
}

}  // namespace
}  // namespace pixmold::test
