// Hands out the entries of a batch to several workers so that the files on
// disk end up exactly as a one-by-one run would leave them: an entry waits
// while an earlier, unfinished entry reads or writes one of its files.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace pixmold {

class OrderedScheduler {
public:
    // keys[i]: the files entry i touches (its source and its output), each
    // spelled one way only (normalised_path); empty keys are no file.
    // weights[i] (optional): how much work entry i is; heavier entries are
    // handed out first when they are free to start, which shortens the tail
    // of a parallel batch. The files still change in list order.
    //
    // Files are told apart by a 64-bit hash of their path, so that a batch
    // of millions holds a few numbers per entry rather than its paths again:
    // two files whose paths collide only make their entries wait for each
    // other, as if they shared a file.
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
    // The unfinished entry that comes first among those touching `file`.
    std::uint32_t first_user(std::uint32_t file) const { return users_[user_start_[file] + finished_[file]]; }

    std::mutex mutex_;
    std::condition_variable changed_;
    // The files of entry i, by number: files_[file_start_[i]] up to files_[file_start_[i + 1]].
    std::vector<std::uint32_t> files_;
    std::vector<std::uint32_t> file_start_;
    // The entries touching file f in list order, users_[user_start_[f]] up
    // to users_[user_start_[f + 1]], of which the first finished_[f] are done.
    std::vector<std::uint32_t> users_;
    std::vector<std::uint32_t> user_start_;
    std::vector<std::uint32_t> finished_;
    std::vector<bool> started_;
    std::vector<std::uint32_t> order_;  // hand-out order: heaviest first, ties in list order
    std::size_t first_unstarted_ = 0;
    std::size_t handed_out_ = 0;
    bool cancelled_ = false;
};

// A spelling-independent form of a path (absolute, "." and ".." resolved,
// symbolic links followed where they exist).
std::string normalised_path(const std::string& path);

}  // namespace pixmold
