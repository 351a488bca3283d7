// Resampling speed against JPEG decoding speed.
//
//   resample_bench [CORPUS_DIR] [REPEATS] [min]
//
// With "min", every figure is the fastest of the repeats instead of the
// median: steadier on a shared machine, for comparing two builds.
//
// Decodes every photo of CORPUS_DIR/jpeg-baseline with libjpeg (timed), then
// resizes it to 1920 pixels wide: 24-bit smooth on 1 and 2 threads, 32-bit
// smooth (exact) on 1 and 2 threads, all five in rotation. Prints per-photo
// medians, the sums of the medians and the ratios the resampler is judged by. Without CORPUS_DIR
// the corpus is built under ./bench-corpus by the shared script.
#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
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

double cpu_ms(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}
double thread_cpu_ms() { return cpu_ms(CLOCK_THREAD_CPUTIME_ID); }
double process_cpu_ms() { return cpu_ms(CLOCK_PROCESS_CPUTIME_ID); }

// Median wall-clock time, median CPU time of the calling thread (which
// other processes on a busy machine do not inflate; meaningful for work done
// on this thread only) and median CPU time of the whole process (all worker
// threads: how much work a multi-threaded run adds).
struct Timing {
    double wall = 0, cpu = 0, all = 0;
};

// Runs every job `repeats` times in rotation, so that a slow spell of the
// machine falls on all of them alike rather than on one, and returns each
// job's medians.
bool g_fastest = false;  // report minima instead of medians

std::vector<Timing> rotated_medians(int repeats, const std::vector<std::function<void()>>& jobs) {
    std::vector<std::vector<double>> wall(jobs.size()), cpu(jobs.size()), all(jobs.size());
    for (int i = 0; i < repeats; ++i)
        for (std::size_t j = 0; j < jobs.size(); ++j) {
            const auto t0 = Clock::now();
            const double c0 = thread_cpu_ms(), p0 = process_cpu_ms();
            jobs[j]();
            cpu[j].push_back(thread_cpu_ms() - c0);
            all[j].push_back(process_cpu_ms() - p0);
            wall[j].push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
    auto median = [](std::vector<double>& v) {
        std::sort(v.begin(), v.end());
        return g_fastest ? v.front() : v[v.size() / 2];
    };
    std::vector<Timing> out;
    for (std::size_t j = 0; j < jobs.size(); ++j) out.push_back({median(wall[j]), median(cpu[j]), median(all[j])});
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string corpus = argc > 1 ? argv[1] : "bench-corpus";
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    g_fastest = argc > 3 && std::string(argv[3]) == "min";
    const char* statistic = g_fastest ? "minima" : "medians";
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

    std::printf("wall-clock %s (cpu = this thread's CPU time, single-thread runs only)\n", statistic);
    std::printf("%-18s %10s %15s %15s %8s %15s %8s\n", "photo", "size", "decode", "24bit/1t", "24bit/2t",
                "32bit/1t", "32bit/2t");
    Timing sum_dec, sum_24_1, sum_24_2, sum_32_1, sum_32_2;
    int worst_difference = 0;
    double total_difference = 0, compared = 0;
    auto add = [](Timing& a, const Timing& b) {
        a.wall += b.wall;
        a.cpu += b.cpu;
        a.all += b.all;
    };
    for (const fs::path& path : files) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Picture src;
        if (!decode(file, src)) {
            std::fprintf(stderr, "cannot decode %s\n", path.c_str());
            return 1;
        }
        const int dw = 1920;
        const int dh = std::max(1, int((std::int64_t(src.height) * dw + src.width / 2) / src.width));
        Picture dst24 = make_picture(dw, dh, 24);
        Picture src32 = make_picture(src.width, src.height, 32);
        for (int y = 0; y < src.height; ++y)
            for (int x = 0; x < src.width; ++x) {
                const std::uint8_t* s = src.bytes.data() + std::size_t(y) * src.stride + 3 * std::size_t(x);
                std::uint8_t* d = src32.bytes.data() + std::size_t(y) * src32.stride + 4 * std::size_t(x);
                d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
            }
        Picture dst32 = make_picture(dw, dh, 32);
        auto resize24 = [&](int threads) {
            return [&, threads] { pixmold::resize_pixels(src.view(), dst24.view(), 0, threads); };
        };
        auto resize32 = [&](int threads) {
            return [&, threads] { pixmold::resize_pixels(src32.view(), dst32.view(), 0, threads); };
        };
        const std::vector<Timing> t = rotated_medians(
            repeats, {[&] { decode(file, src); }, resize24(1), resize24(2), resize32(1), resize32(2)});
        const Timing &dec = t[0], &r24_1 = t[1], &r24_2 = t[2], &r32_1 = t[3], &r32_2 = t[4];
        // The fast 24-bit result against the exact 32-bit one (opaque alpha,
        // so its colour channels are the double-precision filter's).
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs(int(dst24.bytes[std::size_t(y) * dst24.stride + 3 * std::size_t(x) + c]) -
                                           int(dst32.bytes[std::size_t(y) * dst32.stride + 4 * std::size_t(x) + c]));
                    worst_difference = std::max(worst_difference, d);
                    total_difference += d;
                    compared += 1;
                }

        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", src.width, src.height);
        std::printf("%-18s %10s %6.1f (%6.1f) %6.1f (%6.1f) %8.1f %6.1f (%6.1f) %8.1f\n", path.filename().c_str(), size,
                    dec.wall, dec.cpu, r24_1.wall, r24_1.cpu, r24_2.wall, r32_1.wall, r32_1.cpu, r32_2.wall);
        add(sum_dec, dec), add(sum_24_1, r24_1), add(sum_24_2, r24_2), add(sum_32_1, r32_1), add(sum_32_2, r32_2);
    }
    const std::string sum_label = std::string("sum of ") + statistic;
    std::printf("%-18s %10s %6.1f (%6.1f) %6.1f (%6.1f) %8.1f %6.1f (%6.1f) %8.1f   ms\n", sum_label.c_str(), "",
                sum_dec.wall, sum_dec.cpu, sum_24_1.wall, sum_24_1.cpu, sum_24_2.wall, sum_32_1.wall, sum_32_1.cpu,
                sum_32_2.wall);
    std::printf("24-bit 1 thread / decode     = %.3f wall, %.3f cpu  (goal <= 0.35)\n", sum_24_1.wall / sum_dec.wall,
                sum_24_1.cpu / sum_dec.cpu);
    std::printf("24-bit 1 thread / 2 threads  = %.2f wall             (goal >= 1.7)\n", sum_24_1.wall / sum_24_2.wall);
    std::printf("24-bit 2 threads, CPU of all threads / 1 thread = %.3f (work added by splitting; with two idle\n"
                "  cores the 2-thread speed-up is about 2 / this, less any imbalance)\n",
                sum_24_2.all / sum_24_1.all);
    std::printf("32-bit exact / 24-bit, 1 thr = %.2f wall, %.2f cpu   (goal <= 2.5)\n", sum_32_1.wall / sum_24_1.wall,
                sum_32_1.cpu / sum_24_1.cpu);
    std::printf("32-bit exact / 24-bit, 2 thr = %.2f wall\n", sum_32_2.wall / sum_24_2.wall);
    std::printf("24-bit against exact: largest difference %d, mean %.5f levels (bounds: 1, 0.1)\n", worst_difference,
                total_difference / std::max(1.0, compared));
    std::printf("repeats per figure: %d (%s)\n", repeats, statistic);
    return 0;
}
