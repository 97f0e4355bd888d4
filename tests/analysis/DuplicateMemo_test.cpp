// One duplicate search per key and analysis: the member and class counts
// share it, failures are not kept.
#include "analysis/AnalysisContext.h"
#include "analysis/DuplicateMemo.h"
#include "analysis/ProgressCapture.h"
#include "containers/Memory.h"
#include "analysis/MeshBuilders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

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

class DuplicateSharing : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One triangle stored three times, the third time over coincident
        // copies of its points: by coordinates, three classes of two edges.
        for (int i = 0; i < 2; ++i) {
            mesh_.AddPoint(0, 0, 0);
            mesh_.AddPoint(1, 0, 0);
            mesh_.AddPoint(0, 1, 0);
        }
        testing::AddTriangles(mesh_, {{0, 1, 2}, {2, 1, 0}, {3, 4, 5}});
    }
    void TearDown() override { memory_testing::ResetAllocationCounter(); }
    // Runs one category (1 points, 2 edges, 3 triangles) with only the given
    // quantities enabled; returns the number of allocations it made.
    uint64_t Run(AnalysisContext& context, uint32_t category, std::initializer_list<int> enabled,
                 uint64_t failing = 0)
    {
        std::memset(context.pointSettings.Enable, 0, sizeof context.pointSettings.Enable);
        std::memset(context.edgeSettings.Enable, 0, sizeof context.edgeSettings.Enable);
        std::memset(context.triangleSettings.Enable, 0, sizeof context.triangleSettings.Enable);
        uint8_t* enable = category == 1   ? context.pointSettings.Enable
                          : category == 2 ? context.edgeSettings.Enable
                                          : context.triangleSettings.Enable;
        for (int k : enabled) {
            enable[k] = 1;
        }
        context.LoadMesh(mesh_.Record());
        memory_testing::ResetAllocationCounter();
        if (failing != 0) {
            memory_testing::FailAllocations(failing, 1);
        }
        context.RunCategory(category);
        const uint64_t count = memory_testing::AllocationCount();
        memory_testing::ResetAllocationCounter();
        return count;
    }

    testing::TestMesh mesh_;
    testing::SilentProgress silent_;
};

TEST_F(DuplicateSharing, MembersAndClassesShareOneSearch)
{
    // Fresh contexts for every count: nothing is kept from an earlier run.
    AnalysisContext c1, c2, c3, c4, c5, c6, c7;
    const uint64_t alone = Run(c1, 1, {PNT_CountDuplicatedGeometrical});
    EXPECT_GT(alone, 0u);
    EXPECT_EQ(Run(c2, 1, {PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical}),
              alone);
    EXPECT_EQ(c2.pointResults.CountDuplicatedGeometrical, 6u);
    EXPECT_EQ(c2.pointResults.CountClassesOfDuplicatedGeometrical, 3u);

    const uint64_t edgesAlone = Run(c3, 2, {EDG_CountDuplicatedGeometrical});
    EXPECT_EQ(Run(c4, 2, {EDG_CountDuplicatedGeometrical, EDG_CountClassesOfDuplicatedGeometrical}),
              edgesAlone);
    EXPECT_EQ(c4.edgeResults.CountDuplicatedGeometrical, 6u);
    EXPECT_EQ(c4.edgeResults.CountClassesOfDuplicatedGeometrical, 3u);
    // A new mesh forgets the search.
    EXPECT_EQ(Run(c4, 2, {EDG_CountDuplicatedGeometrical, EDG_CountClassesOfDuplicatedGeometrical}),
              edgesAlone);

    // Triangles: one search by indices, one by coordinates.
    const uint64_t topological = Run(c5, 3, {TRI_CountDuplicatedTopological});
    const uint64_t geometrical = Run(c6, 3, {TRI_CountDuplicatedGeometrical});
    EXPECT_GT(topological, 0u);
    EXPECT_GT(geometrical, 0u);
    EXPECT_EQ(Run(c7, 3,
                  {TRI_CountDuplicatedTopological, TRI_CountClassesOfDuplicatedTopological,
                   TRI_CountDuplicatedGeometrical, TRI_CountClassesOfDuplicatedGeometrical}),
              topological + geometrical);
    const TriangleResults& t = c7.triangleResults;
    EXPECT_EQ(t.CountDuplicatedTopological, 2u);
    EXPECT_EQ(t.CountClassesOfDuplicatedTopological, 1u);
    EXPECT_EQ(t.CountDuplicatedGeometrical, 3u);
    EXPECT_EQ(t.CountClassesOfDuplicatedGeometrical, 1u);
}

TEST_F(DuplicateSharing, AFailedSearchIsRunAgainByTheOtherCount)
{
    AnalysisContext context;
    // The search's pool is the category's first allocation.
    Run(context, 3, {TRI_CountDuplicatedGeometrical, TRI_CountClassesOfDuplicatedGeometrical}, 1);
    EXPECT_EQ(static_cast<int32_t>(context.triangleResults.CountDuplicatedGeometrical), -5);
    EXPECT_EQ(context.triangleResults.CountClassesOfDuplicatedGeometrical, 1u);

    Run(context, 1, {PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical}, 1);
    EXPECT_EQ(static_cast<int32_t>(context.pointResults.CountDuplicatedGeometrical), -3);
    EXPECT_EQ(context.pointResults.CountClassesOfDuplicatedGeometrical, 3u);

    // For edges, the first allocation after the edge list.
    AnalysisContext probe, edges;
    const uint64_t topologyOnly = Run(probe, 2, {EDG_CountInvalidTopological});
    Run(edges, 2, {EDG_CountDuplicatedTopological, EDG_CountClassesOfDuplicatedTopological},
        topologyOnly + 1);
    EXPECT_EQ(static_cast<int32_t>(edges.edgeResults.CountDuplicatedTopological), -8);
    EXPECT_EQ(edges.edgeResults.CountClassesOfDuplicatedTopological, 0u);
}

}  // namespace
}  // namespace meshaudit
