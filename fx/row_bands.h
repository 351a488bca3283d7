// Work over the rows of a big picture, split into bands side by side on the
// machine's cores.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

namespace pixmold {

// Runs work(begin, end) over bands of `height` rows, side by side on the
// machine's cores when the work reads enough `bytes` for the threads to
// pay; each row is in exactly one band.
template <typename Work>
void over_row_bands(std::size_t bytes, int height, Work work) {
    constexpr std::size_t kBigPicture = std::size_t(4) << 20;
    const bool big = bytes >= kBigPicture;
    const int bands = big ? std::clamp(int(std::thread::hardware_concurrency()), 1, 8) : 1;
    std::vector<std::thread> others;
    for (int b = 1; b < bands; ++b) {
        const int begin = int(std::int64_t(height) * b / bands), end = int(std::int64_t(height) * (b + 1) / bands);
        try {
            others.emplace_back([=, &work] { work(begin, end); });
        } catch (const std::system_error&) {
            work(begin, end);  // no thread to be had: this one does it
        }
    }
    work(0, int(std::int64_t(height) / bands));
    for (std::thread& t : others) t.join();
}

}  // namespace pixmold
