#include "image/resampled_band.h"

#include <algorithm>
#include <new>

namespace pixmold {

namespace {
// The decoder may run this far ahead of the resampler: with the rows it has
// not handed on and those it writes next, never more than the band holds.
constexpr int kAhead = ResampledBand::kRows - 2 * kBandRows;
}  // namespace

ResampledBand::ResampledBand(PictureRows to, int height, std::function<bool()> spare_thread)
    : to_(std::move(to)), height_(height), spare_thread_(std::move(spare_thread)) {}

ResampledBand::~ResampledBand() {
    if (!helper_.joinable()) return;
    {
        std::lock_guard guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    helper_.join();
}

bool ResampledBand::allocate(std::size_t reach) {
    stride_ = (reach + 63) / 64 * 64;
    try {
        rows_.assign(stride_ * kRows, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::uint8_t* ResampledBand::row(int y_from_top) {
    return rows_.data() + std::size_t(y_from_top % kRows) * stride_;
}

bool ResampledBand::put(int first, int end) {
    const std::uint8_t* given[kRows];
    for (int y = first; y < end; ++y) given[y - first] = row(y);
    return to_(given, end - first);
}

bool ResampledBand::done(int y_end) {
    std::unique_lock guard(lock_);
    const int n = y_end - handed_;
    if (n < 0 || n > 2 * kBandRows || failed_) return false;
    if (n < kBandRows && y_end < height_) return true;
    if (!helper_.joinable()) {
        if (spare_thread_ && spare_thread_()) {
            try {
                helper_ = std::thread([this] { take_rows(); });
            } catch (const std::system_error&) {
                spare_thread_ = nullptr;  // the rows stay on this thread
            }
        }
        if (!helper_.joinable()) {
            const int first = handed_;
            handed_ = taken_ = y_end;
            guard.unlock();
            return put(first, y_end);
        }
    }
    handed_ = y_end;
    changed_.notify_all();
    changed_.wait(guard, [&] { return handed_ - taken_ <= kAhead || failed_; });
    return !failed_;
}

void ResampledBand::take_rows() {
    std::unique_lock guard(lock_);
    for (;;) {
        changed_.wait(guard, [&] { return taken_ < handed_ || ending_; });
        if (taken_ == handed_) return;
        const int first = taken_, end = handed_;
        guard.unlock();
        const bool ok = put(first, end);
        guard.lock();
        taken_ = end;
        failed_ = failed_ || !ok;
        changed_.notify_all();
    }
}

bool ResampledBand::finish() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return taken_ == handed_ || failed_; });
    return !failed_;
}

}  // namespace pixmold
