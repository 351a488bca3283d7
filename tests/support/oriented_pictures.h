// Picture files stored on their side, as cameras write them: the same pixels
// under each EXIF orientation, in each format that carries one, and where a
// stored pixel is meant to be shown.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "exif_builder.h"
#include "image/codec.h"
#include "temp_dir.h"

namespace pixmold::test {

// Where stored pixel (x, y) of a w x h picture is shown under EXIF orientation o.
inline std::pair<int, int> shown_position(int o, int x, int y, int w, int h) {
    switch (o) {
        case 2: return {w - 1 - x, y};
        case 3: return {w - 1 - x, h - 1 - y};
        case 4: return {x, h - 1 - y};
        case 5: return {y, x};
        case 6: return {h - 1 - y, x};          // 90° clockwise
        case 7: return {h - 1 - y, w - 1 - x};
        case 8: return {y, w - 1 - x};          // 90° counter-clockwise
        default: return {x, y};
    }
}

// Writes a 48 x 32 picture whose pixels tell where they are (for WebP, the
// test data's lossless one) stored under orientation `o`, as `path`.jpg,
// .png, .tif or .webp; returns the file's path.
inline std::string write_oriented(const std::string& path, const std::string& ext, int o) {
    const int w = 48, h = 32;
    const auto tag = [](std::uint16_t t, std::uint32_t v) { return ExifBuilder::shortTag(t, v); };
    const std::string file = path + ext;
    if (ext == ".webp") {  // the simple file's bitstream chunk, in the extended format with an EXIF chunk
        const std::string simple = read_bytes(std::string(PIXMOLD_TEST_DATA) + "/image/webp-lossless.webp");
        const std::vector<std::uint8_t> exif = ExifBuilder(false).build({tag(0x0112, std::uint32_t(o))}, {}, {});
        const auto le = [](std::uint32_t v, int n) { std::string s; while (n--) s += char(v), v >>= 8; return s; };
        const PixelView size = decode_picture({reinterpret_cast<const std::uint8_t*>(simple.data()), simple.size()})
                                   .bitmap->view();
        std::string body = "WEBPVP8X" + le(10, 4) + le(0x08, 4) + le(std::uint32_t(size.width - 1), 3) +
                           le(std::uint32_t(size.height - 1), 3) + simple.substr(12) + "EXIF" +
                           le(std::uint32_t(exif.size()), 4) + std::string(exif.begin(), exif.end());
        if (body.size() % 2) body += '\0';
        write_bytes(file, "RIFF" + le(std::uint32_t(body.size()), 4) + body);
        return file;
    }
    std::vector<std::uint8_t> bgr;  // rows from the top
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bgr.insert(bgr.end(), {std::uint8_t(x * 5), std::uint8_t(y * 7), std::uint8_t(200 - x * 2 - y)});
    if (ext == ".tif") {  // uncompressed RGB, one strip after the first directory
        const auto tiff = [&](std::uint32_t strip_at) {
            return ExifBuilder(true).build({tag(256, w), tag(257, h), Tag{258, 3, 3, {0, 8, 0, 8, 0, 8}}, tag(259, 1),
                                            tag(262, 2), ExifBuilder::longTag(273, strip_at), tag(274, std::uint32_t(o)),
                                            tag(277, 3), tag(278, h), ExifBuilder::longTag(279, std::uint32_t(bgr.size())),
                                            tag(284, 1)}, {}, {});
        };
        std::vector<std::uint8_t> bytes = tiff(std::uint32_t(tiff(0).size()));
        for (std::size_t i = 0; i < bgr.size(); i += 3) bytes.insert(bytes.end(), {bgr[i + 2], bgr[i + 1], bgr[i]});
        write_bytes(file, std::string(bytes.begin(), bytes.end()));
        return file;
    }
    // The engine's encoders take bottom-up rows of 4-byte multiples (48 x 3 is one).
    std::vector<std::uint8_t> rows;
    for (int y = h - 1; y >= 0; --y) rows.insert(rows.end(), bgr.begin() + y * w * 3, bgr.begin() + (y + 1) * w * 3);
    Metadata metadata;
    metadata.exif = ExifBuilder(ext == ".png").build({tag(0x0112, std::uint32_t(o))}, {}, {});
    EncodeOptions options;
    options.metadata = &metadata;
    save_pixels(PixelView{rows.data(), w, h, 24, w * 3, false}, file, ext == ".jpg" ? TAG_JPEG : TAG_PNG, 9, -1, options);
    return file;
}

}  // namespace pixmold::test
