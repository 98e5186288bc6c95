// The one kind of background work: its result handed over once, its progress, its cancel,
// and its end while the work still runs.

#include "io/background_job.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace quantaline {
namespace {

// Works until stopped, telling its progress, and says how far it went.
int count_until_stopped(JobControl& job) {
    int steps = 0;
    while (!job.stop_requested()) {
        job.set_per_mille(++steps);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return steps;
}

template <class Result> void wait_ready(const BackgroundJob<Result>& job) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!job.ready() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(BackgroundJob, HandsItsResultOverOnceAndStopsWhenCancelled) {
    BackgroundJob<int> finished([](JobControl& job) {
        job.set_per_mille(5000); // more than the whole: kept at 1000
        return 42;
    });
    wait_ready(finished);
    EXPECT_EQ(finished.per_mille(), 1000);
    EXPECT_FALSE(finished.cancelled());
    EXPECT_EQ(finished.take(), 42);
    EXPECT_FALSE(finished.ready());
    EXPECT_EQ(finished.take(), std::nullopt);

    BackgroundJob<int> endless(count_until_stopped);
    EXPECT_EQ(endless.take(), std::nullopt); // not before it ends
    while (endless.per_mille() < 3) {
        std::this_thread::yield();
    }
    endless.cancel();
    wait_ready(endless);
    EXPECT_TRUE(endless.cancelled());
    const auto steps = endless.take();
    ASSERT_TRUE(steps);
    EXPECT_GE(*steps, 3);
}

TEST(BackgroundJob, ItsEndStopsTheWorkAndWaitsForIt) {
    std::atomic<bool> work_ended{false};
    {
        BackgroundJob<int> job([&](JobControl& control) {
            const int steps = count_until_stopped(control);
            work_ended.store(true);
            return steps;
        });
        while (job.per_mille() == 0) {
            std::this_thread::yield();
        }
    }
    EXPECT_TRUE(work_ended.load());
}

} // namespace
} // namespace quantaline
