#include "batch/memory_budget.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "job_fixture.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

// Spins until `done()` holds: a request queued, or already granted.
template <class Done>
void until(Done done) {
    while (!done()) std::this_thread::yield();
}

TEST(MemoryBudgetAlone, RequestsWaitForRoomAndABigOneForAnEmptyBudget) {
    MemoryBudget budget(100);
    {
        auto a = budget.reserve(60);
        ASSERT_TRUE(a);
        std::atomic<bool> granted{false};
        std::thread t([&] {
            auto b = budget.reserve(60);
            granted = true;
        });
        until([&] { return budget.waiting() == 1 || granted; });
        EXPECT_FALSE(granted);  // 120 does not fit
        a = {};
        t.join();
    }
    EXPECT_EQ(budget.peak(), 60u);
    EXPECT_EQ(budget.in_flight(), 0u);

    // More than the whole budget: granted only once nothing else is in flight.
    {
        auto small = budget.reserve(10);
        std::atomic<bool> granted{false};
        std::thread t([&] {
            auto big = budget.reserve(150);
            granted = true;
        });
        until([&] { return budget.waiting() == 1 || granted; });
        EXPECT_FALSE(granted);
        small = {};
        t.join();
    }
    EXPECT_EQ(budget.peak(), 150u);
    EXPECT_EQ(budget.largest(), 150u);
    EXPECT_EQ(budget.in_flight(), 0u);
}

TEST(MemoryBudgetAlone, RequestsAreServedInTheOrderTheyCame) {
    // A small request that would fit must not pass a big one waiting before
    // it, or a stream of small pictures could hold the big one back for ever.
    MemoryBudget budget(100);
    std::mutex m;
    std::vector<int> granted;
    const auto taker = [&](int bytes) {
        return std::thread([&, bytes] {
            auto r = budget.reserve(std::uint64_t(bytes));
            std::lock_guard l(m);
            granted.push_back(bytes);
        });
    };
    const auto granted_count = [&] {
        std::lock_guard l(m);
        return granted.size();
    };
    auto held = budget.reserve(50);
    std::thread big = taker(100);
    until([&] { return budget.waiting() == 1 || granted_count() > 0; });
    std::thread small = taker(10);
    until([&] { return budget.waiting() == 2 || granted_count() > 0; });
    EXPECT_EQ(granted_count(), 0u);
    held = {};
    big.join();
    small.join();
    EXPECT_EQ(granted, (std::vector<int>{100, 10}));
    EXPECT_EQ(budget.peak(), 100u);
}

TEST(MemoryBudgetAlone, ACancelledWaitEndsEmptyAndLetsTheNextOneIn) {
    MemoryBudget budget(100);
    std::atomic<bool> cancel{false};
    auto held = budget.reserve(100);
    std::atomic<bool> done{false};
    bool got = true;
    std::thread waiter([&] {
        got = bool(budget.reserve(50, &cancel));
        done = true;
    });
    until([&] { return budget.waiting() == 1 || done; });
    EXPECT_FALSE(done);
    cancel = true;
    budget.wake();
    waiter.join();
    EXPECT_FALSE(got);
    EXPECT_EQ(budget.waiting(), 0u);
    held = {};
    EXPECT_TRUE(budget.reserve(100));  // the cancelled request left no trace
    EXPECT_EQ(budget.in_flight(), 0u);
}

class BudgetedJob : public ::testing::Test {
protected:
    void SetUp() override { start_engine(); }
    TempDir dir;

    // A picture of w x h with a pattern that survives resizing.
    std::string make_png(const std::string& name, int w, int h, FormatTag format = TAG_PNG) {
        create_image(964, w, h, 24);
        const PixelView v = image_pixels(964);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w * 3; ++x) v.row_from_top(y)[x] = std::uint8_t(x * 5 + y * 3);
        const std::string path = (dir.folder() / name).string();
        EXPECT_TRUE(save_image(964, path, format));
        free_image(964);
        return path;
    }
    // The n-th of a batch's small pictures, 300 x 200.
    std::string small_png(int n) {
        std::string name = std::to_string(n);
        name += ".png";
        return make_png(name, 300, 200);
    }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(BudgetedJob, PicturesInFlightStayWithinTheBudgetAndResultsDoNotChange) {
    // A small PNG is resampled as it is decoded; the big BMP is decoded
    // whole (720 000 bytes beside its file): with a budget of 500 000, small
    // ones side by side, the big one alone.
    PictureList list;
    for (int i = 0; i < 6; ++i) list.push_back(small_png(i));
    list.insert(list.begin() + 2, make_png("big.bmp", 600, 400, TAG_BMP));
    const BatchSettings s = make_settings("REL", 150, 150, "PNG", "p_");

    auto budget = std::make_shared<MemoryBudget>(500'000);
    BatchJob job;
    run_batch(job, list, s, 4, budget);
    EXPECT_EQ(job.failed(), 0);
    EXPECT_GT(budget->largest(), budget->limit());  // the big one asked for more than all
    EXPECT_LE(budget->peak(), budget->largest());   // ...and then ran alone
    EXPECT_EQ(budget->in_flight(), 0u);
    std::vector<std::string> parallel;
    for (const std::string& p : list) parallel.push_back(slurp(output_path_for(p, "p_", OutputFormat::Png)));

    BatchJob one;
    run_batch(one, list, s, 1);
    for (std::size_t i = 0; i < list.size(); ++i) {
        ASSERT_FALSE(parallel[i].empty()) << list[i];
        EXPECT_EQ(parallel[i], slurp(output_path_for(list[i], "p_", OutputFormat::Png))) << list[i];
    }
}

TEST_F(BudgetedJob, TwoSmallPicturesShareTheBudgetButNeverExceedIt) {
    PictureList list;
    for (int i = 0; i < 8; ++i) list.push_back(small_png(i));
    auto budget = std::make_shared<MemoryBudget>(500'000);
    BatchJob job;
    run_batch(job, list, make_settings("REL", 150, 150, "JPG"), 4, budget);
    EXPECT_EQ(job.failed(), 0);
    EXPECT_GT(budget->largest(), 0u);
    EXPECT_LE(budget->largest(), budget->limit());
    EXPECT_LE(budget->peak(), budget->limit());
    EXPECT_GE(budget->peak(), budget->largest());
}

TEST_F(BudgetedJob, StopEndsWorkersThatWaitForMemory) {
    PictureList list;
    for (int i = 0; i < 5; ++i) list.push_back(small_png(i));
    auto budget = std::make_shared<MemoryBudget>(400'000);
    auto everything = budget->reserve(400'000);  // someone else holds it all
    BatchJob job;
    BatchJob::Options o;
    o.settings = make_settings("REL", 150, 150, "JPG", "0");
    o.threads = 3;
    o.memory = budget;
    ASSERT_TRUE(job.start(list, o));
    until([&] { return budget->waiting() == 3 || !job.running(); });
    ASSERT_EQ(budget->waiting(), 3u);
    job.stop();  // returns only once every worker has ended
    EXPECT_FALSE(job.running());
    EXPECT_TRUE(job.stopped());
    EXPECT_EQ(job.remaining(), 5);
    EXPECT_EQ(job.failed(), 0);
    const auto interrupted = job.failed_pictures();
    EXPECT_EQ(interrupted.size(), 3u);
    for (const FailedPicture& f : interrupted) EXPECT_EQ(f.reason, FailReason::Stopped) << f.source;
    EXPECT_EQ(budget->waiting(), 0u);
    EXPECT_EQ(budget->in_flight(), 400'000u);
    EXPECT_EQ(folder_names(dir.folder()).size(), 5u);  // nothing written
}

TEST_F(BudgetedJob, AJpegShrunkOnLoadReservesItsSmallerSize) {
    // 1600 x 1200 to 190 wide decodes at a quarter: 400 x 300.
    const std::string src = (dir.folder() / "photo.jpg").string();
    create_image(965, 1600, 1200, 24, 0x336699);
    ASSERT_TRUE(save_image(965, src, TAG_JPEG, 9));
    free_image(965);
    MemoryBudget budget(std::uint64_t(1) << 30);
    PictureContext c;
    c.memory = &budget;
    ASSERT_EQ(process_picture(src, make_settings("REL", 190, 190, "PNG"), c).outcome, PictureOutcome::Written);
    EXPECT_GE(budget.peak(), 400u * 300 * 3);
    EXPECT_LT(budget.peak(), 1600u * 1200 * 3 / 4);
    EXPECT_EQ(budget.in_flight(), 0u);
}

}  // namespace
}  // namespace pixmold
