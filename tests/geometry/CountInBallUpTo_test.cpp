// The bounded ball count ends its walk early; whether it reaches its limit
// must be exactly what the full count says, NaN points and centres included.
#include "geometry/PntAabbTree.h"
#include "geometry/Sphere.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

TEST(CountInBallUpTo, ReachesTheLimitExactlyWhenTheFullCountDoes)
{
    std::mt19937 random(99);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int round = 0; round < 30; ++round) {
        const uint32_t n = 2 + static_cast<uint32_t>(round) * 17;
        std::uniform_int_distribution<int> grid(0, 6);
        std::uniform_int_distribution<int> rare(0, 50);
        std::vector<T3DVECF> points(n);
        for (T3DVECF& p : points) {
            p = T3DVECF{0.1 * grid(random), 0.1 * grid(random), rare(random) == 0 ? nan : -0.0};
        }
        std::vector<TRIANGLE> triangles = {TRIANGLE{0, 1, 0}};
        MeshRecord mesh;
        mesh.points = points.data();
        mesh.pointCount = n;
        mesh.triangles = triangles.data();
        mesh.triangleCount = 1;
        C3DPntAABBTree tree;
        ASSERT_EQ(tree.Build(mesh), 1);
        for (double radius : {0.0, 0.05, 0.1, 0.25, -0.1}) {
            for (uint32_t i = 0; i < n; ++i) {
                const T3DSPHERE ball{points[i], radius};
                uint32_t full = 0;
                tree.CountInBall(ball, full);
                for (uint32_t limit : {1u, 2u, 3u, 7u}) {
                    uint32_t bounded = 0;
                    tree.CountInBallUpTo(ball, bounded, limit);
                    EXPECT_EQ(bounded >= limit, full >= limit)
                        << "round " << round << " point " << i << " limit " << limit;
                    EXPECT_LE(bounded, full);
                    if (full < limit) {
                        EXPECT_EQ(bounded, full);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace meshaudit
