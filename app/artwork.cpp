#include "app/artwork.h"

#include "image/codec.h"

namespace pixmold {

namespace {
// 0x00BBGGRR of the window background (red 214, green 223, blue 254).
constexpr std::int32_t WINDOW_BACKGROUND = 0xFEDFD6;
}  // namespace

int decode_embedded_pictures() {
    int failed = 0;
    for (const EmbeddedPicture& picture : embedded_pictures())
        if (catch_image(picture.number, picture.data, picture.size) == 0) ++failed;
    if (create_image(PIC_SWITCH_BACK, 150, 20, 24, WINDOW_BACKGROUND) == 0) ++failed;
    return failed;
}

}  // namespace pixmold
