#include "fx/shrink.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "fx/row_bands.h"

namespace pixmold {

namespace {

// Adds a row's bytes to the column sums (a loop the compiler vectorises).
#if defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void add_row(std::uint16_t* sums, const std::uint8_t* row, std::size_t bytes, bool first) {
    if (first)
        for (std::size_t i = 0; i < bytes; ++i) sums[i] = row[i];
    else
        for (std::size_t i = 0; i < bytes; ++i) sums[i] = std::uint16_t(sums[i] + row[i]);
}

// One output row from the column sums of its block of rows.
template <int Channels>
void block_means(const std::uint16_t* sums, std::uint8_t* out, int width, int out_width, int factor, int rows) {
    for (int ox = 0; ox < out_width; ++ox) {
        const int x0 = ox * factor, x1 = std::min(x0 + factor, width);
        const std::uint32_t count = std::uint32_t((x1 - x0) * rows);
        std::uint32_t total[Channels] = {};
        for (const std::uint16_t* s = sums + x0 * Channels; s < sums + x1 * Channels; s += Channels)
            for (int c = 0; c < Channels; ++c) total[c] += s[c];
        for (int c = 0; c < Channels; ++c) out[ox * Channels + c] = std::uint8_t((total[c] + count / 2) / count);
    }
}

}  // namespace

int preview_shrink_factor(float ratio) {
    // Blocks of at most 257 rows keep the column sums within 16 bits.
    return std::clamp(int(ratio / 2), 1, 257);
}

void box_shrink(const PixelView& from, const PixelView& to, int factor) {
    const int channels = from.depth / 8;
    const std::size_t row_bytes = std::size_t(from.width) * std::size_t(channels);
    // Bands of output rows, each reading its own blocks of the picture.
    over_row_bands(std::size_t(from.stride) * std::size_t(from.height), to.height, [&](int begin, int end) {
        std::vector<std::uint16_t> sums(row_bytes);
        for (int oy = begin; oy < end; ++oy) {
            const int y0 = oy * factor, y1 = std::min(y0 + factor, from.height);
            for (int y = y0; y < y1; ++y) add_row(sums.data(), from.row_from_top(y), row_bytes, y == y0);
            if (channels == 4)
                block_means<4>(sums.data(), to.row_from_top(oy), from.width, to.width, factor, y1 - y0);
            else
                block_means<3>(sums.data(), to.row_from_top(oy), from.width, to.width, factor, y1 - y0);
        }
    });
}

}  // namespace pixmold
