// One resize on one thread, for instruction counts that a busy machine does
// not disturb (wall-clock figures come from resample_bench):
//
//   valgrind --tool=callgrind --toggle-collect='pixmold::resize_pixels*'
//            build/bench/resize_count PHOTO WIDTH HEIGHT [24|32]
//
// Decodes PHOTO with the engine and resamples it to WIDTH x HEIGHT at the
// given depth (24 by default; 32 adds an opaque alpha channel). 0 as WIDTH or
// HEIGHT keeps that side, so one-axis resizes can be counted too. Prints a
// checksum of the result, so that two builds can be seen to agree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/codec.h"
#include "image/image.h"
#include "image/resample.h"

int main(int argc, char** argv) {
    using namespace pixmold;
    if (argc < 4) {
        std::fprintf(stderr, "usage: resize_count PHOTO WIDTH HEIGHT [24|32]\n");
        return 2;
    }
    const int depth = argc > 4 ? std::atoi(argv[4]) : 24;
    register_all_codecs();
    if (!load_image(1, argv[1])) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const int sw = image_width(1), sh = image_height(1);
    const int dw = std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : sw;
    const int dh = std::atoi(argv[3]) > 0 ? std::atoi(argv[3]) : sh;
    if (!create_image(2, sw, sh, depth) || !create_image(3, dw, dh, depth)) return 1;
    {
        // Both pictures are this thread's alone, so plain views are enough.
        const PixelView from = image_pixels(1), to = image_pixels(2);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < sw; ++x) {
                const std::uint8_t* s = from.pixels + std::size_t(y) * std::size_t(from.stride) + std::size_t(x) * std::size_t(from.depth / 8);
                std::uint8_t* d = to.pixels + std::size_t(y) * std::size_t(to.stride) + std::size_t(x) * std::size_t(depth / 8);
                std::memcpy(d, s, 3);
                if (depth == 32) d[3] = 255;
            }
    }
    const PixelView src = image_pixels(2), dst = image_pixels(3);
    if (!resize_pixels(src, dst, RESIZE_SMOOTH, 1)) return 1;
    std::uint64_t sum = 1469598103934665603ull;  // FNV-1a over the picture rows
    const std::size_t row = std::size_t(dw) * std::size_t(depth / 8);
    for (int y = 0; y < dh; ++y)
        for (std::size_t i = 0; i < row; ++i) sum = (sum ^ dst.pixels[std::size_t(y) * std::size_t(dst.stride) + i]) * 1099511628211ull;
    std::printf("%dx%d -> %dx%d depth %d: %016llx\n", sw, sh, dw, dh, depth, static_cast<unsigned long long>(sum));
    return 0;
}
