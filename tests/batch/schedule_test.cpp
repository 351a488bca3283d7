#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "batch/schedule.h"

namespace pixmold {
namespace {

TEST(Scheduler, IndependentEntriesGoOutInOrderAtOnce) {
    OrderedScheduler s({{"/t/a.jpg", "/t/p_a.jpg"}, {"/t/b.jpg", "/t/p_b.jpg"}, {"/t/c.jpg", "/t/p_c.jpg"}});
    EXPECT_EQ(s.acquire(), 0u);
    EXPECT_EQ(s.acquire(), 1u);
    EXPECT_EQ(s.acquire(), 2u);
    EXPECT_EQ(s.acquire(), std::nullopt);
}

TEST(Scheduler, SharedFileMakesLaterEntryWaitButNotOthers) {
    // Entry 1 is the same source dropped twice; entry 2 writes what entry 3 reads.
    OrderedScheduler s({{"/t/a.jpg", "/t/a.jpg"},
                        {"/t/./a.jpg", "/t/a.jpg"},
                        {"/t/b.bmp", "/t/b.jpg"},
                        {"/t/b.jpg", "/t/b.jpg"}});
    EXPECT_EQ(s.acquire(), 0u);
    EXPECT_EQ(s.acquire(), 2u);  // 1 waits for 0, 3 waits for 2
    std::atomic<int> got{-1};
    std::thread waiter([&] { got = int(*s.acquire()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(got.load(), -1);
    s.release(2);
    waiter.join();
    EXPECT_EQ(got.load(), 3);
    s.release(0);
    EXPECT_EQ(s.acquire(), 1u);
}

TEST(Scheduler, HeaviestFreeEntryGoesFirstButCollisionsKeepListOrder) {
    // Entry 3 is the heaviest but rewrites entry 1's output, so it waits for
    // entry 1; entry 2 is the heaviest that is free; equal weights keep list order.
    OrderedScheduler s({{"/t/a.jpg", "/t/p_a.jpg"},
                        {"/t/b.jpg", "/t/p_b.jpg"},
                        {"/t/c.jpg", "/t/p_c.jpg"},
                        {"/t/b.png", "/t/p_b.jpg"},
                        {"/t/d.jpg", "/t/p_d.jpg"}},
                       {10, 10, 50, 90, 10});
    EXPECT_EQ(s.acquire(), 2u);
    EXPECT_EQ(s.acquire(), 0u);
    EXPECT_EQ(s.acquire(), 1u);
    EXPECT_EQ(s.acquire(), 4u);  // 3 still waits for 1
    s.release(1);
    EXPECT_EQ(s.acquire(), 3u);
    EXPECT_EQ(s.acquire(), std::nullopt);
}

TEST(Scheduler, WeightsOfTheWrongCountAreIgnored) {
    OrderedScheduler s({{"/t/a.jpg"}, {"/t/b.jpg"}}, {1});
    EXPECT_EQ(s.acquire(), 0u);
    EXPECT_EQ(s.acquire(), 1u);
}

TEST(Scheduler, CancelWakesWaiters) {
    OrderedScheduler s({{"/t/a.jpg"}, {"/t/a.jpg"}});
    EXPECT_EQ(s.acquire(), 0u);
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        EXPECT_EQ(s.acquire(), std::nullopt);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    s.cancel();
    waiter.join();
    EXPECT_TRUE(done.load());
}

TEST(Scheduler, NormalisesSpelling) {
    EXPECT_EQ(normalised_path("/t/x/../a.jpg"), normalised_path("/t/a.jpg"));
    EXPECT_EQ(normalised_path("/t//a.jpg"), normalised_path("/t/a.jpg"));
}

}  // namespace
}  // namespace pixmold
