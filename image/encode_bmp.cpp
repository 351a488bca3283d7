// BMP encoder: 1, 4 and 8 bits through the colour quantiser, 24 and 32 bits
// copied. Rows are written bottom-up with a 40-byte information header.
#include <cstring>
#include <vector>

#include "image/codec_internal.h"
#include "image/quantize.h"

namespace pixmold {
namespace {

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

bool encode(const EncodeJob& job, int in_bpp) {
    const int d = job.depth;
    if (d != 1 && d != 4 && d != 8 && d != 24 && d != 32) return false;
    const std::size_t row_bytes = stride_for(job.width, d);
    const std::uint64_t image_size = std::uint64_t(row_bytes) * std::uint64_t(job.height);
    const std::uint32_t colours = d <= 8 ? (1u << d) : 0;
    const std::uint32_t offset = 54 + 4 * colours;
    if (row_bytes == 0 || image_size + offset > 0xFFFFFFFFull) return false;

    Palette palette;
    if (d <= 8) {
        palette = quantize({job.pixels, job.width, job.height, job.stride, in_bpp}, d);
        if (palette.entries.size() != colours) return false;
    }
    std::uint8_t header[54] = {'B', 'M'};
    put32(header + 2, std::uint32_t(image_size + offset));
    put32(header + 10, offset);
    put32(header + 14, 40);
    put32(header + 18, std::uint32_t(job.width));
    put32(header + 22, std::uint32_t(job.height));
    put16(header + 26, 1);
    put16(header + 28, std::uint32_t(d));
    put32(header + 34, std::uint32_t(image_size));
    if (std::fwrite(header, 1, sizeof header, job.out) != sizeof header) return false;
    for (const auto& e : palette.entries) {
        const std::uint8_t entry[4] = {e[0], e[1], e[2], 0};
        if (std::fwrite(entry, 1, 4, job.out) != 4) return false;
    }

    std::vector<std::uint8_t> row(row_bytes);
    for (int y = job.height - 1; y >= 0; --y) {  // bottom row first
        if (job.cancelled()) return false;
        const std::uint8_t* s = job.row(y);
        std::memset(row.data(), 0, row_bytes);
        if (d <= 8) {
            const int memory_row = (job.flags & DECODE_BOTTOM_UP) ? job.height - 1 - y : y;
            const std::uint8_t* idx = palette.indices.data() + std::size_t(memory_row) * std::size_t(job.width);
            for (int x = 0; x < job.width; ++x) {
                const int bit = x * d;
                row[std::size_t(bit >> 3)] |= std::uint8_t(idx[x] << (8 - d - (bit & 7)));
            }
        } else if (d == in_bpp * 8) {
            std::memcpy(row.data(), s, std::size_t(job.width) * std::size_t(in_bpp));
        } else if (d == 32) {  // 24-bit picture: a zero fourth byte
            for (int x = 0; x < job.width; ++x) std::memcpy(&row[std::size_t(x) * 4], s + x * 3, 3);
        } else {
            return false;  // 32-bit pixels reach 24-bit output already flattened
        }
        if (std::fwrite(row.data(), 1, row_bytes, job.out) != row_bytes) return false;
    }
    return true;
}

bool bmp_encode24(const EncodeJob& job) { return encode(job, 3); }
bool bmp_encode32(const EncodeJob& job) { return encode(job, 4); }

}  // namespace

const Encoder kBmpEncoder{TAG_BMP, bmp_encode24, bmp_encode32};

}  // namespace pixmold
