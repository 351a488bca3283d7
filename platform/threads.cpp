#include "platform/threads.h"

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace pixmold {
namespace {

struct Worker {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::thread thread;
    ~Worker() {
        // Only reached at process exit for a thread nobody stopped.
        if (thread.joinable()) thread.detach();
    }
};

std::mutex table_lock;
std::map<ThreadHandle, std::shared_ptr<Worker>> table;
ThreadHandle last_handle = 0;

thread_local Worker* current_worker = nullptr;

// Joins workers that have already returned so the table stays small.
void reap_finished_locked(std::vector<std::shared_ptr<Worker>>& to_join) {
    for (auto it = table.begin(); it != table.end();) {
        if (it->second->done.load() && it->second.get() != current_worker) {
            to_join.push_back(it->second);
            it = table.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

ThreadHandle start_thread(ThreadEntry entry, std::intptr_t argument) {
    if (!entry) return 0;
    auto worker = std::make_shared<Worker>();
    std::vector<std::shared_ptr<Worker>> finished;
    ThreadHandle handle = 0;
    {
        std::lock_guard lock(table_lock);
        reap_finished_locked(finished);
        do {
            handle = ++last_handle;
        } while (handle == 0 || table.count(handle));
        try {
            worker->thread = std::thread([worker, entry, argument] {
                current_worker = worker.get();
                entry(argument);
                current_worker = nullptr;
                worker->done.store(true);
            });
        } catch (const std::system_error&) {
            return 0;
        }
        table[handle] = worker;
    }
    for (auto& w : finished)
        if (w->thread.joinable()) w->thread.join();
    return handle;
}

void kill_thread(ThreadHandle handle) {
    std::shared_ptr<Worker> worker;
    {
        std::lock_guard lock(table_lock);
        auto it = table.find(handle);
        if (it == table.end()) return;
        worker = it->second;
        worker->stop.store(true);
        if (worker.get() == current_worker) return;  // a thread cannot wait for itself
        table.erase(it);
    }
    if (worker->thread.joinable()) worker->thread.join();
}

void kill_all_threads() {
    std::vector<ThreadHandle> handles;
    {
        std::lock_guard lock(table_lock);
        for (auto& [handle, worker] : table) handles.push_back(handle);
    }
    for (ThreadHandle handle : handles) kill_thread(handle);
}

bool thread_running(ThreadHandle handle) {
    std::lock_guard lock(table_lock);
    auto it = table.find(handle);
    return it != table.end() && !it->second->done.load();
}

bool stop_requested() { return current_worker && current_worker->stop.load(); }

void sleep(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace pixmold
