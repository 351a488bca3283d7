#include "platform/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

using namespace pixmold;

namespace {

std::atomic<int> steps{0};
std::atomic<bool> saw_stop{false};

void step_until_stopped(std::intptr_t) {
    while (!stop_requested()) {
        ++steps;
        pixmold::sleep(1);
    }
    saw_stop = true;
}

void add_argument(std::intptr_t value) { steps += int(value); }

ThreadHandle self_handle = 0;
std::atomic<bool> self_ready{false};
void stop_myself(std::intptr_t) {
    while (!self_ready) pixmold::sleep(1);
    kill_thread(self_handle);  // must not wait for itself
    saw_stop = stop_requested();
}

TEST(Threads, KillRequestsStopAndWaitsForTheWorker) {
    steps = 0;
    saw_stop = false;
    ThreadHandle h = start_thread(step_until_stopped, 0);
    ASSERT_NE(h, 0u);
    while (steps < 3) pixmold::sleep(1);
    EXPECT_TRUE(thread_running(h));
    kill_thread(h);
    EXPECT_TRUE(saw_stop);  // the worker had returned before kill_thread did
    EXPECT_FALSE(thread_running(h));
    kill_thread(h);  // a second kill is harmless
}

TEST(Threads, FinishedThreadsAndUnknownHandlesAreHarmless) {
    steps = 0;
    ThreadHandle h = start_thread(add_argument, 5);
    ASSERT_NE(h, 0u);
    while (thread_running(h)) pixmold::sleep(1);
    EXPECT_EQ(steps, 5);
    kill_thread(h);
    kill_thread(0);
    kill_thread(123456);
    EXPECT_EQ(start_thread(nullptr, 0), 0u);
}

TEST(Threads, ThreadThatStopsItselfDoesNotDeadlock) {
    saw_stop = false;
    self_ready = false;
    self_handle = start_thread(stop_myself, 0);
    self_ready = true;
    while (thread_running(self_handle)) pixmold::sleep(1);
    EXPECT_TRUE(saw_stop);
    kill_thread(self_handle);
}

TEST(Threads, KillAllStopsEveryWorker) {
    steps = 0;
    saw_stop = false;
    ThreadHandle a = start_thread(step_until_stopped, 0);
    ThreadHandle b = start_thread(step_until_stopped, 0);
    kill_all_threads();
    EXPECT_FALSE(thread_running(a));
    EXPECT_FALSE(thread_running(b));
    EXPECT_TRUE(saw_stop);
}

TEST(Threads, StopIsNeverRequestedOutsideWorkers) { EXPECT_FALSE(stop_requested()); }

TEST(Threads, HandlesAreDistinct) {
    ThreadHandle a = start_thread(add_argument, 0);
    ThreadHandle b = start_thread(add_argument, 0);
    EXPECT_NE(a, b);
    kill_thread(a);
    kill_thread(b);
}

}  // namespace
