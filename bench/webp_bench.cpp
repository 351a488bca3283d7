// WebP encoding against cwebp at the same quality, on the same pixels.
//
//   webp_bench CORPUS_DIR [REPEATS] [QUALITY]
//
// Every photo of CORPUS_DIR/jpeg and every picture of CORPUS_DIR/png is
// decoded and resized to fit a 1920 x 1920 box (proportions kept, as a
// relative-mode batch would), then written as a PNG that cwebp reads. The
// encodes then alternate (ours, cwebp, ours, ...): ours is save_image to
// WebP at QUALITY (0..10, default 8; temporary file, flush, rename), cwebp
// runs with -q QUALITY*10. Each time is the median of REPEATS (default 5).
// cwebp is timed twice: as a whole process (start-up and reading the PNG
// included) and by its own "Time to encode picture" (-v), which is the
// figure to set against ours. Sizes are those of the two files.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/codec.h"
#include "image/image.h"
#include "image/resample.h"

#include "corpus_files.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs cwebp; its wall time, and its own encoding time in `encode_ms`. Negative when it failed.
double run_cwebp(const std::string& in, const std::string& out, int quality, double& encode_ms) {
    const std::string cmd = "cwebp -v -q " + std::to_string(quality * 10) + " '" + in + "' -o '" + out + "' 2>&1";
    const auto t = Clock::now();
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return -1;
    std::string said;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) said.append(buf, n);
    const int status = pclose(pipe);
    const double ms = ms_since(t);
    const std::size_t at = said.find("Time to encode picture:");
    if (status != 0 || at == std::string::npos) return -1;
    encode_ms = std::atof(said.c_str() + at + 23) * 1000.0;
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: webp_bench CORPUS_DIR [REPEATS] [QUALITY]\n");
        return 2;
    }
    const fs::path corpus = argv[1];
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int quality = argc > 3 ? std::clamp(std::atoi(argv[3]), 0, 10) : 8;
    pixmold::register_all_codecs();
    const fs::path scratch = fs::temp_directory_path() / ("webp-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const std::string png = (scratch / "in.png").string();
    const std::string ours_out = (scratch / "ours.webp").string(), cwebp_out = (scratch / "cwebp.webp").string();

    std::vector<fs::path> pictures = files_in(corpus / "jpeg", ".jpg");
    for (const auto& p : files_in(corpus / "png", ".png")) pictures.push_back(p);
    std::printf("%-30s %9s | %9s %9s %9s %6s | %9s %9s %6s %5s\n", "picture (fit in 1920)", "size", "ours ms",
                "cwebp enc", "cwebp all", "ratio", "ours B", "cwebp B", "ratio", "same");
    double ours_total = 0, cwebp_total = 0, ours_bytes = 0, cwebp_bytes = 0;
    for (const auto& picture : pictures) {
        if (!pixmold::load_image(1, picture.string())) return std::fprintf(stderr, "decode failed: %s\n", picture.c_str()), 1;
        const int w = pixmold::image_width(1), h = pixmold::image_height(1);
        const int tw = w >= h ? 1920 : int(std::int64_t(w) * 1920 / h);
        const int th = w >= h ? int(std::int64_t(h) * 1920 / w) : 1920;
        const int depth = pixmold::image_pixels(1).depth;
        if (!pixmold::resize_image(1, tw, th) || !pixmold::save_image(1, png, pixmold::TAG_PNG, 7, depth))
            return std::fprintf(stderr, "resize failed: %s\n", picture.c_str()), 1;
        std::vector<double> ours, cwebp_encode, cwebp_all;
        for (int r = 0; r < repeats; ++r) {
            const auto t = Clock::now();
            if (!pixmold::save_image(1, ours_out, pixmold::TAG_WEBP, quality, depth))
                return std::fprintf(stderr, "encode failed\n"), 1;
            ours.push_back(ms_since(t));
            double encode = 0;
            const double all = run_cwebp(png, cwebp_out, quality, encode);
            if (all < 0) return std::fprintf(stderr, "cwebp failed\n"), 1;
            cwebp_all.push_back(all);
            cwebp_encode.push_back(encode);
        }
        const double a = median(ours), b = median(cwebp_encode), c = median(cwebp_all);
        const auto sa = fs::file_size(ours_out), sb = fs::file_size(cwebp_out);
        const bool same = sa == sb && std::system(("cmp -s '" + ours_out + "' '" + cwebp_out + "'").c_str()) == 0;
        std::printf("%-30s %4dx%-4d | %9.1f %9.1f %9.1f %6.3f | %9ju %9ju %6.3f %5s\n", picture.filename().c_str(), tw, th,
                    a, b, c, a / b, std::uintmax_t(sa), std::uintmax_t(sb), double(sa) / double(sb), same ? "yes" : "no");
        std::fflush(stdout);
        ours_total += a;
        cwebp_total += b;
        ours_bytes += double(sa);
        cwebp_bytes += double(sb);
        pixmold::free_image(1);
    }
    std::printf("\ntotal: ours %.0f ms, cwebp's encoding %.0f ms (ratio %.3f); ours %.0f bytes, cwebp %.0f bytes (ratio %.4f)\n",
                ours_total, cwebp_total, ours_total / cwebp_total, ours_bytes, cwebp_bytes, ours_bytes / cwebp_bytes);
    fs::remove_all(scratch);
    return 0;
}
