#include "batch/memory_budget.h"

#include <algorithm>
#include <utility>

#include "platform/system.h"

namespace pixmold {

MemoryBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)), bytes_(std::exchange(other.bytes_, 0)) {}

MemoryBudget::Reservation& MemoryBudget::Reservation::operator=(Reservation&& other) noexcept {
    if (this != &other) {
        release();
        budget_ = std::exchange(other.budget_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

MemoryBudget::Reservation::~Reservation() { release(); }

void MemoryBudget::Reservation::release() {
    if (budget_) budget_->give_back(bytes_);
    budget_ = nullptr;
    bytes_ = 0;
}

bool MemoryBudget::Reservation::try_grow(std::uint64_t extra) {
    if (!budget_ || !budget_->try_add(bytes_, extra)) return false;
    bytes_ += extra;
    return true;
}

void MemoryBudget::Reservation::shrink_to(std::uint64_t bytes) {
    if (!budget_ || bytes >= bytes_) return;
    budget_->give_back(bytes_ - bytes);
    bytes_ = bytes;
}

MemoryBudget::MemoryBudget(std::uint64_t limit_bytes) : limit_(limit_bytes) {}

MemoryBudget::Reservation MemoryBudget::reserve(std::uint64_t bytes, const std::atomic<bool>* cancel) {
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = next_ticket_++;
    queue_.push_back(ticket);
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    const auto fits = [&] {
        if (queue_.front() != ticket) return false;
        return in_flight_ == 0 || (bytes <= limit_ && in_flight_ <= limit_ - bytes);
    };
    changed_.wait(lock, [&] { return cancelled() || fits(); });
    queue_.erase(std::find(queue_.begin(), queue_.end(), ticket));
    // The next request may fit too, or may now be at the front.
    changed_.notify_all();
    if (cancelled()) return {};
    in_flight_ += bytes;
    peak_ = std::max(peak_, in_flight_);
    largest_ = std::max(largest_, bytes);
    return Reservation(this, bytes);
}

bool MemoryBudget::try_add(std::uint64_t held, std::uint64_t extra) {
    std::lock_guard lock(mutex_);
    const bool alone = in_flight_ == held;
    if (!alone && (extra > limit_ || in_flight_ > limit_ - extra)) return false;
    in_flight_ += extra;
    peak_ = std::max(peak_, in_flight_);
    largest_ = std::max(largest_, held + extra);
    return true;
}

void MemoryBudget::give_back(std::uint64_t bytes) {
    {
        std::lock_guard lock(mutex_);
        in_flight_ -= bytes;
    }
    changed_.notify_all();
}

void MemoryBudget::wake() {
    // Under the lock: a waiter is either before its check of the flag or
    // already waiting, never in between.
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

std::uint64_t MemoryBudget::in_flight() const {
    std::lock_guard lock(mutex_);
    return in_flight_;
}

std::size_t MemoryBudget::waiting() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::uint64_t MemoryBudget::peak() const {
    std::lock_guard lock(mutex_);
    return peak_;
}

std::uint64_t MemoryBudget::largest() const {
    std::lock_guard lock(mutex_);
    return largest_;
}

std::uint64_t default_memory_budget() {
    constexpr std::uint64_t kMost = std::uint64_t(4) << 30;
    const std::uint64_t memory = physical_memory_bytes();
    if (memory == 0) return std::uint64_t(1) << 30;
    return std::min(kMost, memory / 2);
}

}  // namespace pixmold
