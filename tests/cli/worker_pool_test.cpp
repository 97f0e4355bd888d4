// The worker pool: results come back in order, whole, and a crashing worker
// takes only its own job with it.
#include "WorkerPool.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace meshaudit::cli {
namespace {

TEST(WorkerPool, ResultsArriveInOrderWhateverFinishesFirst)
{
    for (unsigned jobs : {1u, 3u, 8u}) {
        std::vector<std::string> seen;
        RunInWorkers(
            7, jobs,
            [](size_t i) {
                // Later jobs finish first.
                ::usleep(static_cast<useconds_t>((7 - i) * 2000));
                return "job " + std::to_string(i) + " in " + std::to_string(::getpid());
            },
            [&](size_t i, WorkerResult&& result) {
                EXPECT_EQ(i, seen.size());
                ASSERT_TRUE(result.completed) << result.failure;
                seen.push_back(result.bytes);
            });
        ASSERT_EQ(seen.size(), 7u);
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].rfind("job " + std::to_string(i) + " in ", 0), 0u);
            // Each job ran in a process of its own, not in this one.
            EXPECT_NE(seen[i], "job " + std::to_string(i) + " in " + std::to_string(::getpid()));
        }
    }
}

TEST(WorkerPool, LargeResultsComeBackWhole)
{
    std::string received;
    RunInWorkers(
        1, 1, [](size_t) { return std::string(3 << 20, 'm') + "end"; },
        [&](size_t, WorkerResult&& result) { received = std::move(result.bytes); });
    ASSERT_EQ(received.size(), (3u << 20) + 3);
    EXPECT_EQ(received.substr(received.size() - 4), "mend");
}

TEST(WorkerPool, CrashesAndFailuresAreReportedAndTheRestGoOn)
{
    std::vector<WorkerResult> results(5);
    RunInWorkers(
        5, 2,
        [](size_t i) -> std::string {
            if (i == 1) {
                // Not SIGSEGV: the sanitizers catch that one and exit
                // in their own way.
                std::raise(SIGKILL);
            }
            if (i == 2) {
                std::abort();
            }
            if (i == 3) {
                throw std::runtime_error("no");
            }
            return "fine";
        },
        [&](size_t i, WorkerResult&& result) { results[i] = std::move(result); });
    EXPECT_TRUE(results[0].completed);
    EXPECT_EQ(results[0].bytes, "fine");
    EXPECT_FALSE(results[1].completed);
    EXPECT_EQ(results[1].failure.rfind("killed by signal 9", 0), 0u) << results[1].failure;
    EXPECT_FALSE(results[2].completed);
    EXPECT_EQ(results[2].failure.rfind("killed by signal 6", 0), 0u) << results[2].failure;
    EXPECT_FALSE(results[3].completed);
    EXPECT_EQ(results[3].failure, "exited with status 70");
    EXPECT_TRUE(results[4].completed);
}

TEST(WorkerPool, NoJobsAndZeroWorkers)
{
    int calls = 0;
    RunInWorkers(0, 4, [](size_t) { return std::string(); }, [&](size_t, WorkerResult&&) { ++calls; });
    EXPECT_EQ(calls, 0);
    RunInWorkers(2, 0, [](size_t) { return std::string("x"); }, [&](size_t, WorkerResult&& r) {
        EXPECT_TRUE(r.completed);
        ++calls;
    });
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace meshaudit::cli
