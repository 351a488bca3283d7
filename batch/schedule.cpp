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
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = i;
    if (weights.size() == keys.size())
        std::stable_sort(order_.begin(), order_.end(),
                         [&](std::size_t a, std::size_t b) { return weights[a] > weights[b]; });
    keys_.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::vector<std::string> normal;
        for (const std::string& k : keys[i]) {
            if (k.empty()) continue;
            std::string n = normalised_path(k);
            if (std::find(normal.begin(), normal.end(), n) == normal.end()) normal.push_back(std::move(n));
        }
        for (const std::string& n : normal) waiting_[n].push_back(i);
        keys_.push_back(std::move(normal));
    }
}

bool OrderedScheduler::ready(std::size_t index) const {
    for (const std::string& k : keys_[index])
        if (waiting_.at(k).front() != index) return false;
    return true;
}

std::optional<std::size_t> OrderedScheduler::acquire() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (cancelled_ || handed_out_ == keys_.size()) return std::nullopt;
        while (first_unstarted_ < order_.size() && started_[order_[first_unstarted_]]) ++first_unstarted_;
        for (std::size_t n = first_unstarted_; n < order_.size(); ++n) {
            const std::size_t i = order_[n];
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
        for (const std::string& k : keys_[index]) {
            auto& queue = waiting_[k];
            if (!queue.empty() && queue.front() == index) queue.pop_front();
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
