// The pure rules of the mesh booleans and of the handle count.
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/mesh/MeshSteps.h"
#include "interface/Blocks.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace meshaudit {
namespace {

TEST(InclusionFlag, OneClosedOrientedPieceOfPositiveVolume)
{
    EXPECT_EQ(InclusionFlag(1, 0, 1, 1.0), 1);
    EXPECT_EQ(InclusionFlag(1, 0, 1, -1.0), 0);  // inward
    EXPECT_EQ(InclusionFlag(1, 0, 1, 0.0), 0);   // strictly positive only
    EXPECT_EQ(InclusionFlag(2, 0, 1, 1.0), 0);
    EXPECT_EQ(InclusionFlag(1, 1, 1, 1.0), 0);
    EXPECT_EQ(InclusionFlag(1, 0, 0, 1.0), 0);
    EXPECT_EQ(InclusionFlag(1, 0, 1, std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(InclusionFlag(-5, 0, 1, 1.0), -1);
    EXPECT_EQ(InclusionFlag(1, -6, 1, 1.0), -1);
    EXPECT_EQ(InclusionFlag(1, 0, -1, 1.0), -1);
    EXPECT_EQ(InclusionFlag(1, 0, 1, -DBL_MAX), -1);
}

TEST(HandlesFromEuler, HandComputedMeshes)
{
    // A single triangle: 1 - (3 - 0 - 3 + 1 + 1 - 0) / 2 = 0.
    EXPECT_EQ(HandlesFromEuler(1, 3, 0, 3, 1, 1, 0), 0);
    // Two triangles sharing a point: 2 - (5 - 6 + 1 + 2) / 2 = 1.
    EXPECT_EQ(HandlesFromEuler(2, 5, 0, 6, 1, 2, 0), 1);
    // A torus of n quads: V = n, E = 3n, T = 2n: 1 - 0 / 2 = 1.
    EXPECT_EQ(HandlesFromEuler(1, 40, 0, 120, 0, 80, 0), 1);
    // A tetrahedron with one unused point: the point is left out again.
    EXPECT_EQ(HandlesFromEuler(1, 5, 1, 6, 0, 4, 0), 0);
}

TEST(HandlesFromEuler, TruncatesTowardZeroAndWrapsLike32BitSigned)
{
    // Sum -3: -3 / 2 is -1, so 1 - (-1) = 2.
    EXPECT_EQ(HandlesFromEuler(1, 0, 0, 3, 0, 0, 0), 2);
    // Sum 3: 3 / 2 is 1.
    EXPECT_EQ(HandlesFromEuler(1, 3, 0, 0, 0, 0, 0), 0);
    // Sum 0x80000000 reads as INT32_MIN; half of it is -2^30.
    EXPECT_EQ(HandlesFromEuler(0, 0x80000000u, 0, 0, 0, 0, 0), 1073741824);
    // A failure code among the inputs wraps without a fault.
    EXPECT_EQ(HandlesFromEuler(0xFFFFFFFBu, 3, 0, 3, 1, 1, 0), -6);
}

}  // namespace
}  // namespace meshaudit
