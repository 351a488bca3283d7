// Engine-internal pieces of the resampler: contribution tables, the two
// filter kernels, scratch memory and the row splitter. Tests use this header
// to compare the kernels with a plain reference and to force failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace pixmold::resample {

// Which output lengths read which input positions, and with what weights.
// Output i reads inputs left[i] .. left[i] + count[i] - 1 with the weights
// weights[i * stride .. i * stride + count[i] - 1].
struct Contributions {
    int n_in = 0;
    int n_out = 0;
    int stride = 0;  // room per output: 2 * ceil(support) + 1, at most n_in
    std::vector<int> left;
    std::vector<int> count;
    std::vector<double> weights;
};

// Mitchell-Netravali (B = C = 1/3) weights for n_out outputs from n_in
// inputs, renormalised so that each output's weights sum to 1. False when
// the table cannot be allocated.
bool build_contributions(int n_in, int n_out, Contributions& table);

// The same table with every output padded to one tap count (zero weights,
// window shifted to stay inside 0 .. n_in - 1) in single precision, for the
// SIMD kernels.
struct UniformContributions {
    int n_in = 0;
    int n_out = 0;
    int taps = 0;
    std::vector<int> left;
    std::vector<float> weights;  // n_out * taps
};
bool make_uniform(const Contributions& table, UniformContributions& out);

// Lowest and highest input position any output of `table` reads.
void input_span(const Contributions& table, int& first, int& last);

// A run of rows in memory (rows may be bottom-up or packed; the kernels only
// care about the row addresses).
struct Plane {
    const std::uint8_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    const std::uint8_t* row(int y) const { return pixels + std::ptrdiff_t(y) * stride; }
};
struct MutablePlane {
    std::uint8_t* pixels = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    std::uint8_t* row(int y) const { return pixels + std::ptrdiff_t(y) * stride; }
};

// Exact double-precision kernels on 4-byte pixels. rows: filters src rows
// [y0, y1) along x into the same rows of dst (dst.width = table.n_out).
// columns: computes dst rows [y0, y1) from the src rows the table names.
// `scratch` holds src.width * 4 doubles, 32-byte aligned.
void exact_rows(const Plane& src, const MutablePlane& dst, const Contributions& table, int y0, int y1, double* scratch);
void exact_columns(const Plane& src, const MutablePlane& dst, const Contributions& table, int y0, int y1);

// Single-precision kernels on 3-byte pixels (columns work on any bytes).
// `scratch` holds src.width * 3 + 8 floats, 32-byte aligned.
void fast_rows(const Plane& src, const MutablePlane& dst, const UniformContributions& table, int y0, int y1, float* scratch);
void fast_columns(const Plane& src, const MutablePlane& dst, const UniformContributions& table, int bytes_per_pixel,
                  int y0, int y1);

// Instruction sets the kernels may use. Tests force Generic to check that
// every path gives the same bytes.
enum class Isa { Generic, Avx2 };
Isa active_isa();
void force_isa(Isa isa);  // only ever lowers what the machine offers
void reset_isa();

// Scratch memory with a test hook: allocations larger than the limit fail,
// so tests can reach the out-of-memory paths.
struct ScratchDeleter {
    void operator()(std::uint8_t* p) const;
};
using Scratch = std::unique_ptr<std::uint8_t[], ScratchDeleter>;
Scratch allocate_scratch(std::size_t bytes);  // 64-byte aligned, null on failure
void set_scratch_limit(std::size_t bytes);    // 0: no limit
// Most scratch bytes alive at once since the last reset, for memory tests.
std::size_t peak_scratch_bytes();
void reset_peak_scratch_bytes();

// Splits [0, n) into `threads` consecutive ranges and runs them at once,
// the last on the calling thread. Falls back to fewer threads when a thread
// cannot be started.
void run_split(int threads, int n, const std::function<void(int begin, int end)>& work);

}  // namespace pixmold::resample
