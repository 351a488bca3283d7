// Engine-internal pieces of the resampler: contribution tables, the two
// filter kernels, scratch memory and the row splitter. Tests use this header
// to compare the kernels with a plain reference and to force failures.
#pragma once

#include <atomic>
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
// inputs, renormalised so that each output's weights sum to 1. The outputs
// cover `extent` inputs from `start` on (0, 0: all of them), an input at
// either end counting for the part of it they cover. False when the table
// cannot be allocated.
bool build_contributions(int n_in, int n_out, Contributions& table, double extent = 0, double start = 0);

// The same table in 16-bit fixed point with every output padded to one tap
// count, a multiple of `tap_multiple` (zero weights, window shifted to stay
// inside 0 .. n_in - 1 where it fits; a precise table short enough for the
// sixteen-row kernel, up to 32 taps, is padded to its longest window only). `weights` have 14 fraction bits and
// sum to exactly 1 << 14 per output. When `precise`, `fine` holds what they
// miss with 22 fraction bits, so sums of both are within 2^-23 per tap of
// the exact value, and values within `tie_margin` of rounding the other way
// are recomputed from `exact`: the bytes equal the double-precision
// filter's. With `row_layout` the table also holds the weights in the
// layout of the SIMD one-row kernel (output pairs side by side), unless it
// is precise and short enough for the sixteen-row kernel, which does not
// need them.
struct FixedContributions {
    int n_in = 0;
    int n_out = 0;
    int taps = 0;
    int last_start = 0;  // largest window start
    bool precise = false;
    int tie_margin = 0;  // in units of 2^-22
    Contributions exact;  // when precise
    std::vector<int> left;
    // n_out * taps; none in a precise table that the sixteen-row kernel
    // takes (AVX2, up to 32 taps), which only fixed_horizontal_rows may use.
    std::vector<std::int16_t> weights;
    std::vector<std::int16_t> fine;  // n_out * taps when precise and weights are there
    std::vector<std::int16_t> pairs;    // (n_out + 1) / 2 * taps * 8 (* 2 when precise)
    // When precise: the weights in single precision (n_out * taps) and how
    // far a single-precision sum of them may be from the exact one.
    std::vector<float> single;
    float single_margin = 0;
};
// When precise, `table` moves into `exact` (and is left empty).
bool make_fixed(Contributions& table, int tap_multiple, bool precise, bool row_layout, FixedContributions& out);

// Drops taps of weight exactly 0 from both ends of every window (the filter
// is 0 from distance 2 on, but windows reach 2 / scale + 1). Sums over the
// remaining taps are the same to the last bit.
void trim_zero_taps(Contributions& table);

// Lowest and highest input position any output of `table` reads.
void input_span(const Contributions& table, int& first, int& last);

// How far a single-precision sum of byte values by the weights wf[0..n)
// (w[0..n) rounded to float) may be from the same sum by w, plus 1/2, in
// units of 2^-24, when it is summed with fused multiply-adds in `chains`
// chains (tap k in chain k % chains, the first starting at 1/2, the others
// at 0, then added in order). It adds up what the weights' rounding moves
// the sum (exactly, for bytes up to 255) and half an ulp of every result,
// with each result bounded by its chain's start plus 255 times the
// magnitudes of its weights so far. Callers add what their own rounding
// of the result costs, and a margin on top for the double sum's own far
// smaller error.
double single_sum_bound(const double* w, const float* wf, int n, int chains);
// Half an ulp of any single-precision value of magnitude up to x, in units
// of 2^-24.
double half_ulp_units(double x);

// Kernels that give the double-precision filter's bytes exactly.
// horizontal, on 4-byte pixels: one row of table.n_in pixels into
// table.n_out pixels; `scratch` holds (n_in + table.stride) * 4 doubles,
// 32-byte aligned. vertical, on any bytes: output row a (and b, when not
// null) from the n rows of a window with per-row weights wa (wb); a weight
// of 0 leaves a row out exactly. Rows before b_first have wb 0 and rows
// from a_end on have wa 0 (0 and n when that is not known). It sums in
// single precision where that provably gives the same bytes.
void exact_horizontal(const std::uint8_t* in, std::uint8_t* out, const Contributions& table, double* scratch);
// Two rows at once, the same bytes as exact_horizontal on each; `scratch`
// holds twice as much.
void exact_horizontal2(const std::uint8_t* in_a, std::uint8_t* out_a, const std::uint8_t* in_b, std::uint8_t* out_b,
                       const Contributions& table, double* scratch);
void exact_vertical(const std::uint8_t* const* rows, int n, const double* wa, const double* wb, std::uint8_t* a,
                    std::uint8_t* b, std::size_t bytes, int b_first, int a_end);

// Fixed-point kernels for 3-byte pixels. horizontal: one row of t.n_in
// pixels into t.n_out pixels; `in` must be readable for fixed_row_reach(t)
// bytes. vertical, plain tables only: output y of the table from the rows
// it names (rows[k] = input row left[y] + k, any readable row where the
// weight is 0), `bytes` bytes of each.
std::size_t fixed_row_reach(const FixedContributions& t);
void fixed_horizontal(const std::uint8_t* in, std::uint8_t* out, const FixedContributions& t);
void fixed_vertical(const std::uint8_t* const* rows, const FixedContributions& t, int y, std::uint8_t* out,
                    std::size_t bytes);
// Up to kFixedRowsAtOnce rows at once: in[k] into out[k] for k < n, the
// same bytes as fixed_horizontal on each (same readable reach). `scratch` holds
// fixed_rows_scratch(t) bytes, 64-byte aligned; with none (size 0) the rows
// are filtered one by one. Only precise tables use the batch kernel.
constexpr int kFixedRowsAtOnce = 16;
std::size_t fixed_rows_scratch(const FixedContributions& t);
void fixed_horizontal_rows(const std::uint8_t* const* in, std::uint8_t* const* out, int n,
                           const FixedContributions& t, std::uint8_t* scratch);

// Instruction sets the kernels may use, each including the ones before it:
// Avx2 on x86-64 machines with AVX2 and FMA, Avx512 where AVX-512 (F, BW,
// VL, DQ) is there too, Generic (plain C++) everywhere else. Tests force the
// lower ones to check that every path gives the same bytes.
enum class Isa { Generic, Avx2, Avx512 };
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

// Output rows that one thread works through upwards, and whose upper half
// an idle thread may take over: a thread that runs slower (a core that was
// asleep, or busy elsewhere) then does less, rather than keeping the others
// waiting.
class alignas(64) RowRange {  // a cache line each: threads claim rows from their own at once
public:
    void set(int begin, int end);
    // Up to `most` of the next rows, from `begin`; how many (0 when done).
    int claim(int most, int& begin);
    // The range's end as it stands (it may still move down), and how many
    // rows are not claimed yet.
    int end() const;
    int left() const;
    // Moves the upper half of what is left, when that is at least `least`
    // rows, into `into` (whose own rows are done).
    bool split(RowRange& into, int least);

private:
    std::atomic<std::uint64_t> span_{0};  // next row << 32 | end
};

// Splits [0, n) into `threads` consecutive ranges and runs work(range) for
// each at once, the last on the calling thread; a thread done with its
// rows takes over half of the largest range left, at least `least` rows,
// and runs work on that. First `prepare` runs on the calling thread, once
// the other threads are started, so that they wake up meanwhile, and
// `prepare_too`, which must not depend on it, on whichever thread is free
// first (the others wait for both, spinning a few milliseconds at most,
// then asleep). When either returns false no work runs and this returns
// false. Falls back to fewer threads when a thread cannot be started.
bool run_split(int threads, int n, int least, const std::function<bool()>& prepare,
               const std::function<bool()>& prepare_too, const std::function<void(RowRange& range)>& work);

}  // namespace pixmold::resample
