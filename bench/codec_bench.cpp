// Codec speed side by side with the reference tools, in one run.
//
//   codec_bench [CORPUS_DIR] [REPEATS]
//
// For every photo of CORPUS_DIR/jpeg-baseline (and the large ones under
// CORPUS_DIR/huge when present):
//   * JPEG decode: load_image against `djpeg -dct int -outfile /dev/null`;
//   * JPEG encode at quality 8: save_image (temporary file, flush, rename)
//     against `cjpeg -quality 80` writing to the same folder, both fed the
//     same decoded pixels (cjpeg from a PPM file);
// and for every CORPUS_DIR/png picture: load_image against a plain libpng
// read of the same file into one RGB(A) buffer.
// The runs alternate (ours, reference, ours, ...) so that load from other
// processes hits both alike; each figure is the median of REPEATS (default 5)
// wall-clock times, in milliseconds. The tools are timed as whole processes,
// so their times include starting up and reading the file.
// Without CORPUS_DIR the corpus is built under ./bench-corpus by the shared script.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <png.h>

#include "image/codec.h"
#include "image/image.h"

#include "corpus_files.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
extern "C" char** environ;

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Wall time of a child process; negative when it failed.
double run_tool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto t = Clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = ms_since(t);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

void no_warning(png_structp, png_const_charp) {}

// Plain libpng: read the file into RGB or RGBA rows, 8 bits, nothing else.
bool plain_libpng_read(const std::string& path, std::vector<unsigned char>& pixels) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, no_warning);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowbytes = png_get_rowbytes(png, info);
    const std::size_t h = png_get_image_height(png, info);
    pixels.resize(rowbytes * h);
    rows.resize(h);
    for (std::size_t y = 0; y < h; ++y) rows[y] = pixels.data() + y * rowbytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return true;
}

bool write_ppm(const std::string& path) {
    const pixmold::PixelView v = pixmold::image_pixels(1);
    if (!v || v.depth != 24) return false;
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << v.width << ' ' << v.height << "\n255\n";
    std::vector<char> row(std::size_t(v.width) * 3);
    for (int y = 0; y < v.height; ++y) {
        const std::uint8_t* p = v.row_from_top(y);
        for (int x = 0; x < v.width; ++x) {
            row[std::size_t(x) * 3] = char(p[x * 3 + 2]);
            row[std::size_t(x) * 3 + 1] = char(p[x * 3 + 1]);
            row[std::size_t(x) * 3 + 2] = char(p[x * 3]);
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
    return bool(out);
}

struct Totals {
    std::vector<double> ratios;
    double ours = 0, theirs = 0;
    void add(double a, double b) {
        ours += a;
        theirs += b;
        ratios.push_back(a / b);
    }
    void print(const char* what) const {
        if (ratios.empty()) return;
        std::printf("%-12s sum of medians: ours %.0f ms, reference %.0f ms, ratio %.3f; median of per-picture ratios %.3f\n",
                    what, ours, theirs, ours / theirs, median(ratios));
    }
};

}  // namespace

int main(int argc, char** argv) {
    fs::path corpus = argc > 1 ? argv[1] : "";
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (corpus.empty()) {
        corpus = "bench-corpus";
        if (!fs::exists(corpus / "MANIFEST.tsv")) {
            const std::string cmd = std::string(PIXMOLD_SOURCE_DIR) + "/../shared/bench/make-corpus.sh " + corpus.string();
            if (std::system(cmd.c_str()) != 0) {
                std::fprintf(stderr, "could not build the corpus\n");
                return 1;
            }
        }
    }
    pixmold::register_all_codecs();
    const fs::path scratch = fs::temp_directory_path() / ("codec-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const std::string ppm = (scratch / "in.ppm").string();
    const std::string ours_out = (scratch / "ours.jpg").string(), cjpeg_out = (scratch / "cjpeg.jpg").string();

    std::vector<fs::path> photos = files_in(corpus / "jpeg-baseline", ".jpg");
    for (const auto& p : files_in(corpus / "huge", ".jpg")) photos.push_back(p);
    Totals decode, encode, png_totals;
    std::printf("%-34s %11s | %9s %9s %6s | %9s %9s %6s\n", "JPEG picture", "size", "decode", "djpeg", "ratio",
                "encode q8", "cjpeg", "ratio");
    for (const auto& photo : photos) {
        std::vector<double> ours_d, djpeg, ours_e, cjpeg;
        for (int r = 0; r < repeats; ++r) {
            auto t = Clock::now();
            if (!pixmold::load_image(1, photo.string())) return std::fprintf(stderr, "decode failed: %s\n", photo.c_str()), 1;
            ours_d.push_back(ms_since(t));
            djpeg.push_back(run_tool({"djpeg", "-dct", "int", "-outfile", "/dev/null", photo.string()}));
        }
        if (!write_ppm(ppm)) return 1;
        for (int r = 0; r < repeats; ++r) {
            auto t = Clock::now();
            if (!pixmold::save_image(1, ours_out, pixmold::TAG_JPEG, 8)) return std::fprintf(stderr, "encode failed\n"), 1;
            ours_e.push_back(ms_since(t));
            cjpeg.push_back(run_tool({"cjpeg", "-quality", "80", "-outfile", cjpeg_out, ppm}));
        }
        const double d = median(ours_d), dj = median(djpeg), e = median(ours_e), cj = median(cjpeg);
        std::printf("%-34s %5dx%-5d | %9.1f %9.1f %6.3f | %9.1f %9.1f %6.3f\n", photo.filename().c_str(),
                    pixmold::image_width(1), pixmold::image_height(1), d, dj, d / dj, e, cj, e / cj);
        std::fflush(stdout);
        decode.add(d, dj);
        encode.add(e, cj);
        pixmold::free_image(1);
    }

    std::printf("\n%-34s %11s | %9s %9s %6s\n", "PNG picture", "size", "decode", "libpng", "ratio");
    for (const auto& png : files_in(corpus / "png", ".png")) {
        std::vector<double> ours, plain;
        std::vector<unsigned char> buffer;
        for (int r = 0; r < repeats; ++r) {
            auto t = Clock::now();
            if (!pixmold::load_image(1, png.string())) return std::fprintf(stderr, "decode failed: %s\n", png.c_str()), 1;
            ours.push_back(ms_since(t));
            t = Clock::now();
            if (!plain_libpng_read(png.string(), buffer)) return 1;
            plain.push_back(ms_since(t));
        }
        const double a = median(ours), b = median(plain);
        std::printf("%-34s %5dx%-5d | %9.1f %9.1f %6.3f\n", png.filename().c_str(), pixmold::image_width(1),
                    pixmold::image_height(1), a, b, a / b);
        std::fflush(stdout);
        png_totals.add(a, b);
        pixmold::free_image(1);
    }
    std::printf("\n");
    decode.print("JPEG decode");
    encode.print("JPEG encode");
    png_totals.print("PNG decode");
    fs::remove_all(scratch);
    return 0;
}
