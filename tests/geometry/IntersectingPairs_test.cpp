// The search for intersecting triangle pairs (a tree walked against itself)
// against all pairs, on meshes full of touchy configurations.
#include "analysis/LocationList.h"
#include "containers/BitVector.h"
#include "containers/Memory.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"
#include "geometry/TriangleIntersection.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

// All pairs under the walk's rules: triangles repeating an index or out of
// range, pairs sharing an index and pairs of apart boxes are skipped.
std::vector<bool> MarksByAllPairs(const TestMesh& m)
{
    const size_t n = m.triangles.size();
    const uint32_t count = static_cast<uint32_t>(m.points.size());
    std::vector<bool> marks(n, false), usable(n, false);
    std::vector<C3DAABB> boxes(n);
    for (size_t i = 0; i < n; ++i) {
        const TRIANGLE& t = m.triangles[i];
        usable[i] = t.a != t.b && t.a != t.c && t.b != t.c && t.a < count && t.b < count && t.c < count;
        const T3DVECF c[3] = {m.points[usable[i] ? t.a : 0], m.points[usable[i] ? t.b : 0], m.points[usable[i] ? t.c : 0]};
        boxes[i] = BoxOfPoints(c, 3);
    }
    for (size_t i = 0; i < n; ++i) {
        const TRIANGLE& s = m.triangles[i];
        for (size_t j = i + 1; j < n && usable[i]; ++j) {
            const TRIANGLE& t = m.triangles[j];
            if (!usable[j] || ClassifyBoxes(boxes[i], boxes[j]) == '0') {
                continue;
            }
            bool shared = false;
            for (uint32_t x : {s.a, s.b, s.c}) {
                shared = shared || x == t.a || x == t.b || x == t.c;
            }
            const T3DVECF cs[3] = {m.points[s.a], m.points[s.b], m.points[s.c]};
            const T3DVECF ct[3] = {m.points[t.a], m.points[t.b], m.points[t.c]};
            if (!shared && (TriTriIntersect(cs, ct) == '1' || TriTriIntersect(ct, cs) == '1')) {
                marks[i] = marks[j] = true;
            }
        }
    }
    return marks;
}

// In a tree of either leaf width. Returns whether some pair intersects.
bool ExpectMarksOfAllPairs(TestMesh& m)
{
    const std::vector<bool> expected = MarksByAllPairs(m);
    const bool any = std::find(expected.begin(), expected.end(), true) != expected.end();
    using pair_search_testing::Search;
    std::vector<std::pair<uint32_t, uint32_t>> walked;
    for (const Search search : {Search::Walk, Search::Sweep, Search::Race}) {
        pair_search_testing::Use(search);
        for (const auto& [leaves, sorts] : {std::pair{TriLeaves::Rule, TreeSorts::Rule},
                                            std::pair{TriLeaves::Wide, TreeSorts::Rule},
                                            std::pair{TriLeaves::Wide, TreeSorts::Small}}) {
            if (sorts == TreeSorts::Small && search != Search::Walk) {
                continue;  // the tree's shape is what differs, not the search
            }
            SCOPED_TRACE(::testing::Message() << (leaves == TriLeaves::Wide ? "wide leaves" : "the rule's leaves")
                                            << (sorts == TreeSorts::Small ? ", small sort budget" : "")
                                            << ", search " << static_cast<int>(search));
            C3DTriAABBTree tree;
            EXPECT_EQ(tree.Build(m.Record(), leaves, sorts), 1);
            CBitVector bits;
            EXPECT_EQ(MarkIntersectingPairs(&tree, &tree, bits), 1);
            EXPECT_EQ(bits.BitCount(), m.triangles.size());
            std::vector<bool> marks;
            for (uint64_t t = 0; t < m.triangles.size(); ++t) {
                marks.push_back(bits.IsSet(t));
            }
            EXPECT_EQ(marks, expected);
            EXPECT_EQ(FindIntersectingPair(&tree, &tree), any ? 1 : 0);
            // Each allocation of the search failing in turn: the answer
            // still, or -1 (out of memory), never a write through null.
            bool failed = search != Search::Race && sorts == TreeSorts::Rule;
            for (uint64_t k = 1; failed; ++k) {
                memory_testing::ResetAllocationCounter();
                memory_testing::FailAllocations(k, 1);
                const int found = FindIntersectingPair(&tree, &tree);
                failed = memory_testing::FailedAllocationCount() != 0;
                memory_testing::ResetAllocationCounter();
                EXPECT_TRUE(found == (any ? 1 : 0) || (failed && found == -1)) << k;
            }
            // Every search lists the same pairs, each once.
            LocationList list;
            list.Open(2, UINT64_MAX);
            EXPECT_EQ(MarkIntersectingPairs(&tree, &tree, bits, &list), 1);
            std::vector<std::pair<uint32_t, uint32_t>> pairs;
            for (uint64_t k = 0; k < list.Stored(); ++k) {
                pairs.emplace_back(list.Items()[2 * k], list.Items()[2 * k + 1]);
            }
            std::sort(pairs.begin(), pairs.end());
            EXPECT_EQ(std::adjacent_find(pairs.begin(), pairs.end()), pairs.end());
            if (search == Search::Walk && leaves == TriLeaves::Rule) {
                walked = pairs;
            }
            EXPECT_EQ(pairs, walked);
            // In three groups of consecutive triangles (the parts of a joined
            // mesh), the same pairs less those within one group.
            std::vector<uint32_t> groups(m.triangles.size());
            for (size_t t = 0; t < groups.size(); ++t) {
                groups[t] = static_cast<uint32_t>(3 * t / groups.size());
            }
            list.Clear();
            EXPECT_EQ(MarkIntersectingPairs(&tree, &tree, bits, &list, groups.data()), 1);
            std::vector<std::pair<uint32_t, uint32_t>> grouped, between;
            for (uint64_t k = 0; k < list.Stored(); ++k) {
                grouped.emplace_back(list.Items()[2 * k], list.Items()[2 * k + 1]);
            }
            std::sort(grouped.begin(), grouped.end());
            std::copy_if(pairs.begin(), pairs.end(), std::back_inserter(between),
                         [&groups](const auto& p) { return groups[p.first] != groups[p.second]; });
            EXPECT_EQ(grouped, between);
        }
    }
    pair_search_testing::Use(Search::Race);
    return any;
}

struct Shape {
    uint32_t triangles;
    uint32_t pool;        // points to pick corners from
    uint32_t lattice;     // coordinates are k / 2 for k in 0..lattice (many ties)
    double oddShare;      // share of coordinates replaced by NaN, -0.0, 0.0 or infinity
    double specialShare;  // share of triangles made degenerate, duplicated or out of range
    double jitter = 0.0;  // added to lattice coordinates times a random share
};

// A coarse lattice makes coplanar, touching and coincident corners common;
// corners close to each other in index make small triangles whose
// neighbours share indices.
TestMesh LatticeMesh(const Shape& shape, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double odd[] = {std::numeric_limits<double>::quiet_NaN(), -0.0, 0.0, HUGE_VAL, -HUGE_VAL};
    TestMesh m;
    for (uint32_t p = 0; p < shape.pool; ++p) {
        const T3DVECF copy = p > 0 ? m.points[rng() % p] : T3DVECF{};
        double c[3];
        for (double& v : c) {
            v = unit(rng) < shape.oddShare ? odd[rng() % 5]
                                           : (rng() % (shape.lattice + 1)) * 0.5 + shape.jitter * unit(rng);
        }
        (p > 0 && unit(rng) < 0.1) ? m.AddPoint(copy.x, copy.y, copy.z) : m.AddPoint(c[0], c[1], c[2]);
    }
    for (uint32_t t = 0; t < shape.triangles; ++t) {
        const uint32_t base = static_cast<uint32_t>(rng() % shape.pool);
        const auto near = [&] { return static_cast<uint32_t>((base + rng() % 7) % shape.pool); };
        TRIANGLE tri{near(), near(), near()};
        const TRIANGLE other = t > 0 ? m.triangles[rng() % t] : tri;
        const uint32_t n = static_cast<uint32_t>(m.points.size());
        if (unit(rng) < shape.specialShare && t > 0) {
            switch (rng() % 6) {
            case 0:  // the same indices, or the same triangle turned
                tri = rng() % 2 == 0 ? other : TRIANGLE{other.b, other.c, other.a};
                break;
            case 1:  // the same corners under new indices
                if (other.a < n && other.b < n && other.c < n) {
                    const T3DVECF p[3] = {m.points[other.a], m.points[other.b], m.points[other.c]};
                    tri = TRIANGLE{m.AddPoint(p[0].x, p[0].y, p[0].z), m.AddPoint(p[1].x, p[1].y, p[1].z),
                                   m.AddPoint(p[2].x, p[2].y, p[2].z)};
                }
                break;
            case 2:
                tri.c = tri.a;  // a repeated index
                break;
            case 3: {  // three collinear corners
                const T3DVECF p = m.points[tri.a];
                tri = TRIANGLE{tri.a, m.AddPoint(p.x + 0.5, p.y, p.z + 0.5), m.AddPoint(p.x + 1.0, p.y, p.z + 1.0)};
                break;
            }
            default:  // a corner beyond the points: not in the tree
                tri.b = shape.pool + 1000 + static_cast<uint32_t>(rng() % 5);
            }
        }
        m.AddTriangle(tri.a, tri.b, tri.c);
    }
    return m;
}

TEST(IntersectingPairs, MarksMatchAllPairs)
{
    const Shape shapes[] = {
        {40, 30, 4, 0.0, 0.0},         // one or a few leaves, coarse lattice
        {300, 200, 8, 0.0, 0.2},       // shared corners, duplicates, degenerate
        {1000, 400, 12, 0.0, 0.1},     // deeper trees
        {800, 400, 6, 0.05, 0.1},      // NaN, -0.0 and infinite coordinates
        {500, 300, 10, 0.3, 0.3},      // mostly odd
        {1500, 1500, 40, 0.01, 0.05},  // sparse: few pairs meet
        // Boxes apart by less than a float's precision, which rounded boxes
        // do not tell apart; zero-area triangles among them.
        {1000, 400, 8, 0.0, 0.3, 1e-12},
    };
    uint32_t withMarks = 0;
    uint32_t seed = 1;
    for (const Shape& shape : shapes) {
        for (int k = 0; k < 2; ++k, ++seed) {
            TestMesh m = LatticeMesh(shape, seed);
            withMarks += ExpectMarksOfAllPairs(m);
        }
    }
    EXPECT_GT(withMarks, 6u);
    TestMesh big = testing::RandomSoup(150, 10.0, 4);  // large triangles, all crossing
    ExpectMarksOfAllPairs(big);
    TestMesh torus = testing::Torus(30, 12);  // closed and smooth: nothing
    EXPECT_FALSE(ExpectMarksOfAllPairs(torus));
    // Debris far beyond a body, fewer triangles than a leaf: the fallback
    // sorts run out of the small budget, and that tree is cut otherwise.
    TestMesh debris = testing::Sphere(20, 10, 1.0);
    testing::Append(debris, testing::Box(100.0, 100.5));
    debris.triangles.resize(debris.triangles.size() - 8);
    testing::Append(debris, testing::RandomSoup(60, 2.0, 9));
    EXPECT_TRUE(ExpectMarksOfAllPairs(debris));
    C3DTriAABBTree rule, small;
    ASSERT_EQ(rule.Build(debris.Record(), TriLeaves::Wide), 1);
    ASSERT_EQ(small.Build(debris.Record(), TriLeaves::Wide, TreeSorts::Small), 1);
    EXPECT_NE(std::memcmp(rule.Entries(), small.Entries(), rule.EntryCount() * sizeof(TriEntry)), 0);
    // Overlapping spheres without shared points (one a coincident copy), and
    // flat grids laid over each other (coplanar overlaps, touching edges).
    TestMesh spheres = testing::Sphere(16, 8, 1.0);
    testing::Append(spheres, testing::Sphere(16, 8, 1.0, 0.9, 0.2, 0.1));
    testing::Append(spheres, testing::Sphere(16, 8, 1.0));
    ExpectMarksOfAllPairs(spheres);
    // Fans, books and copies, whose node pairs are dropped whole where all
    // their triangles share a point, crossed by a sphere that they are not.
    TestMesh crowds = testing::Fan(300);
    testing::Append(crowds, testing::Book(200));
    testing::Append(crowds, testing::Copies(60, true));
    testing::Append(crowds, testing::Sphere(16, 8, 0.6, 0.3, 0.2, 0.1));
    EXPECT_TRUE(ExpectMarksOfAllPairs(crowds));
    TestMesh grids = testing::Grid(8);
    testing::Append(grids, testing::Grid(8, 1.0));
    testing::Append(grids, testing::Grid(4, 2.0));
    ExpectMarksOfAllPairs(grids);
}

// Two zero-area triangles, the second moved along x by `gap`, whose
// projections along x overlap: the exact test reports them intersecting
// unless their boxes are apart. The tree keeps boxes in single precision, so
// a gap below a float's precision is told only by the exact boxes.
TEST(IntersectingPairs, PairsOfBoxesApartByLessThanAFloatUnit)
{
    const struct {
        double gap;
        bool exactBoxes;
        uint64_t marks;
    } cases[] = {
        {0.0, true, 2},      // touching: tested
        {1e-12, false, 0},   // apart below float precision: rounded boxes meet
        {0x1p-20, true, 0},  // apart by a float-exact gap
        {-1e-12, false, 0},  // the other way
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gap);
        TestMesh m;
        for (const double x : {1.0, 1.0 + c.gap}) {
            const uint32_t a = m.AddPoint(x, 0.0, 0.0);
            m.AddPoint(x, 1.0, 1.0);
            m.AddPoint(x, 2.0, 2.0);
            m.AddTriangle(a, a + 1, a + 2);
        }
        C3DTriAABBTree tree;
        ASSERT_EQ(tree.Build(m.Record()), 1);
        EXPECT_EQ(tree.ExactBoxes(), c.exactBoxes);
        CBitVector bits;
        ASSERT_EQ(MarkIntersectingPairs(&tree, &tree, bits), 1);
        EXPECT_EQ(bits.CountSet(), c.marks);
        EXPECT_EQ(FindIntersectingPair(&tree, &tree), c.marks != 0 ? 1 : 0);
    }
}

// Missing, unbuilt, empty or two different trees.
TEST(IntersectingPairs, TreesThatCannotBeWalked)
{
    TestMesh a = testing::Sphere(12, 6, 1.0);
    C3DTriAABBTree tree, again, unbuilt;
    ASSERT_EQ(tree.Build(a.Record()), 1);
    ASSERT_EQ(again.Build(a.Record()), 1);
    CBitVector bits;
    EXPECT_EQ(MarkIntersectingPairs(&tree, nullptr, bits), 0);
    EXPECT_EQ(MarkIntersectingPairs(nullptr, &tree, bits), 0);
    EXPECT_EQ(MarkIntersectingPairs(&tree, &again, bits), 0);  // the same mesh, another tree
    EXPECT_EQ(MarkIntersectingPairs(&unbuilt, &unbuilt, bits), 0);  // no bits to size
    EXPECT_EQ(FindIntersectingPair(&tree, nullptr), 0);
    EXPECT_EQ(FindIntersectingPair(nullptr, &tree), 0);
    EXPECT_EQ(FindIntersectingPair(&tree, &again), -1);
    EXPECT_EQ(FindIntersectingPair(&unbuilt, &unbuilt), 0);
    // Built, but with no triangle in range: a completed walk finding nothing.
    TestMesh out;
    out.AddPoint(0, 0, 0);
    out.AddTriangle(1, 2, 3);
    ASSERT_EQ(tree.Build(out.Record()), 1);
    EXPECT_EQ(MarkIntersectingPairs(&tree, &tree, bits), 1);
    EXPECT_EQ(bits.CountSet(), 0u);
    EXPECT_EQ(FindIntersectingPair(&tree, &tree), 0);
}

}  // namespace
}  // namespace meshaudit
