// The failure codes of every analysis: bad records (each check in its
// order), corners out of range, and the allocation that fails at each site.
#include "analysis/MeshBuilders.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "model/IncidenceLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace meshaudit {
namespace {

using testing::Broken;
using testing::RecordOf;
using testing::TestMesh;

struct Row {
    const char* name;
    std::function<int64_t()> call;
    int64_t expected;
};

// The failure that Arm sets up: allocation `armed` (1-based, 0 none) and
// `armedCount` - 1 after it fail, counted from the call to Arm.
uint64_t armed = 0, armedCount = 1;

void Arm()
{
    memory_testing::ResetAllocationCounter();
    if (armed != 0) {
        memory_testing::FailAllocations(armed, armedCount);
    }
}

// Runs `call` armed; a call that first builds what the site comes after
// arms again itself.
int64_t Failing(uint64_t k, const std::function<int64_t()>& call, uint64_t count = 1)
{
    armed = k;
    armedCount = count;
    Arm();
    const int64_t result = call();
    armed = 0;
    memory_testing::ResetAllocationCounter();
    return result;
}

TEST(FailureCodes, BadRecords)
{
    TestMesh tetra = testing::Tetrahedron();
    const MeshRecord good = tetra.Record();
    const T3DVECF* p = tetra.points.data();
    const TRIANGLE* t = tetra.triangles.data();
    using Counter = int32_t (*)(const MeshRecord&, MeshTopology&);
    const double epsilon = 0.002;
    std::vector<Row> rows;
    // The four record checks in their order: -1 no points, -2 no triangles,
    // -3 zero points, -4 zero triangles.
    for (int i = 0; i < 4; ++i) {
        for (Counter c : {&triangles::CountBorder, &triangles::CountIsolated, &triangles::CountSingular,
                          &triangles::MinimalDegree, &triangles::MaximalDegree,
                          &triangles::CountFlippedTopological, &testing::Unlisted<points::CountBorder>,
                          &ComputeComponents, &ComputeBorders, &ComputeHandles}) {
            rows.push_back({"topology counter", [=] {
                                MeshTopology topology;
                                return c(Broken(good, i), topology);
                            },
                            -1 - i});
        }
        rows.push_back({"isolated points", [=] { return points::CountIsolated(Broken(good, i)); }, -1 - i});
        rows.push_back({"invalid geometrical", [=] { return triangles::CountInvalidGeometrical(Broken(good, i)); }, -1 - i});
        rows.push_back({"consistent", [=] { return IsConsistentlyOriented(Broken(good, i)); }, 0});
        // NaN and INF read no triangles.
        for (const auto count : {&points::CountNAN, &points::CountINF}) {
            rows.push_back({"non-finite", [=] { return count(Broken(good, i), nullptr); }, i == 0 ? -1 : i == 2 ? -2 : 0});
        }
        // The epsilon count: -1 no point array, -2 no points, -3 a triangle
        // fault of either kind (checked after the points).
        rows.push_back({"epsilon", [=] { return points::CountEpsilonDuplicates(Broken(good, i), &epsilon); },
                        i == 0 ? -1 : i == 2 ? -2 : -3});
    }
    const auto mesh = [](auto f) { return [f] {
        MeshTopology topology;
        return static_cast<int64_t>(f(topology));
    }; };
    rows.insert(rows.end(), {
        {"oriented", mesh([&](MeshTopology& tp) { return IsOriented(Broken(good, 0), tp); }), 0},
        {"orientable", mesh([&](MeshTopology& tp) { return IsOrientable(Broken(good, 0), tp); }), 0},
        {"point duplicates: no points", [=] { return points::CountDuplicatedGeometrical(RecordOf(nullptr, 2, nullptr, 0)); }, -1},
        {"point classes: zero points", [=] { return points::CountClassesOfDuplicatedGeometrical(RecordOf(p, 0, nullptr, 0)); }, -2},
        {"epsilon: no tolerance", [=] { return points::CountEpsilonDuplicates(good, nullptr); }, -3},
        {"invalid topological: no triangles", [=] { return triangles::CountInvalidTopological(RecordOf(nullptr, 0, nullptr, 1)); }, -1},
        {"invalid topological: zero triangles", [=] { return triangles::CountInvalidTopological(RecordOf(nullptr, 0, t, 0)); }, -2},
        {"invalid topological: points not read", [=] { return triangles::CountInvalidTopological(RecordOf(nullptr, 0, t, 1)); }, 0},
        {"triangle duplicates: no triangles", [=] { return triangles::CountDuplicatedTopological(RecordOf(p, 4, nullptr, 2)); }, -1},
        {"triangle classes: zero triangles", [=] { return triangles::CountClassesOfDuplicatedTopological(RecordOf(p, 4, t, 0)); }, -2},
        {"geometric duplicates: no points", [=] { return triangles::CountDuplicatedGeometrical(RecordOf(nullptr, 4, t, 2)); }, -1},
        {"geometric duplicates: zero points", [=] { return triangles::CountDuplicatedGeometrical(RecordOf(p, 0, t, 2)); }, -2},
        {"geometric classes: no triangles", [=] { return triangles::CountClassesOfDuplicatedGeometrical(RecordOf(p, 4, nullptr, 2)); }, -3},
        {"geometric classes: zero triangles", [=] { return triangles::CountClassesOfDuplicatedGeometrical(RecordOf(p, 4, t, 0)); }, -4},
        {"intersected: no points", [=] { return triangles::CountIntersected(RecordOf(nullptr, 4, t, 4)); }, -1},
        {"intersected: zero triangles", [=] { return triangles::CountIntersected(RecordOf(p, 4, t, 0)); }, -1},
        {"self-intersection: no points", [=] { return TestSelfIntersection(RecordOf(nullptr, 4, t, 4)); }, 0},
        {"self-intersection: zero triangles", [=] { return TestSelfIntersection(RecordOf(p, 4, t, 0)); }, 0},
        {"border vertices", [=] {
             MeshTopology topology;
             uint8_t sentinel = 0;
             uint8_t* mask = &sentinel;
             return triangles::BorderVertices(Broken(good, 0), topology, mask) * 10 + (mask == nullptr ? 0 : 1);
         }, -10},
        {"minimal degree, nothing attached", mesh([&](MeshTopology& tp) { return points::MinimalDegree(good, tp); }), -1},
        {"maximal degree, nothing attached", mesh([&](MeshTopology& tp) { return points::MaximalDegree(good, tp); }), -1},
        {"volume: no points", [=] { return ComputeVolume(Broken(good, 0)) == -DBL_MAX; }, 1},
        {"volume: no triangles", [=] { return ComputeVolume(Broken(good, 1)) == -DBL_MAX; }, 1},
        {"area: no points", [=] { return ComputeArea(Broken(good, 0)) == -1.0; }, 1},
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(), row.expected);
    }

    // Edges: each record also breaks the later checks, so that their order
    // decides.
    TestMesh flat = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const MeshRecord base = flat.Record();
    const MeshRecord broken[4] = {RecordOf(nullptr, 0, nullptr, 1), RecordOf(base.points, 3, nullptr, 0),
                                  RecordOf(base.points, 0, base.triangles, 0),
                                  RecordOf(base.points, 3, base.triangles, 0)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(testing::EdgeQuantities(broken[i]), testing::EdgeCodes(-1 - i)) << i;
    }
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1000);  // the first getter fails
    EXPECT_EQ(testing::EdgeQuantities(good), testing::EdgeCodes(-5));
    memory_testing::ResetAllocationCounter();

    // The edge groups check their list in the same order.
    const T3DVECF point{0, 0, 0};
    const T3DEDGE edge{0, 1};
    EdgeList list{nullptr, 0, nullptr, 0};
    EXPECT_EQ(CountEdgeGroups(list), -1);
    list.points = &point;
    EXPECT_EQ(CountEdgeGroups(list), -2);
    list.edges = &edge;
    EXPECT_EQ(CountEdgeGroups(list), -3);
    list.pointCount = 2;
    EXPECT_EQ(CountEdgeGroups(list), -4);
    list.edgeCount = 1;
    EXPECT_EQ(CountEdgeGroups(list), 1);
    IncidenceLists lists;
    EXPECT_EQ(BuildPointEdgeLists(nullptr, 2, 1, lists), -1);
}

// The code of each allocation site, with the structures the site comes
// after already built.
TEST(FailureCodes, AllocationSites)
{
    TestMesh tetra = testing::Tetrahedron();
    const MeshRecord r = tetra.Record();
    TestMesh grid = testing::Grid(2);
    const MeshRecord g = grid.Record();
    TestMesh pair = testing::MeshOf({{0, 0, 0}, {0, 0, 0}}, {{0, 1, 0}, {1, 0, 0}});
    TestMesh withNaN = pair;
    withNaN.AddPoint(std::numeric_limits<double>::quiet_NaN(), 0, 0);
    TestMesh bowTie = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 2, 0}}, {{0, 1, 2}, {2, 3, 4}});
    const MeshRecord b = bowTie.Record();
    // A topology with the given structures built.
    const auto prepared = [](const MeshRecord& record, int structures) {
        memory_testing::ResetAllocationCounter();  // unarmed while building
        auto topology = std::make_shared<MeshTopology>();
        topology->Attach(record);
        uint32_t count = 0;
        if (structures & 1) topology->Edges(count);
        if (structures & 2) topology->BorderEdges(count);
        if (structures & 4) topology->BorderSides();
        if (structures & 8) topology->TriangleNeighbours();
        if (structures & 16) topology->VertexTriangles();
        if (structures & 32) topology->LimitNeighbourEntries(UINT32_MAX);
        Arm();
        return topology;
    };
    using Counter = int32_t (*)(const MeshRecord&, MeshTopology&);
    const auto on = [&](Counter c, const MeshRecord& record, int structures) {
        return [=] { return static_cast<int64_t>(c(record, *prepared(record, structures))); };
    };
    // Building incidence lists over `edges`: the code times ten, plus one if
    // the lists still hold memory.
    const auto incidence = [](auto build, std::vector<T3DEDGE> edges, uint32_t pointCount) {
        return [=] {
            IncidenceLists lists;
            const int32_t code = build(edges.data(), pointCount, static_cast<uint32_t>(edges.size()), lists);
            const int64_t held = lists.starts == nullptr && lists.entries == nullptr ? 0 : 1;
            ReleaseLists(lists);
            return code * 10 + held;
        };
    };
    struct Site {
        const char* name;
        std::function<int64_t()> call;
        std::vector<int64_t> codes;
        bool exact = true;  // else every allocation from the k-th on fails
    };
    const std::vector<Site> sites = {
        {"isolated points", [&] { return points::CountIsolated(r); }, {-5}},
        // No more points than triangles: the ranks, kept for the edge and
        // triangle counts, and the sort's records.
        {"point duplicates", [&] { return points::CountDuplicatedGeometrical(pair.Record()); }, {-3, -3}},
        // With a NaN the key array is given up for the tree and its pool.
        {"point duplicates, NaN", [&] { return points::CountDuplicatedGeometrical(withNaN.Record()); }, {-3, -3, -3}},
        {"triangle duplicates", [&] { return triangles::CountDuplicatedTopological(pair.Record()); }, {-3}},
        {"geometric triangle duplicates", [&] { return triangles::CountDuplicatedGeometrical(pair.Record()); }, {-5, -5, -5}},
        {"border points, fresh", on(&testing::Unlisted<points::CountBorder>, g, 0), {-5}, false},
        {"border points, marks", on(&testing::Unlisted<points::CountBorder>, g, 2), {-6}},
        {"minimal point degree, fresh", on(&testing::Unlisted<points::MinimalDegree>, g, 0), {-1}, false},
        {"flipped, fresh", on(&triangles::CountFlippedTopological, g, 0), {-5}, false},
        {"singular, fresh", on(&triangles::CountSingular, g, 0), {-5}, false},
        {"border triangles, mask", on(&triangles::CountBorder, g, 4), {-5}},
        {"border vertices, mask", [&] {
             uint8_t* mask = nullptr;
             const int32_t code = triangles::BorderVertices(g, *prepared(g, 4), mask);
             const int64_t held = mask == nullptr ? 0 : 1;
             Free(mask);
             return code * 10 + held;
         }, {-60}},
        {"edges, marks", on(&CountEdges, r, 16), {-6}},
        {"singular edges, per-edge lists", on(&testing::Unlisted<CountSingularEdges>, r, 1), {-2}, false},
        {"minimal edge degree, per-edge lists", on(&testing::Unlisted<MinimalEdgeDegree>, r, 1), {-2}, false},
        {"maximal edge degree, per-edge lists", on(&testing::Unlisted<MaximalEdgeDegree>, r, 1), {-2}, false},
        // A count by indices allocates its sorted keys only; by coordinates
        // also the point ranks and the array that sorts them.
        {"edge duplicates", on(&CountDuplicatedTopologicalEdges, r, 1), {-8}},
        {"edge classes", on(&CountClassesOfDuplicatedTopologicalEdges, r, 1), {-8}},
        {"geometric edge duplicates", on(&CountDuplicatedGeometricalEdges, r, 1), {-8, -8, -8}},
        {"geometric edge classes", on(&CountClassesOfDuplicatedGeometricalEdges, r, 1), {-8, -8, -8}},
        {"components", on(&ComputeComponents, b, 10), {-6, -6}},
        // By points: the joined sets. On the plain path: the walk's visited
        // bytes and queue, then the four allocations of the edge neighbour lists.
        {"borders", on(&ComputeBorders, b, 10), {-6, -6, -6}},
        {"borders, plain", on(&ComputeBorders, b, 42), {-5, -5, -6, -6, -6, -6}},
        {"consistent", [&] { return IsConsistentlyOriented(r); }, {0, 0}},
        {"volume", [&] { return ComputeVolume(r) == kVolumeNotComputed ? 1 : 0; }, {1}},
        {"point-edge lists", incidence(&BuildPointEdgeLists, {{0, 1}}, 2), {-20, -30}},
        {"edge neighbour lists", incidence(&BuildEdgeNeighbourLists, {{0, 1}, {1, 2}}, 3),
         {-10, -10, -20, -30}},
    };
    for (const Site& site : sites) {
        SCOPED_TRACE(site.name);
        // Exactly as many allocations as codes: each one fails in turn, and
        // with none failing the call succeeds.
        memory_testing::ResetAllocationCounter();
        const int64_t clean = site.call();
        EXPECT_GE(clean, 0);
        for (uint64_t k = 1; k <= site.codes.size(); ++k) {
            EXPECT_EQ(Failing(k, site.call, site.exact ? 1 : 1000), site.codes[k - 1]) << "allocation " << k;
        }
        if (site.exact) {
            EXPECT_EQ(Failing(site.codes.size() + 1, site.call), clean);
        }
    }
}

// The intersected count: memory failing from some allocation on gives -1
// inside the tree's build and -2 in the walk after it, never a count.
TEST(FailureCodes, IntersectedTreeThenWalk)
{
    TestMesh soup = testing::RandomSoup(60, 4.0, 9);
    std::vector<int64_t> codes;
    for (uint64_t k = 1; k < 1000; ++k) {
        const int64_t got =
            Failing(k, [&] { return static_cast<int64_t>(triangles::CountIntersected(soup.Record())); }, 1000);
        if (got >= 0) {
            break;
        }
        codes.push_back(got);
    }
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front(), -1);
    EXPECT_EQ(codes.back(), -2);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end(), std::greater<>()));
}

}  // namespace
}  // namespace meshaudit
