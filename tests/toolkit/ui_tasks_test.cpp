// Work posted to the user-interface thread, run by the event wait.
#include "toolkit/ui_tasks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "toolkit/toolkit.h"

namespace pixmold {
namespace {

using namespace std::chrono_literals;

TEST(UiTasks, RunInOrderOnTheInterfaceThreadWithoutEndingTheWait) {
    ASSERT_TRUE(init_toolkit());
    const std::thread::id ui = std::this_thread::get_id();
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::promise<void> all_ran;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            post_ui_task([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
                if (i == 2) all_ran.set_value();
            });
        // Only once the work has run does an event come.
        if (all_ran.get_future().wait_for(10s) == std::future_status::ready) post_close_request(9);
    });
    // The work wakes the wait, which goes on until the event.
    EXPECT_EQ(wait_event(10000), EventKind::CloseRequest);
    EXPECT_EQ(event_window(), 9);
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(threads, (std::vector<std::thread::id>{ui, ui, ui}));
}

TEST(UiTasks, WorkPostedOutsideAWaitRunsAtTheNextOne) {
    ASSERT_TRUE(init_toolkit());
    bool ran = false;
    post_ui_task([&] { ran = true; });
    EXPECT_FALSE(ran);  // not inside the caller
    EXPECT_EQ(wait_event(0), EventKind::None);
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace pixmold
