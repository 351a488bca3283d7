#include "toolkit/ui_tasks.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <deque>
#include <mutex>
#include <utility>

#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace {

std::mutex tasks_lock;
std::deque<std::function<void()>> tasks;

}  // namespace

void post_ui_task(std::function<void()> task) {
    if (!task) return;
    {
        std::lock_guard lock(tasks_lock);
        tasks.push_back(std::move(task));
    }
    // Wake a waiting wait_event; the call is queued, so it runs on the
    // user-interface thread, where the toolkit state lives.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app,
            [] {
                if (detail::state().waiting) detail::state().waiting->quit();
            },
            Qt::QueuedConnection);
}

namespace detail {

bool run_ui_tasks() {
    bool ran = false;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(tasks_lock);
            if (tasks.empty()) return ran;
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        task();
        ran = true;
    }
}

void drop_ui_tasks() {
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(tasks_lock);
    dropped.swap(tasks);
}

}  // namespace detail
}  // namespace pixmold
