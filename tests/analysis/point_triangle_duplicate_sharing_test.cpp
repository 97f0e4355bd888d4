// The member and class counts of the point and triangle duplicate searches
// share one search per analysis.
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "containers/Memory.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace meshaudit {
namespace {

class PointTriangleDuplicateSharing : public ::testing::Test {
protected:
    void SetUp() override
    {
        sink_ = std::fopen("/dev/null", "w");
        saved_ = Progress().stream;
        Progress().stream = sink_;
        // One triangle stored three times, the third time over coincident
        // copies of its points.
        for (int i = 0; i < 2; ++i) {
            mesh_.AddPoint(0, 0, 0);
            mesh_.AddPoint(1, 0, 0);
            mesh_.AddPoint(0, 1, 0);
        }
        mesh_.AddTriangle(0, 1, 2);
        mesh_.AddTriangle(2, 1, 0);
        mesh_.AddTriangle(3, 4, 5);
    }
    void TearDown() override
    {
        memory_testing::ResetAllocationCounter();
        Progress().stream = saved_;
        std::fclose(sink_);
    }
    // Runs one category with only the given quantities enabled; returns the
    // number of allocations it made.
    uint64_t Run(AnalysisContext& context, uint32_t category, std::initializer_list<int> enabled,
                 uint64_t failing = 0)
    {
        std::memset(context.pointSettings.Enable, 0, sizeof context.pointSettings.Enable);
        std::memset(context.triangleSettings.Enable, 0, sizeof context.triangleSettings.Enable);
        uint8_t* enable =
            category == 1 ? context.pointSettings.Enable : context.triangleSettings.Enable;
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
    std::FILE* sink_ = nullptr;
    std::FILE* saved_ = nullptr;
};

TEST_F(PointTriangleDuplicateSharing, PointCountsShareOneSearch)
{
    AnalysisContext one;
    const uint64_t alone = Run(one, 1, {PNT_CountDuplicatedGeometrical});
    AnalysisContext both;
    const uint64_t shared =
        Run(both, 1, {PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical});
    EXPECT_GT(alone, 0u);
    EXPECT_EQ(shared, alone);
    EXPECT_EQ(both.pointResults.CountDuplicatedGeometrical, 6u);
    EXPECT_EQ(both.pointResults.CountClassesOfDuplicatedGeometrical, 3u);
}

TEST_F(PointTriangleDuplicateSharing, TriangleCountsShareOneSearchPerKey)
{
    AnalysisContext one;
    const uint64_t alone = Run(one, 3, {TRI_CountDuplicatedTopological});
    AnalysisContext other;
    const uint64_t aloneGeometrical = Run(other, 3, {TRI_CountDuplicatedGeometrical});
    AnalysisContext both;
    const uint64_t shared = Run(both, 3,
                                {TRI_CountDuplicatedTopological,
                                 TRI_CountClassesOfDuplicatedTopological,
                                 TRI_CountDuplicatedGeometrical,
                                 TRI_CountClassesOfDuplicatedGeometrical});
    EXPECT_GT(alone, 0u);
    EXPECT_GT(aloneGeometrical, 0u);
    // One search by indices, one by coordinates.
    EXPECT_EQ(shared, alone + aloneGeometrical);
    const TriangleResults& t = both.triangleResults;
    EXPECT_EQ(t.CountDuplicatedTopological, 2u);
    EXPECT_EQ(t.CountClassesOfDuplicatedTopological, 1u);
    EXPECT_EQ(t.CountDuplicatedGeometrical, 3u);
    EXPECT_EQ(t.CountClassesOfDuplicatedGeometrical, 1u);
}

TEST_F(PointTriangleDuplicateSharing, AFailedSearchIsRunAgainByTheOtherCount)
{
    AnalysisContext context;
    // The search's pool is the category's first allocation.
    Run(context, 3,
        {TRI_CountDuplicatedGeometrical, TRI_CountClassesOfDuplicatedGeometrical}, 1);
    EXPECT_EQ(static_cast<int32_t>(context.triangleResults.CountDuplicatedGeometrical), -5);
    EXPECT_EQ(context.triangleResults.CountClassesOfDuplicatedGeometrical, 1u);

    Run(context, 1,
        {PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical}, 1);
    EXPECT_EQ(static_cast<int32_t>(context.pointResults.CountDuplicatedGeometrical), -3);
    EXPECT_EQ(context.pointResults.CountClassesOfDuplicatedGeometrical, 3u);
}

}  // namespace
}  // namespace meshaudit
