// A bound on the pixel memory of the pictures a batch holds at once. Before
// it allocates a picture, a worker reserves what the picture will need at
// its peak; when the budget is spent it waits for others to give theirs
// back. Requests are served in the order they came, so a big picture is not
// passed over for ever by small ones; one that needs more than the whole
// budget runs alone, once nothing else is in flight.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

namespace pixmold {

class MemoryBudget {
public:
    // Gives its bytes back to the budget when it ends.
    class Reservation {
    public:
        Reservation() = default;
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&& other) noexcept;
        ~Reservation();
        explicit operator bool() const { return budget_ != nullptr; }
        std::uint64_t bytes() const { return bytes_; }
        // Takes `extra` more without waiting: true when it fits now, or when
        // this reservation is alone in flight (a big picture runs alone).
        // False changes nothing; the caller may give everything back and
        // reserve the whole again, so that no one waits while holding memory.
        bool try_grow(std::uint64_t extra);
        // Gives back all but `bytes` (what the picture still needs).
        void shrink_to(std::uint64_t bytes);

    private:
        friend class MemoryBudget;
        Reservation(MemoryBudget* budget, std::uint64_t bytes) : budget_(budget), bytes_(bytes) {}
        void release();
        MemoryBudget* budget_ = nullptr;
        std::uint64_t bytes_ = 0;
    };

    explicit MemoryBudget(std::uint64_t limit_bytes);
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Waits for `bytes` to fit. An empty reservation when `cancel` is seen
    // set while waiting (whoever sets it then calls wake()).
    Reservation reserve(std::uint64_t bytes, const std::atomic<bool>* cancel = nullptr);
    // Makes every waiter look at its cancel flag again.
    void wake();

    std::uint64_t limit() const { return limit_; }
    std::uint64_t in_flight() const;
    // Requests waiting now.
    std::size_t waiting() const;
    // The most that was ever reserved at once, and by one request.
    std::uint64_t peak() const;
    std::uint64_t largest() const;

private:
    void give_back(std::uint64_t bytes);
    bool try_add(std::uint64_t held, std::uint64_t extra);

    const std::uint64_t limit_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::uint64_t> queue_;  // tickets of the waiting requests, oldest first
    std::uint64_t next_ticket_ = 0;
    std::uint64_t in_flight_ = 0;
    std::uint64_t peak_ = 0;
    std::uint64_t largest_ = 0;
};

// Half the physical memory, at most 4 GiB (1 GiB when the size of the
// memory cannot be read).
std::uint64_t default_memory_budget();

}  // namespace pixmold
