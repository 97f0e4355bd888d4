// The exported entry points through the internal archive (the host test
// loads the shared library itself).
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace meshaudit {
namespace {

class RepairEntry : public ::testing::Test {
protected:
    void TearDown() override { memory_testing::ResetAllocationCounter(); }
    testing::TestMesh cube_ = testing::UnitCube();
};

TEST_F(RepairEntry, FailedCopyReturnsMinusFiveAndStaysReleasable)
{
    const MeshRecord input = cube_.Record();
    const double tolerance = 0.0;
    for (uint64_t k = 1; k <= 2; ++k) {
        MeshRecord output;
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(removeDuplicatedGeometricalPoints(&input, &tolerance, &output), -5) << k;
        EXPECT_EQ(memory_testing::FailedAllocationCount(), 1u);
        // The copy that did get allocated stays with the output.
        EXPECT_EQ(output.points == nullptr, k == 1);
        EXPECT_EQ(output.triangles == nullptr, k == 2);
        EXPECT_EQ(clear_mesh(&output), 0);
        EXPECT_EQ(output.points, nullptr);
        EXPECT_EQ(output.pointCount, 0u);

        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(removeInvalidTopologicalTriangles(&input, &output), -5) << k;
        clear_mesh(&output);
    }
}

TEST_F(RepairEntry, RejectedInputResetsTheOutputWithoutReleasingIt)
{
    MeshRecord input = cube_.Record();
    T3DVECF dummy{1, 2, 3};
    MeshRecord output{&dummy, 1, nullptr, 5};
    input.triangles = nullptr;
    EXPECT_EQ(removeInvalidTopologicalTriangles(&input, &output), -2);
    EXPECT_EQ(output.points, nullptr);
    EXPECT_EQ(output.pointCount, 0u);
    EXPECT_EQ(output.triangleCount, 0u);
    EXPECT_EQ(dummy.y, 2.0);  // untouched, not freed
    EXPECT_EQ(removeDuplicatedGeometricalPoints(&input, nullptr, &output), -1);
    EXPECT_EQ(removeDuplicatedGeometricalPoints(nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(removeInvalidTopologicalTriangles(&input, nullptr), -1);
}

TEST(ValidationOrder, PointerChecksComeBeforeCountChecks)
{
    T3DVECF p{0, 0, 0};
    TRIANGLE t{0, 0, 0};
    const MeshRecord cases[] = {
        {nullptr, 0, nullptr, 0}, {nullptr, 1, &t, 1}, {&p, 0, nullptr, 0},
        {&p, 0, &t, 0},           {&p, 1, &t, 0},
    };
    const int32_t expected[] = {-1, -1, -2, -3, -4};
    MeshRecord output;
    const double tolerance = 0.0;
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(analyse(&cases[i]), expected[i]) << i;
        EXPECT_EQ(removeInvalidTopologicalTriangles(&cases[i], &output), expected[i]) << i;
        EXPECT_EQ(removeDuplicatedGeometricalPoints(&cases[i], &tolerance, &output), expected[i]);
    }
    EXPECT_EQ(analyse(nullptr), -1);
}

TEST(ClearMesh, TwiceAndOnNullIsHarmless)
{
    // Fields assigned one by one: the triangle pointer of the packed record
    // is not 8-byte aligned, so no reference may bind to it.
    MeshRecord record;
    record.points = AllocateArray<T3DVECF>(2);
    record.pointCount = 2;
    record.triangles = AllocateArray<TRIANGLE>(1);
    record.triangleCount = 1;
    EXPECT_EQ(clear_mesh(&record), 0);
    EXPECT_EQ(record.points, nullptr);
    EXPECT_TRUE(record.triangles == nullptr);
    EXPECT_EQ(record.triangleCount, 0u);
    EXPECT_EQ(clear_mesh(&record), 0);
    EXPECT_EQ(clear_mesh(nullptr), 0);
}

}  // namespace
}  // namespace meshaudit
