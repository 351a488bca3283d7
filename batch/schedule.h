// Hands out the entries of a batch to several workers so that the files on
// disk end up exactly as a one-by-one run would leave them: an entry waits
// while an earlier, unfinished entry reads or writes one of its files.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pixmold {

class OrderedScheduler {
public:
    // keys[i]: the files entry i touches (its source and its output), in any
    // spelling; they are compared after normalising.
    // weights[i] (optional): how much work entry i is; heavier entries are
    // handed out first when they are free to start, which shortens the tail
    // of a parallel batch. The files still change in list order.
    explicit OrderedScheduler(const std::vector<std::vector<std::string>>& keys,
                              const std::vector<std::uintmax_t>& weights = {});

    // The first entry, by weight then in list order, that is not started and
    // waits for no earlier entry; blocks while every remaining entry waits. nullopt once
    // all entries are handed out or after cancel().
    std::optional<std::size_t> acquire();
    // Marks an acquired entry finished, freeing the entries that waited for it.
    void release(std::size_t index);
    void cancel();

private:
    bool ready(std::size_t index) const;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::vector<std::string>> keys_;
    std::map<std::string, std::deque<std::size_t>> waiting_;  // unfinished entries per file, in order
    std::vector<bool> started_;
    std::vector<std::size_t> order_;  // hand-out order: heaviest first, ties in list order
    std::size_t first_unstarted_ = 0;
    std::size_t handed_out_ = 0;
    bool cancelled_ = false;
};

// A spelling-independent form of a path (absolute, "." and ".." resolved,
// symbolic links followed where they exist).
std::string normalised_path(const std::string& path);

}  // namespace pixmold
