// The two repairs against plain versions written here, on random meshes of
// fixed seeds, and the entry codes.
#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "meshaudit.h"
#include "repair/EqualPointGroups.h"
#include "repair/FilterTriangles.h"
#include "repair/MergePoints.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

bool Same(const T3DVECF& a, const T3DVECF& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool Same(const TRIANGLE& a, const TRIANGLE& b) { return a.a == b.a && a.b == b.b && a.c == b.c; }

template <typename T>
void ExpectSame(const std::vector<T>& got, const std::vector<T>& want, const char* what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_TRUE(Same(got[i], want[i])) << what << " " << i;
    }
}

struct Mesh {
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
    MergeRoute route = MergeRoute::BallQueries;
};

// Runs a repair into an output that starts as garbage (it must be reset),
// keeps what it holds in *result and hands it back to clear_mesh.
template <typename Repair>
int32_t Into(Repair repair, Mesh* result = nullptr)
{
    MeshRecord out{reinterpret_cast<T3DVECF*>(uintptr_t{16}), 7, reinterpret_cast<TRIANGLE*>(uintptr_t{32}), 8};
    const int32_t code = repair(&out);
    const TRIANGLE* t = out.triangles;
    EXPECT_TRUE(code == 0 ? t != nullptr  // even when no triangle is kept
                          : out.points == nullptr && t == nullptr && out.pointCount + out.triangleCount == 0) << code;
    if (code == 0 && result != nullptr) {
        *result = Mesh{{out.points, out.points + out.pointCount}, {t, t + out.triangleCount}};
    }
    clear_mesh(&out);
    EXPECT_TRUE(out.points == nullptr && out.triangles == nullptr && out.pointCount == 0);
    return code;
}

int32_t Merge(TestMesh& m, double tolerance, Mesh* result)
{
    const MeshRecord in = m.Record();
    return Into([&](MeshRecord* out) { return removeDuplicatedGeometricalPoints(&in, &tolerance, out); }, result);
}

// The internal merge on a copy in library memory, restricted to `routes`.
Mesh MergeCopy(const TestMesh& m, double tolerance, MergeRoutes routes)
{
    MeshRecord r{AllocateArray<T3DVECF>(m.points.size()), static_cast<uint32_t>(m.points.size()),
                 AllocateArray<TRIANGLE>(m.triangles.size()), static_cast<uint32_t>(m.triangles.size())};
    std::copy(m.points.begin(), m.points.end(), r.points);
    std::copy(m.triangles.begin(), m.triangles.end(), static_cast<TRIANGLE*>(r.triangles));
    Mesh out;
    EXPECT_TRUE(MergeDuplicatedPoints(r.points, r, &tolerance, routes, &out.route));
    const TRIANGLE* t = r.triangles;
    out.points.assign(r.points, r.points + r.pointCount);
    out.triangles.assign(t, t + r.triangleCount);
    clear_mesh(&r);
    return out;
}

// All pairs, seeds in index order: every point not strictly farther than
// the tolerance from a seed (a NaN distance is not farther) joins the seed's
// class, also one that an earlier seed took. A class becomes the mean of its
// seed's finds, summed from 0 in the order the point tree's query reports
// them; corners are renumbered, an index beyond the points kept.
Mesh MergeByAllPairs(TestMesh& m, double tolerance)
{
    const auto n = static_cast<uint32_t>(m.points.size());
    const double r2 = tolerance * tolerance;
    MeshRecord record = m.Record();
    C3DPntAABBTree tree;
    EXPECT_EQ(tree.Build(record), 1);
    std::vector<uint32_t> classOf(n, UINT32_MAX), found(n);
    Mesh b;
    for (uint32_t s = 0; s < n; ++s) {
        if (classOf[s] != UINT32_MAX) {
            continue;
        }
        const T3DVECF& c = m.points[s];
        std::vector<uint32_t> members;
        for (uint32_t p = 0; p < n; ++p) {
            const double dx = m.points[p].x - c.x, dy = m.points[p].y - c.y, dz = m.points[p].z - c.z;
            if (!(dx * dx + dy * dy + dz * dz > r2)) {
                members.push_back(p);
                classOf[p] = static_cast<uint32_t>(b.points.size());
            }
        }
        uint32_t count = 0;
        tree.CollectInBall(T3DSPHERE{c, tolerance}, found.data(), count);
        std::vector<uint32_t> order(found.begin(), found.begin() + count);
        std::sort(order.begin(), order.end());
        EXPECT_EQ(order, members) << "seed " << s;
        T3DVECF sum{0, 0, 0};
        for (uint32_t k = 0; k < count; ++k) {
            sum.x += m.points[found[k]].x;
            sum.y += m.points[found[k]].y;
            sum.z += m.points[found[k]].z;
        }
        const double k = count;
        b.points.push_back(T3DVECF{sum.x / k, sum.y / k, sum.z / k});
    }
    for (TRIANGLE t : m.triangles) {
        for (uint32_t* i : {&t.a, &t.b, &t.c}) {
            *i = *i < n ? classOf[*i] : *i;
        }
        b.triangles.push_back(t);
    }
    return b;
}

// Coordinates from a pool: both zeros, values exactly 0.25 and one unit in
// the last place apart, tiny ones and a subnormal (whose differences vanish
// when squared); most points repeat an earlier one, as in a soup; a few
// carry NaN; some corners lie beyond the points.
TestMesh PooledSoup(uint32_t seed, bool withNaN)
{
    const double pool[] = {0.0, -0.0, 0.25, 0.5, std::nextafter(0.25, 1.0), 1.0, 1e-300, 5e-324, -3.0, 1e10};
    std::mt19937 rng(seed);
    TestMesh m;
    const uint32_t n = 30 + seed % 50;
    for (uint32_t k = 0; k < n; ++k) {
        if (!m.points.empty() && rng() % 4 != 0) {
            m.points.push_back(m.points[rng() % m.points.size()]);
            continue;
        }
        m.AddPoint(pool[rng() % 10], pool[rng() % 10], pool[rng() % 10]);
        if (withNaN && rng() % 8 == 0) {
            m.points.back().y = std::nan("");
        }
    }
    for (uint32_t t = 0; t < n / 2; ++t) {
        const uint32_t far = rng() % 6 == 0 ? (rng() % 2 == 0 ? n : 0xFFFFFFFFu) : rng() % n;
        m.AddTriangle(rng() % n, rng() % n, far);
    }
    return m;
}

TEST(Repairs, MatchPlainVersionsAndBothMergeRoutesGiveTheSameBits)
{
    const double tolerances[] = {0.0, 0.25, -0.25, 0.5, 1e-300, 1e-170, 2.0, HUGE_VAL};
    uint32_t byGroups = 0, byBalls = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TestMesh m = PooledSoup(seed, seed % 4 == 0);
        const TestMesh before = m;
        for (double tolerance : tolerances) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << ", tolerance " << tolerance);
            // The tree places no point with a NaN coordinate: there the two
            // routes are compared with each other only.
            Mesh got;
            ASSERT_EQ(Merge(m, tolerance, &got), 0);
            const Mesh want = seed % 4 != 0 ? MergeByAllPairs(m, tolerance) : got;
            ExpectSame(got.points, want.points, "point");
            ExpectSame(got.triangles, want.triangles, "triangle");
            const Mesh any = MergeCopy(m, tolerance, MergeRoutes::Any);
            const Mesh plain = MergeCopy(m, tolerance, MergeRoutes::BallQueries);
            ASSERT_EQ(plain.route, MergeRoute::BallQueries);
            (any.route == MergeRoute::EqualGroups ? byGroups : byBalls) += 1;
            ExpectSame(any.points, want.points, "point (any route)");
            ExpectSame(plain.points, want.points, "point (ball queries)");
            ExpectSame(plain.triangles, want.triangles, "triangle (ball queries)");
        }
        // The filter keeps the triangles whose three indices differ, in
        // order; the points are copied as they are, also the unused ones.
        Mesh filtered{m.points, {}};
        std::copy_if(m.triangles.begin(), m.triangles.end(), std::back_inserter(filtered.triangles),
                     [](const TRIANGLE& t) { return t.a != t.b && t.b != t.c && t.a != t.c; });
        Mesh got;
        const MeshRecord in = m.Record();
        ASSERT_EQ(Into([&](MeshRecord* out) { return removeInvalidTopologicalTriangles(&in, out); }, &got), 0);
        ExpectSame(got.points, filtered.points, "filtered point");
        ExpectSame(got.triangles, filtered.triangles, "filtered triangle");
        ExpectSame(m.points, before.points, "input point");
        ExpectSame(m.triangles, before.triangles, "input triangle");
    }
    // Both routes taken often, or the comparison means little.
    EXPECT_GT(byGroups, 60u);
    EXPECT_GT(byBalls, 60u);
}

// Groups of equal points against all pairs: numbered in order of first
// occurrence, 0.0 and -0.0 alike, in numbers that make the table grow.
TEST(EqualPointGroups, MatchesAllPairsAndStopsWhereItMust)
{
    const double pool[] = {0.0, -0.0, 1.0, std::nextafter(1.0, 2.0), 0.1, 0.1f, 5e-324, -5e-324, 1e300, 3.0};
    for (uint32_t seed = 1; seed <= 2; ++seed) {
        std::mt19937 rng(seed);
        std::vector<T3DVECF> p;
        for (uint32_t i = 0; i < 6000; ++i) {
            if (i > 0 && rng() % 3 == 0) {
                p.push_back(p[rng() % p.size()]);
            } else if (rng() % 2 == 0) {
                p.push_back(T3DVECF{pool[rng() % 10], pool[rng() % 10], pool[rng() % 10]});
            } else {
                const double v = static_cast<double>(rng() % 100000) / 7.0;
                p.push_back(T3DVECF{v, static_cast<float>(v), -v});
            }
        }
        const auto n = static_cast<uint32_t>(p.size());
        std::vector<uint32_t> groups(n), sizes(n), firstOf, wantSizes;
        std::vector<T3DVECF> firsts(n);
        uint32_t count = 0;
        ASSERT_EQ(GroupEqualPoints(p.data(), n, groups.data(), firsts.data(), sizes.data(), count),
                  GroupingOutcome::Grouped);
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t g = 0;
            while (g < firstOf.size() && !(p[firstOf[g]].x == p[i].x && p[firstOf[g]].y == p[i].y &&
                                           p[firstOf[g]].z == p[i].z)) {
                ++g;
            }
            if (g == firstOf.size()) {
                firstOf.push_back(i);
                wantSizes.push_back(0);
            }
            ++wantSizes[g];
            ASSERT_EQ(groups[i], g) << i;
        }
        ASSERT_EQ(count, firstOf.size());
        ASSERT_GT(count, 2048u);  // the table grew
        for (uint32_t g = 0; g < count; ++g) {
            ASSERT_TRUE(Same(firsts[g], p[firstOf[g]]));
            ASSERT_EQ(sizes[g], wantSizes[g]);
        }
        p[n - 1].z = -HUGE_VAL;
        EXPECT_EQ(GroupEqualPoints(p.data(), n, groups.data(), firsts.data(), sizes.data(), count),
                  GroupingOutcome::NotFinite);
    }
}

// Points made to share a slot of the hash table: the hash's last step is
// inverted for values that agree in their top bits. The hash is restated
// on purpose; if it changes, the grouping no longer finds a crowd.
TEST(EqualPointGroups, CraftedCollisionsStopTheGroupingAndTheBallQueriesDecide)
{
    const auto bits = [](double v) {
        uint64_t u = 0;
        std::memcpy(&u, &v, sizeof u);
        return u;
    };
    const uint64_t k3 = 0x165667B19E3779F9ull;
    uint64_t inverse = k3;  // Newton's iteration for the inverse modulo 2^64
    for (int i = 0; i < 6; ++i) {
        inverse *= 2 - k3 * inverse;
    }
    const uint64_t h2 = ((bits(1.0) * 0x9E3779B97F4A7C15ull) ^ bits(2.0)) * 0xC2B2AE3D27D4EB4Full;
    TestMesh m;
    for (uint64_t g = uint64_t{0x5A5A5A5A} << 32; m.points.size() < 1500; ++g) {
        const uint64_t zBits = (g * inverse) ^ h2;
        double z = 0.0;
        std::memcpy(&z, &zBits, sizeof z);
        if (std::fabs(z) > 1e-3 && std::fabs(z) < 1e3) {  // differences that survive squaring
            m.AddPoint(1.0, 2.0, z);
        }
    }
    m.points.push_back(m.points[7]);
    for (uint32_t t = 0; t + 2 < m.points.size(); t += 3) {
        m.AddTriangle(t, t + 1, t + 2);
    }
    std::vector<uint32_t> groups(1501), sizes(1501);
    std::vector<T3DVECF> firsts(1501);
    uint32_t count = 0;
    EXPECT_EQ(GroupEqualPoints(m.points.data(), 1501, groups.data(), firsts.data(), sizes.data(), count),
              GroupingOutcome::Crowded);
    const Mesh any = MergeCopy(m, 1e-300, MergeRoutes::Any);
    EXPECT_EQ(any.route, MergeRoute::BallQueries);
    ExpectSame(any.points, MergeByAllPairs(m, 1e-300).points, "point");
}

TEST(Repairs, DocumentedCodes)
{
    TestMesh m = testing::Tetrahedron();
    T3DVECF* p = m.points.data();
    TRIANGLE* t = m.triangles.data();
    const double tolerance = 0.1;
    const MeshRecord in = m.Record();
    const std::pair<MeshRecord, int32_t> cases[] = {  // pointers before counts; the output reset first
        {{nullptr, 0, nullptr, 0}, -1}, {{nullptr, 4, t, 4}, -1}, {{p, 0, nullptr, 0}, -2}, {{p, 4, nullptr, 4}, -2},
        {{p, 0, t, 0}, -3},             {{p, 0, t, 4}, -3},       {{p, 4, t, 0}, -4}};
    for (const auto& [record, code] : cases) {
        EXPECT_EQ(Into([&](MeshRecord* out) { return removeDuplicatedGeometricalPoints(&record, &tolerance, out); }), code);
        EXPECT_EQ(Into([&](MeshRecord* out) { return removeInvalidTopologicalTriangles(&record, out); }), code);
    }
    EXPECT_EQ(Into([&](MeshRecord* out) { return removeDuplicatedGeometricalPoints(nullptr, &tolerance, out); }), -1);
    EXPECT_EQ(Into([&](MeshRecord* out) { return removeDuplicatedGeometricalPoints(&in, nullptr, out); }), -1);
    EXPECT_EQ(removeDuplicatedGeometricalPoints(&in, &tolerance, nullptr), -1);
    EXPECT_EQ(removeInvalidTopologicalTriangles(&in, nullptr), -1);
    EXPECT_EQ(removeDuplicatedGeometricalPoints(&in, nullptr, nullptr), -1);
    // With every triangle dropped the output still holds a triangle array.
    TestMesh flat{{{0, 0, 0}, {1, 0, 0}}, {{0, 1, 1}}};
    const MeshRecord degenerate = flat.Record();
    Mesh none;
    EXPECT_EQ(Into([&](MeshRecord* out) { return removeInvalidTopologicalTriangles(&degenerate, out); }, &none), 0);
    EXPECT_TRUE(none.triangles.empty());

    // The internal steps check their record too.
    for (int missing = 0; missing < 5; ++missing) {
        MeshRecord r = m.Record();
        r.points = missing == 0 ? nullptr : r.points;
        r.triangles = missing == 1 ? nullptr : r.triangles;
        r.pointCount = missing == 2 ? 0 : r.pointCount;
        r.triangleCount = missing == 3 ? 0 : r.triangleCount;
        EXPECT_FALSE(MergeDuplicatedPoints(r, missing == 4 ? nullptr : &tolerance)) << missing;
    }
    MeshRecord r{p, 4, nullptr, 4}, copy;
    EXPECT_EQ(RemoveInvalidTriangles(r), -1);
    r = MeshRecord{p, 4, t, 0};
    EXPECT_EQ(RemoveInvalidTriangles(r), -2);
    ASSERT_EQ(removeInvalidTopologicalTriangles(&in, &copy), 0);
    EXPECT_EQ(RemoveInvalidTriangles(copy), 4);  // the count kept
    clear_mesh(&copy);
}

}  // namespace
}  // namespace meshaudit
