// The exported entry points through the internal archive (host_test.c loads
// the shared library itself).
#include "containers/Memory.h"
#include "meshaudit.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

// A null pointer is reported before a zero count, points before triangles.
TEST(ValidationOrder, PointerChecksComeBeforeCountChecks)
{
    T3DVECF p{0, 0, 0};
    TRIANGLE t{0, 0, 0};
    const MeshRecord cases[] = {
        {nullptr, 0, nullptr, 0}, {nullptr, 1, &t, 1}, {&p, 0, nullptr, 0},
        {&p, 0, &t, 0},           {&p, 1, &t, 0},
    };
    const int32_t expected[] = {-1, -1, -2, -3, -4};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(analyse(&cases[i]), expected[i]) << i;
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
