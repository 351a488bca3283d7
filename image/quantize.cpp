#include "image/quantize.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace pixmold {
namespace {

// Parameters of the published algorithm.
constexpr int kCycles = 100;
constexpr int kPrimes[4] = {499, 491, 487, 503};
constexpr int kRadiusDecrease = 30;
constexpr double kBeta = 1.0 / 1024.0;
constexpr double kGamma = 1024.0;
constexpr double kGammaExponent = 1.8;

struct Neuron {
    double b, g, r, a;
};

class NeuQuant {
public:
    NeuQuant(const QuantSource& src, int size) : src_(src), size_(size), net_(std::size_t(size)) {
        for (int v = 0; v < 256; ++v) gamma_[v] = std::floor(std::pow(v / 255.0, 1.0 / kGammaExponent) * 255.0 + 0.5);
        freq_.assign(std::size_t(size), 1.0 / size);
        bias_.assign(std::size_t(size), 0.0);
        for (int j = 0; j < size; ++j) {
            const double grey = gamma_[std::min(255, j * 256 / size)];
            net_[std::size_t(j)] = {grey, grey, grey, j < 16 ? 16.0 * j : 255.0};
        }
    }

    void learn() {
        const std::size_t pixels = std::size_t(src_.width) * std::size_t(src_.height);
        const std::size_t bytes = pixels * 4;
        int sample_factor = std::min(1 + int(pixels / 262144), 10);
        if (bytes < 4 * 503) sample_factor = 1;
        const int alpha_decrease = 30 + (sample_factor - 1) / 3;
        const std::size_t samples = bytes / (4 * std::size_t(sample_factor));
        std::size_t step = 4 * 503;
        for (int p : kPrimes) {
            if (bytes % std::size_t(p) != 0) {
                step = 4 * std::size_t(p);
                break;
            }
        }
        std::size_t delta = samples / kCycles;
        if (delta == 0) delta = 1;
        double alpha = 1.0;
        double radius = double(size_ >> 3);
        int rad = int(radius);
        if (rad <= 1) rad = 0;
        std::size_t position = 0;
        for (std::size_t i = 0; i < samples;) {
            const Neuron p = sample(position / 4);
            const int j = contest(p);
            alter_single(alpha, j, p);
            if (rad) alter_neighbours(alpha, rad, j, p);
            position = (position + step) % bytes;
            ++i;
            if (i % delta == 0) {
                alpha -= alpha / alpha_decrease;
                radius -= radius / kRadiusDecrease;
                rad = int(radius);
                if (rad <= 1) rad = 0;
            }
        }
    }

    // Palette entries in real (not gamma) space.
    std::vector<std::array<std::uint8_t, 4>> palette() const {
        std::vector<std::array<std::uint8_t, 4>> out;
        out.reserve(net_.size());
        auto inverse = [](double v) {
            const double x = std::pow(std::clamp(v, 0.0, 255.0) / 255.0, kGammaExponent) * 255.0 + 0.5;
            return std::uint8_t(std::clamp(int(x), 0, 255));
        };
        for (const Neuron& n : net_) {
            const int a = std::min(255, int(std::clamp(n.a, 0.0, 255.0) / 255.0 * 256.0));
            out.push_back({inverse(n.b), inverse(n.g), inverse(n.r), std::uint8_t(a)});
        }
        return out;
    }

private:
    // The pixel at index i in memory order, gamma-mapped; transparent pixels learn as black.
    Neuron sample(std::size_t i) const {
        const std::size_t row = i / std::size_t(src_.width), col = i % std::size_t(src_.width);
        const std::uint8_t* p = src_.pixels + row * std::size_t(src_.stride) + col * std::size_t(src_.bytes_per_pixel);
        const int a = src_.bytes_per_pixel == 4 ? p[3] : 255;
        if (a == 0) return {0, 0, 0, 0};
        return {gamma_[p[0]], gamma_[p[1]], gamma_[p[2]], double(a)};
    }

    static double distance(const Neuron& n, const Neuron& p) {
        const double t = 1.0 - p.a / 255.0;
        const double weight = 1.0 - t * t;
        return weight * (std::abs(n.b - p.b) + std::abs(n.g - p.g) + std::abs(n.r - p.r)) + std::abs(n.a - p.a);
    }

    // Finds the closest neuron (for the update) and, with frequency bias, the
    // winner to move; updates the frequencies and biases.
    int contest(const Neuron& p) {
        double best = 1e300, best_biased = 1e300;
        int best_pos = 0, best_biased_pos = 0;
        for (int i = 0; i < size_; ++i) {
            const double d = distance(net_[std::size_t(i)], p);
            if (d < best) {
                best = d;
                best_pos = i;
            }
            const double biased = d - bias_[std::size_t(i)];
            if (biased < best_biased) {
                best_biased = biased;
                best_biased_pos = i;
            }
            const double beta_freq = freq_[std::size_t(i)] * kBeta;
            freq_[std::size_t(i)] -= beta_freq;
            bias_[std::size_t(i)] += beta_freq * kGamma;
        }
        freq_[std::size_t(best_pos)] += kBeta;
        bias_[std::size_t(best_pos)] -= kBeta * kGamma;
        return best_biased_pos;
    }

    void move(Neuron& n, double amount, const Neuron& p) {
        n.b -= amount * (n.b - p.b);
        n.g -= amount * (n.g - p.g);
        n.r -= amount * (n.r - p.r);
        n.a -= amount * (n.a - p.a);
    }

    void alter_single(double alpha, int j, const Neuron& p) { move(net_[std::size_t(j)], alpha, p); }

    void alter_neighbours(double alpha, int rad, int j, const Neuron& p) {
        const int lo = std::max(j - rad, -1), hi = std::min(j + rad, size_);
        const double rr = double(rad) * rad;
        for (int k = 1; j + k < hi || j - k > lo; ++k) {
            const double amount = alpha * (rr - double(k) * k) / rr;
            if (j + k < hi) move(net_[std::size_t(j + k)], amount, p);
            if (j - k > lo) move(net_[std::size_t(j - k)], amount, p);
        }
    }

    const QuantSource& src_;
    int size_;
    std::vector<Neuron> net_;
    std::vector<double> freq_, bias_;
    double gamma_[256];
};

// Nearest-entry search over the palette sorted on green, starting from the
// entries with the pixel's green and widening while green alone could still win.
class PaletteIndex {
public:
    explicit PaletteIndex(const std::vector<std::array<std::uint8_t, 4>>& entries) : entries_(entries) {
        order_.resize(entries.size());
        for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) { return entries[a][1] < entries[b][1]; });
        std::size_t k = 0;
        for (int g = 0; g < 256; ++g) {
            while (k < order_.size() && entries_[order_[k]][1] < g) ++k;
            start_[g] = int(std::min(k, order_.size() - 1));
        }
    }

    int find(int b, int g, int r, int a) const {
        int best = 1 << 30, best_index = order_[0];
        const int n = int(order_.size());
        int up = start_[g], down = start_[g] - 1;
        while (up < n || down >= 0) {
            if (up < n) {
                const auto& e = entries_[order_[up]];
                const int dg = e[1] - g;
                if (dg >= best) {
                    up = n;
                } else {
                    const int d = dg + std::abs(e[0] - b) + std::abs(e[2] - r) + std::abs(e[3] - a);
                    if (d < best) {
                        best = d;
                        best_index = order_[up];
                    }
                    ++up;
                }
            }
            if (down >= 0) {
                const auto& e = entries_[order_[down]];
                const int dg = g - e[1];
                if (dg >= best) {
                    down = -1;
                } else {
                    const int d = dg + std::abs(e[0] - b) + std::abs(e[2] - r) + std::abs(e[3] - a);
                    if (d < best) {
                        best = d;
                        best_index = order_[down];
                    }
                    --down;
                }
            }
        }
        return best_index;
    }

private:
    const std::vector<std::array<std::uint8_t, 4>>& entries_;
    std::vector<int> order_;
    int start_[256];
};

double luminance(std::uint8_t b, std::uint8_t g, std::uint8_t r) { return 0.2126 * r + 0.7152 * g + 0.0722 * b; }
constexpr double kOneBitThreshold = 160.0;

// The picture's own colours as the palette, in order of first appearance,
// when there are no more than 2^bits of them; false as soon as there are more.
bool use_own_colours(const QuantSource& src, int bits, Palette& out) {
    const std::size_t most = std::size_t(1) << bits;
    // Open addressing on the B,G,R,A word; at most half full.
    constexpr std::size_t kSlots = 512;
    std::uint32_t keys[kSlots];
    std::int16_t index_of[kSlots];
    std::fill(std::begin(index_of), std::end(index_of), std::int16_t(-1));
    out.entries.clear();
    const std::size_t w = std::size_t(src.width);
    std::uint32_t last_key = 0;
    int last_index = -1;
    for (std::size_t y = 0; y < std::size_t(src.height); ++y) {
        const std::uint8_t* p = src.pixels + y * std::size_t(src.stride);
        for (std::size_t x = 0; x < w; ++x, p += src.bytes_per_pixel) {
            const std::uint8_t a = src.bytes_per_pixel == 4 ? p[3] : 255;
            const std::uint32_t key = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                      std::uint32_t(a) << 24;
            if (key != last_key || last_index < 0) {
                std::size_t slot = (key * 2654435761u) >> 23;  // top 9 bits
                while (index_of[slot] >= 0 && keys[slot] != key) slot = (slot + 1) % kSlots;
                if (index_of[slot] < 0) {
                    if (out.entries.size() == most) return false;
                    keys[slot] = key;
                    index_of[slot] = std::int16_t(out.entries.size());
                    out.entries.push_back({p[0], p[1], p[2], a});
                }
                last_key = key;
                last_index = index_of[slot];
            }
            out.indices[y * w + x] = std::uint8_t(last_index);
        }
    }
    return true;
}

// A 1-bit BMP reads as black and white whatever its colour table says, so
// the darker colour takes index 0, and a lone colour the index the
// threshold would give it.
void order_for_one_bit(Palette& out) {
    auto light = [](const std::array<std::uint8_t, 4>& e) { return luminance(e[0], e[1], e[2]); };
    bool flip = false;
    if (out.entries.size() == 1) {
        flip = light(out.entries[0]) > kOneBitThreshold;
        out.entries.insert(flip ? out.entries.begin() : out.entries.end(),
                           flip ? std::array<std::uint8_t, 4>{0, 0, 0, 255} : std::array<std::uint8_t, 4>{255, 255, 255, 255});
    } else if (light(out.entries[1]) < light(out.entries[0])) {
        std::swap(out.entries[0], out.entries[1]);
        flip = true;
    }
    if (flip)
        for (std::uint8_t& i : out.indices) i ^= 1;
}

}  // namespace

Palette quantize(const QuantSource& src, int bits) {
    Palette out;
    if (src.width <= 0 || src.height <= 0 || bits < 1 || bits > 8) return out;
    const std::size_t w = std::size_t(src.width), h = std::size_t(src.height);
    out.indices.resize(w * h);
    if (use_own_colours(src, bits, out)) {
        if (bits == 1) order_for_one_bit(out);
        out.entries.resize(std::size_t(1) << bits, {0, 0, 0, 255});
        return out;
    }
    if (bits == 1) {
        out.entries = {{{0, 0, 0, 255}}, {{255, 255, 255, 255}}};
        for (std::size_t y = 0; y < h; ++y) {
            const std::uint8_t* p = src.pixels + y * std::size_t(src.stride);
            for (std::size_t x = 0; x < w; ++x, p += src.bytes_per_pixel)
                out.indices[y * w + x] = luminance(p[0], p[1], p[2]) > kOneBitThreshold ? 1 : 0;
        }
        return out;
    }
    NeuQuant net(src, 1 << bits);
    net.learn();
    out.entries = net.palette();
    const PaletteIndex index(out.entries);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* p = src.pixels + y * std::size_t(src.stride);
        for (std::size_t x = 0; x < w; ++x, p += src.bytes_per_pixel) {
            const int a = src.bytes_per_pixel == 4 ? p[3] : 255;
            out.indices[y * w + x] = std::uint8_t(index.find(p[0], p[1], p[2], a));
        }
    }
    return out;
}

}  // namespace pixmold
