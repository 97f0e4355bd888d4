// The cheap check before the arrangement against the arrangement itself:
// on random meshes over a lattice of distinct points (shared indices,
// coplanar fans, folded edges, crossings), a mesh it finds clean must come
// out of Arrange() unchanged in one round, and one it finds in contact
// must not; on clean shapes it must decide.
#include "repair/arrangement/Arrangement.h"
#include "repair/pipeline/ArrangeCheck.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace meshaudit::pipeline {
namespace {

using testing::TestMesh;

bool ArrangementFindsNothing(TestMesh& m)
{
    arrangement::Arrangement out;
    EXPECT_EQ(arrangement::kArranged, arrangement::Arrange(m.Record(), out));
    return out.resolved && out.rounds == 1 && out.segments.empty() && out.triangles.size() == m.triangles.size() &&
           std::memcmp(out.triangles.data(), m.triangles.data(), m.triangles.size() * sizeof(TRIANGLE)) == 0;
}

TEST(ArrangeCheck, AgreesWithTheArrangementOnRandomLatticeMeshes)
{
    uint32_t decided[2] = {0, 0};
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const uint32_t side = 2 + seed % 3;
        TestMesh m;  // one index per lattice point, flat for one seed in four
        for (uint32_t k = 0; k < side * side * side; ++k) {
            m.AddPoint(k % side, k / side % side, seed % 4 == 0 ? 0.0 : static_cast<double>(k / side / side));
        }
        const auto pick = [&] { return static_cast<uint32_t>(rng() % (seed % 4 == 0 ? side * side : m.points.size())); };
        for (uint32_t t = 0, count = 2 + seed % 5; t < count; ++t) {
            const uint32_t a = pick(), b = pick();
            m.AddTriangle(a, b, rng() % 8 == 0 ? a : pick());
        }
        const ArrangeCheck check = CheckArrangement(m.Record());
        ASSERT_NE(ArrangeCheck::Unknown, check);
        EXPECT_EQ(check == ArrangeCheck::Clean, ArrangementFindsNothing(m));
        ++decided[check == ArrangeCheck::Clean ? 1 : 0];
    }
    EXPECT_GT(decided[0], 50u);
    EXPECT_GT(decided[1], 50u);
}

TEST(ArrangeCheck, CleanShapesAndWhatItLeavesOpen)
{
    struct Case {
        TestMesh mesh;
        ArrangeCheck expected;
    } cases[] = {
        {testing::Torus(12, 6), ArrangeCheck::Clean},
        {testing::Join({testing::Box(0, 1), testing::Box(2, 3)}), ArrangeCheck::Clean},
        {testing::Grid(5), ArrangeCheck::Clean},
        {testing::Book(6), ArrangeCheck::Clean},
        {testing::Join({testing::Box(0, 2), testing::Box(1, 3)}), ArrangeCheck::Contact},
        {testing::Fan(kMostFan + 1), ArrangeCheck::Unknown},           // too many round one point
        {testing::Join({testing::Box(0, 1), testing::Box(1, 2)}), ArrangeCheck::Unknown},  // equal points
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.expected, CheckArrangement(c.mesh.Record()));
        if (c.expected != ArrangeCheck::Unknown) {
            EXPECT_EQ(c.expected == ArrangeCheck::Clean, ArrangementFindsNothing(c.mesh));
        }
    }
}

}  // namespace
}  // namespace meshaudit::pipeline
