// libFuzzer entry: every decoder through catch_image, with the metadata and
// scaling options switched on for half the inputs.
#include <cstddef>
#include <cstdint>

#include <tiffio.h>

#include "image/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = [] {
        pixmold::register_all_codecs();
        TIFFSetErrorHandler(nullptr);  // libtiff's messages would drown the fuzzer's own
        TIFFSetErrorHandlerExt(nullptr);
        return true;
    }();
    (void)ready;
    pixmold::Metadata metadata;
    pixmold::DecodeOptions options;
    if (size % 2) {
        options.metadata = &metadata;
        options.min_size = [](int w, int h, pixmold::DecodeScaling, int& mw, int& mh) {
            mw = w / 3;
            mh = h / 5;
        };
    }
    if (pixmold::catch_image(1, data, size, options)) {
        // Read every pixel of pictures of sane size, so misplaced memory shows up.
        const pixmold::PixelView v = pixmold::image_pixels(1);
        if (std::size_t(v.width) * std::size_t(v.height) > (std::size_t(1) << 22)) {
            pixmold::free_image(1);
            return 0;
        }
        unsigned sum = 0;
        for (int y = 0; y < v.height; ++y)
            for (int x = 0; x < v.width * v.depth / 8; ++x) sum += v.row_from_top(y)[x];
        volatile unsigned sink = sum;
        (void)sink;
    }
    pixmold::free_image(1);
    return 0;
}
