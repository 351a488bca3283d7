// Picture files stored on their side, as cameras write them: the same pixels
// under each EXIF orientation, in each format that carries one, and where a
// stored pixel is meant to be shown.
#pragma once

#include <cstdint>
#include <cstring>
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

enum class OrientedFormat { Jpeg, Png, Tiff, Webp };

inline const char* extension_of(OrientedFormat f) {
    switch (f) {
        case OrientedFormat::Jpeg: return ".jpg";
        case OrientedFormat::Png: return ".png";
        case OrientedFormat::Tiff: return ".tif";
        case OrientedFormat::Webp: return ".webp";
    }
    return "";
}

// A landscape picture whose every pixel tells where it is (3 bytes B,G,R a
// pixel, rows from the top).
struct PlainPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgr;
};

inline PlainPicture telling_picture() {
    PlainPicture p{48, 32, {}};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            p.bgr.insert(p.bgr.end(), {std::uint8_t(x * 5), std::uint8_t(y * 7), std::uint8_t(200 - x * 2 - y)});
    return p;
}

inline std::vector<std::uint8_t> exif_with_orientation(int o, bool big_endian) {
    return ExifBuilder(big_endian).build({ExifBuilder::shortTag(0x0112, std::uint32_t(o))}, {}, {});
}

// An uncompressed RGB TIFF whose first directory holds the orientation.
inline std::string tiff_with_orientation(const PlainPicture& p, int o) {
    const auto rgb_bits = [](bool big) {
        return big ? std::vector<std::uint8_t>{0, 8, 0, 8, 0, 8} : std::vector<std::uint8_t>{8, 0, 8, 0, 8, 0};
    };
    const auto build = [&](std::uint32_t data_at) {
        return ExifBuilder(true).build({ExifBuilder::shortTag(256, std::uint32_t(p.width)),
                                        ExifBuilder::shortTag(257, std::uint32_t(p.height)),
                                        Tag{258, 3, 3, rgb_bits(true)},
                                        ExifBuilder::shortTag(259, 1),
                                        ExifBuilder::shortTag(262, 2),
                                        ExifBuilder::longTag(273, data_at),
                                        ExifBuilder::shortTag(274, std::uint32_t(o)),
                                        ExifBuilder::shortTag(277, 3),
                                        ExifBuilder::longTag(278, std::uint32_t(p.height)),
                                        ExifBuilder::longTag(279, std::uint32_t(p.bgr.size())),
                                        ExifBuilder::shortTag(284, 1)},
                                       {}, {});
    };
    std::vector<std::uint8_t> file = build(0);
    file = build(std::uint32_t(file.size()));
    for (std::size_t i = 0; i < p.bgr.size(); i += 3) file.insert(file.end(), {p.bgr[i + 2], p.bgr[i + 1], p.bgr[i]});
    return {file.begin(), file.end()};
}

// A still WebP (taken from `simple_webp`, a file of the simple format with
// one bitstream chunk) rewrapped in the extended format with an EXIF chunk.
inline std::string webp_with_orientation(const std::string& simple_webp, int width, int height, int o) {
    const std::string bitstream = simple_webp.substr(12);  // the VP8 or VP8L chunk, as it is
    const std::vector<std::uint8_t> exif = exif_with_orientation(o, false);
    const auto le = [](std::uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
        return s;
    };
    std::string body = "WEBP";
    body += "VP8X" + le(10, 4) + le(0x08, 4) + le(std::uint32_t(width - 1), 3) + le(std::uint32_t(height - 1), 3);
    body += bitstream;
    body += "EXIF" + le(std::uint32_t(exif.size()), 4) + std::string(exif.begin(), exif.end());
    if (exif.size() % 2) body += '\0';
    return "RIFF" + le(std::uint32_t(body.size()), 4) + body;
}

// Writes the picture of `format` stored under orientation `o` to `path`:
// telling_picture() for JPEG, PNG and TIFF, the test data's lossless WebP
// for WebP. Returns the path.
inline std::string write_oriented(OrientedFormat format, const std::string& path, int o) {
    const PlainPicture p = telling_picture();
    if (format == OrientedFormat::Tiff) {
        write_bytes(path, tiff_with_orientation(p, o));
        return path;
    }
    if (format == OrientedFormat::Webp) {
        const std::string simple = read_bytes(std::string(PIXMOLD_TEST_DATA) + "/image/webp-lossless.webp");
        const DecodedPicture d = decode_picture(
            {reinterpret_cast<const std::uint8_t*>(simple.data()), simple.size()});
        write_bytes(path, webp_with_orientation(simple, d.bitmap->width, d.bitmap->height, o));
        return path;
    }
    // Bottom-up rows for the engine's encoders.
    const int stride = (p.width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> pixels(std::size_t(stride) * std::size_t(p.height));
    for (int y = 0; y < p.height; ++y)
        std::memcpy(&pixels[std::size_t(p.height - 1 - y) * std::size_t(stride)], &p.bgr[std::size_t(y * p.width * 3)],
                    std::size_t(p.width) * 3);
    Metadata metadata;
    metadata.exif = exif_with_orientation(o, format == OrientedFormat::Png);
    EncodeOptions options;
    options.metadata = &metadata;
    save_pixels(PixelView{pixels.data(), p.width, p.height, 24, stride, false}, path,
                format == OrientedFormat::Jpeg ? TAG_JPEG : TAG_PNG, 9, -1, options);
    return path;
}

}  // namespace pixmold::test
