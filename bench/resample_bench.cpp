// Resampling speed against JPEG decoding speed.
//
//   resample_bench [CORPUS_DIR] [REPEATS]
//
// Decodes every photo of CORPUS_DIR/jpeg-baseline with libjpeg (timed), then
// resizes it to 1920 pixels wide: 24-bit smooth on 1 and 2 threads, 32-bit
// smooth (exact) on 1 and 2 threads. Prints per-photo medians, the sums of
// the medians and the ratios the resampler is judged by. Without CORPUS_DIR
// the corpus is built under ./bench-corpus by the shared script.
#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "image/resample.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct Picture {
    int width = 0, height = 0, depth = 24, stride = 0;
    std::vector<std::uint8_t> bytes;
    pixmold::PixelView view() { return {bytes.data(), width, height, depth, stride, false}; }
};

Picture make_picture(int w, int h, int depth) {
    Picture p;
    p.width = w;
    p.height = h;
    p.depth = depth;
    p.stride = depth == 32 ? w * 4 : (w * 3 + 3) / 4 * 4;
    p.bytes.assign(std::size_t(p.stride) * std::size_t(h), 0);
    return p;
}

struct ErrorJump {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void on_error(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1); }

// Decodes to bottom-up BGR rows, as the engine stores pictures.
bool decode(const std::vector<unsigned char>& file, Picture& out) {
    jpeg_decompress_struct cinfo;
    ErrorJump err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = on_error;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);
    if (out.width != int(cinfo.output_width) || out.height != int(cinfo.output_height))
        out = make_picture(int(cinfo.output_width), int(cinfo.output_height), 24);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.bytes.data() + std::size_t(out.height - 1 - int(cinfo.output_scanline)) * out.stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

template <class F>
double median_ms(int repeats, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = Clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::string corpus = argc > 1 ? argv[1] : "bench-corpus";
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (!fs::exists(fs::path(corpus) / "jpeg-baseline")) {
        const std::string cmd = "bash '" PIXMOLD_SOURCE_DIR "/../shared/bench/make-corpus.sh' '" + corpus + "'";
        std::printf("building the corpus: %s\n", cmd.c_str());
        if (std::system(cmd.c_str()) != 0) return 1;
    }
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(corpus) / "jpeg-baseline"))
        if (e.path().extension() == ".jpg") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no photos in %s/jpeg-baseline\n", corpus.c_str());
        return 1;
    }

    std::printf("%-20s %11s %9s %9s %9s %9s %9s\n", "photo", "size", "decode", "24bit/1t", "24bit/2t", "32bit/1t",
                "32bit/2t");
    double sum_dec = 0, sum_24_1 = 0, sum_24_2 = 0, sum_32_1 = 0, sum_32_2 = 0;
    for (const fs::path& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Picture src;
        if (!decode(file, src)) {
            std::fprintf(stderr, "cannot decode %s\n", path.c_str());
            return 1;
        }
        const double dec = median_ms(repeats, [&] { decode(file, src); });
        const int dw = 1920;
        const int dh = std::max(1, int((std::int64_t(src.height) * dw + src.width / 2) / src.width));
        Picture dst24 = make_picture(dw, dh, 24);
        auto resize24 = [&](int threads) {
            return median_ms(repeats, [&] { pixmold::resize_pixels(src.view(), dst24.view(), 0, threads); });
        };
        const double r24_1 = resize24(1), r24_2 = resize24(2);

        Picture src32 = make_picture(src.width, src.height, 32);
        for (int y = 0; y < src.height; ++y)
            for (int x = 0; x < src.width; ++x) {
                const std::uint8_t* s = src.bytes.data() + std::size_t(y) * src.stride + 3 * std::size_t(x);
                std::uint8_t* d = src32.bytes.data() + std::size_t(y) * src32.stride + 4 * std::size_t(x);
                d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
            }
        Picture dst32 = make_picture(dw, dh, 32);
        auto resize32 = [&](int threads) {
            return median_ms(repeats, [&] { pixmold::resize_pixels(src32.view(), dst32.view(), 0, threads); });
        };
        const double r32_1 = resize32(1), r32_2 = resize32(2);

        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", src.width, src.height);
        std::printf("%-20s %11s %8.1fms %8.1fms %8.1fms %8.1fms %8.1fms\n", path.filename().c_str(), size, dec, r24_1,
                    r24_2, r32_1, r32_2);
        sum_dec += dec, sum_24_1 += r24_1, sum_24_2 += r24_2, sum_32_1 += r32_1, sum_32_2 += r32_2;
    }
    std::printf("%-20s %11s %8.1fms %8.1fms %8.1fms %8.1fms %8.1fms\n", "sum of medians", "", sum_dec, sum_24_1,
                sum_24_2, sum_32_1, sum_32_2);
    std::printf("24-bit 1 thread / decode      = %.3f  (goal <= 0.35)\n", sum_24_1 / sum_dec);
    std::printf("24-bit 1 thread / 2 threads   = %.2f   (goal >= 1.7)\n", sum_24_1 / sum_24_2);
    std::printf("32-bit exact / 24-bit, 1 thr  = %.2f   (goal <= 2.5)\n", sum_32_1 / sum_24_1);
    std::printf("32-bit exact / 24-bit, 2 thr  = %.2f\n", sum_32_2 / sum_24_2);
    std::printf("repeats per figure: %d (median)\n", repeats);
    return 0;
}
