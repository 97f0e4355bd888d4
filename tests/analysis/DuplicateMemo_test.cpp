// One duplicate search per key and analysis: the member and class counts
// share it, failures are not kept.
#include "analysis/AnalysisContext.h"
#include "analysis/DuplicateMemo.h"
#include "analysis/Progress.h"
#include "containers/Memory.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace meshaudit {
namespace {

TEST(DuplicateMemo, RunsOnceAfterSuccessOnly)
{
    DuplicateMemo memo;
    int runs = 0;
    int32_t outcome = -8;
    auto run = [&](DuplicateSums& s) {
        ++runs;
        s = DuplicateSums{7, 3};
        return outcome;
    };
    DuplicateSums sums{1, 1};
    EXPECT_EQ(memo.Sums(DuplicateSearch::EdgesGeometrical, run, sums), -8);
    EXPECT_EQ(sums.members, 1u);  // untouched on failure
    outcome = 0;
    EXPECT_EQ(memo.Sums(DuplicateSearch::EdgesGeometrical, run, sums), 0);
    EXPECT_EQ(memo.Sums(DuplicateSearch::EdgesGeometrical, run, sums), 0);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(sums.members, 7u);
    EXPECT_EQ(sums.classes, 3u);
    // Another search is independent.
    EXPECT_EQ(memo.Sums(DuplicateSearch::EdgesTopological, run, sums), 0);
    EXPECT_EQ(runs, 3);
    memo.Reset();
    EXPECT_EQ(memo.Sums(DuplicateSearch::EdgesGeometrical, run, sums), 0);
    EXPECT_EQ(runs, 4);
}

class EdgeDuplicateSharing : public ::testing::Test {
protected:
    void SetUp() override
    {
        sink_ = std::fopen("/dev/null", "w");
        saved_ = Progress().stream;
        Progress().stream = sink_;
        // Two coincident copies of one triangle under different indices:
        // three classes of two edges by coordinates.
        for (int copy = 0; copy < 2; ++copy) {
            const uint32_t a = mesh_.AddPoint(0, 0, 0);
            const uint32_t b = mesh_.AddPoint(1, 0, 0);
            const uint32_t c = mesh_.AddPoint(0, 1, 0);
            mesh_.AddTriangle(a, b, c);
        }
    }
    void TearDown() override
    {
        memory_testing::ResetAllocationCounter();
        Progress().stream = saved_;
        std::fclose(sink_);
    }
    // Runs the edge category with only the given quantities enabled and
    // returns the number of allocations it made.
    uint64_t Run(AnalysisContext& context, std::initializer_list<int> enabled,
                 uint64_t failing = 0)
    {
        std::memset(context.edgeSettings.Enable, 0, sizeof context.edgeSettings.Enable);
        for (int k : enabled) {
            context.edgeSettings.Enable[k] = 1;
        }
        context.LoadMesh(mesh_.Record());
        memory_testing::ResetAllocationCounter();
        if (failing != 0) {
            memory_testing::FailAllocations(failing, 1);
        }
        context.RunCategory(2);
        const uint64_t count = memory_testing::AllocationCount();
        memory_testing::ResetAllocationCounter();
        return count;
    }

    testing::TestMesh mesh_;
    std::FILE* sink_ = nullptr;
    std::FILE* saved_ = nullptr;
};

TEST_F(EdgeDuplicateSharing, MembersAndClassesShareOneSearch)
{
    AnalysisContext one;
    const uint64_t alone = Run(one, {EDG_CountDuplicatedGeometrical});
    AnalysisContext both;
    const uint64_t shared =
        Run(both, {EDG_CountDuplicatedGeometrical, EDG_CountClassesOfDuplicatedGeometrical});
    EXPECT_EQ(shared, alone);
    EXPECT_EQ(both.edgeResults.CountDuplicatedGeometrical, 6u);
    EXPECT_EQ(both.edgeResults.CountClassesOfDuplicatedGeometrical, 3u);
    // A new mesh forgets the search.
    const uint64_t again =
        Run(both, {EDG_CountDuplicatedGeometrical, EDG_CountClassesOfDuplicatedGeometrical});
    EXPECT_EQ(again, alone);
}

TEST_F(EdgeDuplicateSharing, FailedSearchIsRunAgainByTheOtherQuantity)
{
    AnalysisContext probe;
    const uint64_t topologyOnly = Run(probe, {EDG_CountInvalidTopological});
    AnalysisContext context;
    // The first allocation after the edge list is the search's pool.
    Run(context, {EDG_CountDuplicatedTopological, EDG_CountClassesOfDuplicatedTopological},
        topologyOnly + 1);
    EXPECT_EQ(static_cast<int32_t>(context.edgeResults.CountDuplicatedTopological), -8);
    EXPECT_EQ(context.edgeResults.CountClassesOfDuplicatedTopological, 0u);
}

}  // namespace
}  // namespace meshaudit
