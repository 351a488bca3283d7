#include "batch/schedule.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace pixmold {

std::string normalised_path(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(path), ec);
    if (ec) {
        p = fs::absolute(fs::path(path), ec);
        if (ec) p = fs::path(path);
        p = p.lexically_normal();
    }
    return p.string();
}

OrderedScheduler::OrderedScheduler(const std::vector<std::vector<std::string>>& keys,
                                   const std::vector<std::uintmax_t>& weights)
    : started_(keys.size(), false), order_(keys.size()) {
    const std::uint32_t entries = std::uint32_t(keys.size());
    for (std::uint32_t i = 0; i < entries; ++i) order_[i] = i;
    if (weights.size() == keys.size())
        std::stable_sort(order_.begin(), order_.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return weights[a] > weights[b]; });

    // Every (file, entry) pair once, sorted by file then entry: each file's
    // run is its entries in list order.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> touches;
    file_start_.reserve(std::size_t(entries) + 1);
    for (std::uint32_t i = 0; i < entries; ++i) {
        file_start_.push_back(std::uint32_t(touches.size()));
        const std::size_t first = touches.size();
        for (const std::string& key : keys[i]) {
            if (key.empty()) continue;
            const std::uint64_t file = std::hash<std::string>{}(key);
            if (std::find(touches.begin() + std::ptrdiff_t(first), touches.end(), std::pair(file, i)) == touches.end())
                touches.emplace_back(file, i);
        }
    }
    file_start_.push_back(std::uint32_t(touches.size()));
    std::sort(touches.begin(), touches.end());

    files_.resize(touches.size());
    users_.reserve(touches.size());
    std::vector<std::uint32_t> filled(entries, 0);
    for (std::size_t t = 0; t < touches.size(); ++t) {
        if (t == 0 || touches[t].first != touches[t - 1].first) user_start_.push_back(std::uint32_t(t));
        const std::uint32_t entry = touches[t].second;
        files_[file_start_[entry] + filled[entry]++] = std::uint32_t(user_start_.size() - 1);
        users_.push_back(entry);
    }
    finished_.assign(user_start_.size(), 0);
    user_start_.push_back(std::uint32_t(touches.size()));
}

bool OrderedScheduler::ready(std::size_t index) const {
    for (std::uint32_t f = file_start_[index]; f < file_start_[index + 1]; ++f)
        if (first_user(files_[f]) != index) return false;
    return true;
}

std::optional<std::size_t> OrderedScheduler::acquire() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (cancelled_ || handed_out_ == order_.size()) return std::nullopt;
        while (first_unstarted_ < order_.size() && started_[order_[first_unstarted_]]) ++first_unstarted_;
        for (std::size_t n = first_unstarted_; n < order_.size(); ++n) {
            const std::uint32_t i = order_[n];
            if (started_[i] || !ready(i)) continue;
            started_[i] = true;
            ++handed_out_;
            return i;
        }
        changed_.wait(lock);
    }
}

void OrderedScheduler::release(std::size_t index) {
    {
        std::lock_guard lock(mutex_);
        for (std::uint32_t f = file_start_[index]; f < file_start_[index + 1]; ++f) {
            const std::uint32_t file = files_[f];
            if (user_start_[file] + finished_[file] < user_start_[file + 1] && first_user(file) == index)
                ++finished_[file];
        }
    }
    changed_.notify_all();
}

void OrderedScheduler::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
}

}  // namespace pixmold
