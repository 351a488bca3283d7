// Pictures stored on their side are edited and saved as they are meant to be
// seen, whatever their format and orientation.
#include <filesystem>

#include "oriented_pictures.h"
#include "panel_fixture.h"

namespace pixmold::test {
namespace {

class FxUpright : public FxPanel {
protected:
    // The file's pixels as stored: the same file written upright, decoded.
    static BitmapPtr stored_pixels(OrientedFormat format, const std::string& path) {
        write_oriented(format, path, 1);
        const std::string bytes = read_bytes(path);
        return decode_picture({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}).bitmap;
    }

    // Every pixel of `shown` is the stored pixel meant to be shown there.
    static void expect_shown(const PixelView& shown, const Bitmap& stored, int o, const std::string& what) {
        const bool swap = o >= 5;
        ASSERT_EQ(shown.width, swap ? stored.height : stored.width) << what;
        ASSERT_EQ(shown.height, swap ? stored.width : stored.height) << what;
        int wrong = 0;
        for (int y = 0; y < stored.height; ++y)
            for (int x = 0; x < stored.width; ++x) {
                const auto [sx, sy] = shown_position(o, x, y, stored.width, stored.height);
                if (!(pixel(shown, sx, sy) == pixel(stored.view(), x, y))) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << what;
    }
};

TEST_F(FxUpright, EveryOrientationIsShownAndSavedUpright) {
    start();
    for (OrientedFormat format : {OrientedFormat::Jpeg, OrientedFormat::Png, OrientedFormat::Tiff, OrientedFormat::Webp}) {
        const std::string ext = extension_of(format);
        const BitmapPtr stored = stored_pixels(format, dir.file("upright" + ext));
        ASSERT_TRUE(stored) << ext;
        for (int o = 1; o <= 8; ++o) {
            const std::string what = ext + " orientation " + std::to_string(o);
            const std::string source = write_oriented(format, dir.file("photo" + std::to_string(o) + ext), o);
            // Dropped on the preview, kept, and saved as PNG.
            drop_on_preview({source});
            expect_shown(image_pixels(FxSource), *stored, o, what + " (loaded)");
            command(FX_APPLY);
            const std::string saved = dir.file("saved-" + ext.substr(1) + std::to_string(o) + ".png");
            dialogs.answer_file(saved, 1);
            command(FX_SAVE);
            ASSERT_TRUE(std::filesystem::exists(saved)) << what;
            // The saved file is upright by its pixels, with nothing left to turn.
            const std::string out = read_bytes(saved);
            int orientation = 0;
            DecodeOptions told;
            told.orientation = &orientation;
            const DecodedPicture back =
                decode_picture({reinterpret_cast<const std::uint8_t*>(out.data()), out.size()}, told);
            ASSERT_TRUE(back) << what;
            EXPECT_EQ(orientation, 1) << what;
            expect_shown(back.bitmap->view(), *stored, o, what + " (saved)");
        }
    }
    // HEIC comes turned by its container; the EXIF orientation it also
    // carries is not applied a second time.
    const std::string heic = std::string(PIXMOLD_TEST_DATA) + "/image/heic-irot-exif.heic";
    drop_on_preview({heic});
    const std::string bytes = read_bytes(heic);
    const DecodedPicture plain = decode_picture({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(plain);
    expect_shown(image_pixels(FxSource), *plain.bitmap, 1, "heic");
}

}  // namespace
}  // namespace pixmold::test
