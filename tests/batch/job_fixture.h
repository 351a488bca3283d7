// Shared helpers for the tests that run the resize job on real files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "batch/job.h"
#include "image/bitmap.h"
#include "image/codec.h"
#include "image/file_bytes.h"
#include "image/image.h"
#include "temp_dir.h"

namespace pixmold::test {

inline const std::string kData = std::string(PIXMOLD_TEST_DATA) + "/batch/";

inline void start_engine() {
    init_image_engine();
    register_all_codecs();
}

// A decoded output, outside the picture store.
struct Decoded {
    Metadata metadata;
    DecodedPicture picture;
    PixelView view;
    explicit Decoded(const std::string& path) {
        DecodeOptions o;
        o.metadata = &metadata;
        FileBytes file;
        if (file.read(path)) picture = decode_picture(file.bytes(), o);
        if (picture) view = picture.bitmap->view();
    }
    explicit operator bool() const { return bool(view); }
    int width() const { return view.width; }
    int height() const { return view.height; }
    // Blue, green, red of the shown pixel (x, y), counted from the top.
    std::array<int, 3> bgr(int x, int y) const {
        const std::uint8_t* p = view.row_from_top(y) + x * (view.depth / 8);
        return {p[0], p[1], p[2]};
    }
};

// Settings as the settings file's words name them ("REL", "LIB", "JPG",
// "PNG"; any other word is read as the file reader reads it).
inline BatchSettings make_settings(const std::string& mode, std::int64_t a, std::int64_t b, const std::string& type,
                                   const std::string& prefix = "p_") {
    BatchSettings s;
    s.mode = mode_from_word(mode);
    s.format = format_from_word(type);
    s.prefix = prefix;
    s.quality = 9;
    if (s.mode == Mode::Free) {
        s.free_width = std::int16_t(a);
        s.free_height = std::int16_t(b);
    } else {
        s.landscape_width = a;
        s.portrait_height = b;
    }
    return s;
}

inline std::string copy_in(const TempDir& dir, const std::string& data_name, const std::string& as = "") {
    const auto target = dir.folder() / (as.empty() ? data_name : as);
    std::filesystem::copy_file(kData + data_name, target, std::filesystem::copy_options::overwrite_existing);
    return target.string();
}

// Pictures of distinct sizes and colours, written as PNG files.
inline PictureList distinct_pictures(const TempDir& dir, const std::string& stem, int count, int shade) {
    PictureList list;
    for (int i = 0; i < count; ++i) {
        const BitmapPtr b = allocate_bitmap(120 + i, 90 + 2 * i, 24);
        for (int y = 0; y < b->height; ++y)
            for (int x = 0; x < b->width; ++x) {
                std::uint8_t* p = b->row(y) + x * 3;
                p[0] = std::uint8_t(shade), p[1] = std::uint8_t(10 * i), p[2] = std::uint8_t(255 - 10 * i);
            }
        list.push_back((dir.folder() / (stem + std::to_string(i) + ".png")).string());
        if (!save_pixels(b->view(), list.back(), TAG_PNG)) return {};
    }
    return list;
}

// Runs a whole batch and waits for its end.
inline void run_batch(BatchJob& job, PictureList list, const BatchSettings& s, int threads = 2,
                      std::shared_ptr<MemoryBudget> memory = nullptr) {
    BatchJob::Options o;
    o.settings = s;
    o.threads = threads;
    o.memory = std::move(memory);
    ASSERT_TRUE(job.start(std::move(list), o));
    job.wait();
}

// Names in a folder, sorted.
inline std::vector<std::string> folder_names(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace pixmold::test
