// Every quantity and its list on small random meshes (coincident points,
// both zeros, NaN and infinities, degenerate, repeated and reversed
// triangles, books and fans on one side, flipped faces, corners out of
// range) against plain definitions: each list as long as its count, holding
// exactly the elements a definition picks, cut but still counted under a
// cap, and the blocks those of analyse().
#include "analysis/LocationList.h"
#include "analysis/MeshBuilders.h"
#include "analysis/RandomMesh.h"
#include "analysis/mesh/EdgeWalk.h"
#include "analysis/mesh/GraphWalk.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"
#include "geometry/PntAabbTree.h"
#include "geometry/TriangleIntersection.h"
#include "meshaudit.hpp"
#include "model/BruteTopology.h"
#include "support/AllSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace meshaudit {
namespace {

using Entries = std::vector<std::vector<uint32_t>>;

Entries PointEdgeEntries(const ElementSpan& s)
{
    Entries out;
    for (uint64_t i = 0; i < s.stored; ++i) {
        out.emplace_back(s.entry(i), s.entry(i) + s.arity);
    }
    return out;
}

// The duplicate lists by plain comparison of every two items: a member is
// an item equal to another, its class the first such item (or, with
// `positions`, that item's position among the members); one entry per class.
void PointEdgeClassLists(size_t n, const std::function<bool(size_t, size_t)>& same,
                         const std::function<Entries::value_type(size_t)>& item, bool positions, Entries& members,
                         Entries& classes)
{
    std::vector<uint32_t> position(n);
    for (size_t i = 0; i < n; ++i) {
        size_t j = 0;
        while (j < n && (j == i || !same(i, j))) ++j;
        if (j == n) continue;
        const size_t first = std::min(i, j);
        if (first == i) {
            position[i] = static_cast<uint32_t>(members.size());
            classes.push_back(item(i));
        }
        members.push_back(item(i));
        members.back().push_back(positions ? position[first] : static_cast<uint32_t>(first));
    }
}

// A quantity of a category's list in meshaudit.h as the checks below read
// it: its index, the offset of its value, whether that value is the length
// of its list (a count) or a double, and whether it has a list at all.
struct Listed {
    int k;
    size_t offset;
    bool count, real, listed;
};

#define LOCATE_TEST_LISTED(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    Listed{k, offsetof(Results, name), std::string_view(#name).starts_with("Count"),                   \
           std::string_view(#SLOT) == "REAL", std::string_view(#where) != "NONE"},

// The quantities of points (0), edges (1) or triangles (2).
std::vector<Listed> ListedOf(int category)
{
    if (category == 0) {
        using Results = PointResults;
        return {MESHAUDIT_POINT_QUANTITIES(LOCATE_TEST_LISTED)};
    }
    if (category == 1) {
        using Results = EdgeResults;
        return {MESHAUDIT_EDGE_QUANTITIES(LOCATE_TEST_LISTED)};
    }
    using Results = TriangleResults;
    return {MESHAUDIT_TRIANGLE_QUANTITIES(LOCATE_TEST_LISTED)};
}

using testing::Has;
using testing::Lists;
using testing::TestMesh;

// Whether some directed side (t[i], t[i+1]) of t is run reversed by u.
bool RunsASideReversed(const TRIANGLE& t, const TRIANGLE& u)
{
    const uint32_t tc[3] = {t.a, t.b, t.c}, uc[3] = {u.a, u.b, u.c};
    bool found = false;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            found = found || (tc[i] == uc[(j + 1) % 3] && tc[(i + 1) % 3] == uc[j]);
        }
    }
    return found;
}

// IsOrientable's walk on a real copy: breadth-first over the neighbour rows,
// seeds in index order, swapping the first two corners of each triangle
// first reached from one it does not run a common side opposite to.
void OrientCopy(std::vector<TRIANGLE>& tris, const Lists& neighbours)
{
    std::vector<bool> seen(tris.size(), false);
    for (uint32_t seed = 0; seed < tris.size(); ++seed) {
        std::vector<uint32_t> queue;
        if (!seen[seed]) {
            seen[seed] = true;
            queue.push_back(seed);
        }
        for (size_t head = 0; head < queue.size(); ++head) {
            for (uint32_t u : neighbours[queue[head]]) {
                if (!seen[u]) {
                    if (!RunsASideReversed(tris[queue[head]], tris[u])) {
                        std::swap(tris[u].a, tris[u].b);
                    }
                    seen[u] = true;
                    queue.push_back(u);
                }
            }
        }
    }
}

// IsConsistentlyOriented by its definition: for each side (a, b) of t whose
// first point exists, every other triangle with both ends runs a side of t
// reversed.
bool ConsistentByAllPairs(const std::vector<TRIANGLE>& tris, uint32_t pointCount)
{
    for (size_t t = 0; t < tris.size(); ++t) {
        const uint32_t c[3] = {tris[t].a, tris[t].b, tris[t].c};
        for (int i = 0; i < 3; ++i) {
            for (size_t u = 0; u < tris.size() && c[i] < pointCount; ++u) {
                if (u != t && Has(tris[u], c[i]) && Has(tris[u], c[(i + 1) % 3]) &&
                    !RunsASideReversed(tris[t], tris[u])) {
                    return false;
                }
            }
        }
    }
    return true;
}

template <typename K, typename Fill>
std::pair<int32_t, int32_t> TreeSums(uint32_t n, Fill fill)
{
    DuplicateSums sums;
    EXPECT_EQ(CountDuplicatesInTree<K>(n, fill, DuplicateCodes{-100, -101, -102, -103}, sums), 0);
    return {static_cast<int32_t>(sums.members), static_cast<int32_t>(sums.classes)};
}

// The library's three-compare order: with NaN, another sort may order the
// corners differently, and the tree's classes depend on that order.
template <typename T>
void SortThree(T& a, T& b, T& c)
{
    if (b < a) std::swap(a, b);
    if (c < b) std::swap(b, c);
    if (b < a) std::swap(a, b);
}

// One ball query per point on the point tree: the plain way for clouds with
// NaN and infinities, where the all-pairs distances are not the tree's.
int32_t OneQueryPerPoint(const MeshRecord& r, double epsilon)
{
    C3DPntAABBTree tree;
    if (tree.Build(r) != 1) {
        return -3;
    }
    T3DSPHERE ball{T3DVECF{0.0, 0.0, 0.0}, epsilon};
    int32_t count = 0;
    for (uint32_t i = 0; i < r.pointCount; ++i) {
        ball.centre = r.points[i];
        uint32_t inside = 0;
        tree.CountInBall(ball, inside);
        count += inside > 1 ? 1 : 0;
    }
    return count;
}

// How often each answer came up, so that the comparisons mean something.
struct Stats {
    int oriented = 0, orientable = 0, repeats = 0, several = 0, bordered = 0, pairs = 0, sameWay = 0;
};

// The triangle and mesh quantities against plain definitions: the counts
// over the arrays, the volume and area, the codes when a corner is out of
// range, and otherwise the topology's values; with them the triangle lists,
// the oriented edges, the components, the borders and the intersecting pairs
// that locate() gave in `w` (every quantity enabled).
void MeshCheck(TestMesh& m, const Locations& w, Stats& stats)
{
    const MeshRecord r = m.Record();
    const std::vector<TRIANGLE>& tris = m.triangles;
    const std::vector<TRIANGLE> before = tris;
    const auto n = static_cast<uint32_t>(m.points.size());
    const auto count = static_cast<uint32_t>(tris.size());
    const TriangleResults& tr = w.triangles;
    const auto inRange = [&](const TRIANGLE& t) { return t.a < n && t.b < n && t.c < n; };
    const auto repeats = [](const TRIANGLE& t) { return t.a == t.b || t.a == t.c || t.b == t.c; };
    const bool topology = std::all_of(tris.begin(), tris.end(), inRange);

    // Counts over the arrays alone.
    int32_t nan = 0, inf = 0, isolated = 0;
    for (uint32_t p = 0; p < n; ++p) {
        const T3DVECF& q = m.points[p];
        nan += std::isnan(q.x) || std::isnan(q.y) || std::isnan(q.z) ? 1 : 0;
        inf += std::isinf(q.x) || std::isinf(q.y) || std::isinf(q.z) ? 1 : 0;
        isolated += std::any_of(tris.begin(), tris.end(), [p](const TRIANGLE& t) { return Has(t, p); }) ? 0 : 1;
    }
    EXPECT_EQ(points::CountNAN(r), nan);
    EXPECT_EQ(points::CountINF(r), inf);
    EXPECT_EQ(points::CountIsolated(r), isolated);
    const bool special = nan + inf > 0;

    // Intersecting pairs: every pair of proper triangles in range that share
    // no index, whose boxes meet and that meet (with NaN and infinities, no
    // plain test's); the intersected triangles are their members.
    std::set<std::vector<uint32_t>> pairs;
    std::set<uint32_t> crossed;
    for (uint32_t i = 0; i < count && !special; ++i) {
        for (uint32_t j = i + 1; j < count; ++j) {
            const TRIANGLE &s = tris[i], &t = tris[j];
            if (!inRange(s) || !inRange(t) || repeats(s) || repeats(t) || Has(t, s.a) || Has(t, s.b) || Has(t, s.c)) {
                continue;
            }
            const T3DVECF a[3] = {m.points[s.a], m.points[s.b], m.points[s.c]};
            const T3DVECF b[3] = {m.points[t.a], m.points[t.b], m.points[t.c]};
            bool apart = false;  // pairs whose boxes are apart are never tested
            for (double T3DVECF::*axis : {&T3DVECF::x, &T3DVECF::y, &T3DVECF::z}) {
                const auto [lowA, highA] = std::minmax({a[0].*axis, a[1].*axis, a[2].*axis});
                const auto [lowB, highB] = std::minmax({b[0].*axis, b[1].*axis, b[2].*axis});
                apart = apart || lowB > highA || lowA > highB;
            }
            if (!apart && TriTriIntersect(a, b) == '1') {
                pairs.insert({i, j});
                crossed.insert(i);
                crossed.insert(j);
            }
        }
    }
    std::map<TriangleQuantity, Entries> want;
    const auto same = [&](uint32_t i, uint32_t j) { return m.points[i] == m.points[j]; };
    for (uint32_t t = 0; t < count; ++t) {
        const TRIANGLE& c = tris[t];
        const bool coincide = inRange(c) && (same(c.a, c.b) || same(c.a, c.c) || same(c.b, c.c));
        for (const auto& [k, listed] : {std::pair{TRI_CountInvalidTopological, repeats(c)},
                                        std::pair{TRI_CountInvalidGeometrical, coincide},
                                        std::pair{TRI_CountIntersected, crossed.count(t) != 0}}) {
            if (listed) {
                want[k].push_back({t});
            }
        }
    }
    const auto invalidTopological = static_cast<int32_t>(want[TRI_CountInvalidTopological].size());
    EXPECT_EQ(triangles::CountInvalidTopological(r), invalidTopological);
    EXPECT_EQ(triangles::CountInvalidGeometrical(r), static_cast<int32_t>(want[TRI_CountInvalidGeometrical].size()));
    // Listed by the count's search, and by the flag's own without the count:
    // each pair once, in any order.
    testing::AllSettings s(true);
    s.t.Enable[TRI_CountIntersected] = 0;
    Locations alone;
    EXPECT_EQ(locate(r, s.p, s.e, s.t, s.m, LocateRequest{}, alone), 1);
    for (const Locations* where : {&w, &std::as_const(alone)}) {
        if (!special) {
            Entries listed = PointEdgeEntries(where->of(MSH_Selfintersection));
            std::sort(listed.begin(), listed.end());
            EXPECT_EQ(listed, Entries(pairs.begin(), pairs.end()));
            EXPECT_EQ(where->mesh.Selfintersection, pairs.empty() ? 0 : 1);
        }
    }
    stats.pairs += pairs.empty() ? 0 : 1;

    // Without NaN the duplicate counts are compared with the lengths of their
    // lists above. With NaN no strict order exists: the counts are the plain
    // tree's over the full keys.
    if (nan > 0) {
        EXPECT_EQ(std::make_pair(points::CountDuplicatedGeometrical(r), points::CountClassesOfDuplicatedGeometrical(r)),
                  TreeSums<T3DVECF>(n, [&](uint32_t i, T3DVECF& key) {
                      key = m.points[i];
                      return true;
                  }));
        EXPECT_EQ(std::make_pair(triangles::CountDuplicatedGeometrical(r),
                                 triangles::CountClassesOfDuplicatedGeometrical(r)),
                  TreeSums<T3DTRGL>(count, [&](uint32_t t, T3DTRGL& key) {
                      if (!inRange(tris[t])) {
                          return false;
                      }
                      key = T3DTRGL{{m.points[tris[t].a], m.points[tris[t].b], m.points[tris[t].c]}};
                      SortThree(key.corner[0], key.corner[1], key.corner[2]);
                      return true;
                  }));
    }

    // Volume and area: the triple products summed from the smallest magnitude
    // up (ties in triangle order), the areas in triangle order.
    std::vector<double> terms;
    double area = 0.0;
    for (const TRIANGLE& t : tris) {
        if (!inRange(t)) {
            continue;
        }
        const T3DVECF &p0 = m.points[t.a], &p1 = m.points[t.b], &p2 = m.points[t.c];
        terms.push_back((p0.y * p1.z - p0.z * p1.y) * p2.x + (p0.z * p1.x - p0.x * p1.z) * p2.y +
                        (p0.x * p1.y - p0.y * p1.x) * p2.z);
        const double ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
        const double bx = p2.x - p0.x, by = p2.y - p0.y, bz = p2.z - p0.z;
        const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
        area += 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
    }
    const double volume = ComputeVolume(r);
    if (std::any_of(terms.begin(), terms.end(), [](double v) { return std::isnan(v); })) {
        EXPECT_TRUE(std::isnan(volume));
    } else {
        std::stable_sort(terms.begin(), terms.end(),
                         [](double a, double b) { return std::fabs(a) < std::fabs(b); });
        double sum = 0.0;
        for (double v : terms) {
            sum += v;
        }
        EXPECT_TRUE(volume == sum / 6.0 || (std::isnan(volume) && std::isnan(sum))) << volume;
    }
    const double gotArea = ComputeArea(r);
    EXPECT_TRUE(gotArea == area || (std::isnan(area) && std::isnan(gotArea))) << gotArea;

    // Over the topology, each on a fresh one.
    const auto fresh = [&](auto op) {
        MeshTopology topology;
        topology.Attach(r);
        return op(topology);
    };
    const auto oriented = fresh([&](MeshTopology& t) { return IsOriented(r, t); });
    const auto orientable = fresh([&](MeshTopology& t) { return IsOrientable(r, t); });
    const auto components = fresh([&](MeshTopology& t) { return ComputeComponents(r, t); });
    const auto borders = fresh([&](MeshTopology& t) { return ComputeBorders(r, t); });
    const auto handles = fresh([&](MeshTopology& t) { return ComputeHandles(r, t); });
    const bool consistent = ConsistentByAllPairs(tris, n);
    EXPECT_EQ(IsConsistentlyOriented(r), consistent);
    if (!topology) {
        // No neighbour lists: nothing can be flipped.
        EXPECT_FALSE(oriented);
        EXPECT_EQ(orientable, consistent);
        EXPECT_EQ(components, -5);
        EXPECT_EQ(borders, -5);
        EXPECT_EQ(handles, -5);
        MeshTopology shared;
        shared.Attach(r);
        EXPECT_EQ(points::CountBorder(r, shared), -5);
        EXPECT_EQ(points::MinimalDegree(r, shared), -1);
        EXPECT_EQ(points::MaximalDegree(r, shared), -1);
        using Counter = int32_t (*)(const MeshRecord&, MeshTopology&);
        for (Counter c : {&triangles::CountBorder, &triangles::CountIsolated, &triangles::CountSingular,
                          &triangles::MinimalDegree, &triangles::MaximalDegree,
                          &triangles::CountFlippedTopological}) {
            EXPECT_EQ(c(r, shared), -5);
        }
        EXPECT_EQ(testing::EdgeQuantities(r), testing::EdgeCodes(-5));
    } else {
        const testing::BruteTopology brute(tris, n);
        // Orientation: the walk against a real reoriented copy; IsOriented
        // with and without prebuilt neighbour lists.
        EXPECT_EQ(oriented, consistent);
        EXPECT_EQ(fresh([&](MeshTopology& t) {
                      t.TriangleNeighbours();
                      return IsOriented(r, t);
                  }),
                  consistent);
        std::vector<TRIANGLE> copy = tris;
        OrientCopy(copy, brute.triangleNeighbours);
        const bool expectedOrientable = ConsistentByAllPairs(copy, n);
        EXPECT_EQ(orientable, expectedOrientable);
        stats.oriented += consistent ? 1 : 0;
        stats.orientable += expectedOrientable ? 1 : 0;
        EXPECT_EQ(std::memcmp(before.data(), tris.data(), count * sizeof(TRIANGLE)), 0);  // never flipped

        std::set<uint32_t> borderPoints;
        std::vector<uint32_t> degree;
        for (const auto& [p, q] : brute.borderEdges) {
            borderPoints.insert({p, q});
        }
        for (const auto& row : brute.triangleNeighbours) {
            degree.push_back(static_cast<uint32_t>(row.size()));
        }
        const uint32_t low = *std::min_element(degree.begin(), degree.end());
        const uint32_t high = *std::max_element(degree.begin(), degree.end());
        std::set<std::vector<uint32_t>> sameWay;
        for (uint32_t t = 0; t < count; ++t) {
            const TRIANGLE& tri = tris[t];
            const uint32_t c[3] = {tri.a, tri.b, tri.c};
            bool flipped = false;
            for (uint32_t u : brute.triangleNeighbours[t]) {
                const uint32_t d[3] = {tris[u].a, tris[u].b, tris[u].c};
                bool opposite = false;
                for (int i = 0; i < 9; ++i) {
                    opposite = opposite || (c[i / 3] == d[(i % 3 + 1) % 3] && c[(i / 3 + 1) % 3] == d[i % 3]);
                    flipped = flipped || (c[i / 3] == d[i % 3] && c[(i / 3 + 1) % 3] == d[(i % 3 + 1) % 3]);
                }
                for (int s = 0; s < 3 && !opposite; ++s) {
                    if (Has(tris[u], c[s]) && Has(tris[u], c[(s + 1) % 3])) {
                        sameWay.insert({std::min(c[s], c[(s + 1) % 3]), std::max(c[s], c[(s + 1) % 3])});
                    }
                }
            }
            const bool border = borderPoints.count(tri.a) + borderPoints.count(tri.b) + borderPoints.count(tri.c) != 0;
            for (const auto& [k, listed] : {std::pair{TRI_CountBorder, border}, std::pair{TRI_CountIsolated, degree[t] == 0},
                                            std::pair{TRI_CountSingular, degree[t] > 3}, std::pair{TRI_MinimalDegree, degree[t] == low},
                                            std::pair{TRI_MaximalDegree, degree[t] == high},
                                            std::pair{TRI_CountFlippedTopological, flipped}}) {
                if (listed) {
                    want[k].push_back({t});
                }
            }
        }
        EXPECT_EQ(PointEdgeEntries(w.of(MSH_Oriented)), Entries(sameWay.begin(), sameWay.end()));
        EXPECT_EQ(w.mesh.Oriented, sameWay.empty() ? 1 : 0);
        EXPECT_EQ(tr.MinimalDegree, low);
        EXPECT_EQ(tr.MaximalDegree, high);
        stats.sameWay += sameWay.empty() ? 0 : 1;

        // Components: seeds in order, each taking what it reaches through
        // triangles no earlier seed took.
        Entries component(count);
        int32_t groups = 0;
        const auto take = [&](auto& self, uint32_t t) -> void {
            component[t] = {static_cast<uint32_t>(groups)};
            for (uint32_t u : brute.triangleNeighbours[t]) {
                if (component[u].empty()) {
                    self(self, u);
                }
            }
        };
        for (uint32_t seed = 0; seed < count; ++seed) {
            if (component[seed].empty()) {
                take(take, seed);
                ++groups;
            }
        }
        EXPECT_EQ(PointEdgeEntries(w.of(MSH_CountComponents)), component);
        EXPECT_EQ(w.mesh.CountComponents, static_cast<uint32_t>(groups));
        EXPECT_EQ(components, groups);

        // Borders: the border edges joined through shared points, numbered
        // by their first edge; a border's entries are walks that run each of
        // its edges once, a walk ending only where no edge is left.
        std::vector<uint32_t> root(n);
        std::iota(root.begin(), root.end(), 0u);
        const auto find = [&](uint32_t p) {
            while (root[p] != p) {
                p = root[p];
            }
            return p;
        };
        for (const auto& [p, q] : brute.borderEdges) {
            root[find(p)] = find(q);
        }
        std::map<uint32_t, uint32_t> number;
        std::vector<std::multiset<std::pair<uint32_t, uint32_t>>> unrun;
        for (const auto& [p, q] : brute.borderEdges) {
            const auto [at, added] = number.emplace(find(p), static_cast<uint32_t>(unrun.size()));
            if (added) {
                unrun.emplace_back();
            }
            unrun[at->second].insert(std::minmax(p, q));
        }
        const auto borderGroups = static_cast<int32_t>(unrun.size());
        EXPECT_EQ(w.mesh.CountBorders, unrun.size());
        EXPECT_EQ(borders, borderGroups);
        const Entries loops = PointEdgeEntries(w.of(MSH_CountBorders));
        for (size_t i = 0; i < loops.size(); ++i) {
            const uint32_t g = loops[i][0], p = loops[i][1];
            ASSERT_LT(g, unrun.size());
            if (i > 0 && loops[i - 1][0] == g) {
                const uint32_t before = loops[i - 1][1];
                const auto edge = unrun[g].find(std::minmax(before, p));
                if (edge != unrun[g].end()) {
                    unrun[g].erase(edge);
                    continue;
                }
                for (const auto& e : unrun[g]) {
                    EXPECT_TRUE(e.first != before && e.second != before) << i;
                }
            } else {
                EXPECT_EQ(g, i == 0 ? 0 : loops[i - 1][0] + 1);
            }
            EXPECT_TRUE(std::any_of(unrun[g].begin(), unrun[g].end(),
                                    [&](const auto& e) { return e.first == p || e.second == p; })) << i;
        }
        for (const auto& left : unrun) {
            EXPECT_TRUE(left.empty());
        }

        // Handles by the Euler relation, over the edges but the (v, v) of
        // repeated corners.
        const auto edges =
            std::count_if(brute.edges.begin(), brute.edges.end(), [](const auto& e) { return e.first != e.second; });
        const int64_t euler = int64_t{n} - isolated - edges + borderGroups + count - invalidTopological;
        EXPECT_EQ(handles, static_cast<int32_t>(groups - euler / 2));
        EXPECT_EQ(fresh([&](MeshTopology& t) { return CountEdges(r, t); }), static_cast<int32_t>(edges));
        stats.repeats += invalidTopological > 0 ? 1 : 0;
        stats.several += groups > 1 ? 1 : 0;
        stats.bordered += borderGroups > 1 ? 1 : 0;
    }
    // Each triangle list with its count (the duplicates are compared in the
    // point and edge test).
    for (const Listed& q : ListedOf(2)) {
        if (!q.listed || (q.k >= TRI_CountDuplicatedTopological && q.k <= TRI_CountClassesOfDuplicatedGeometrical) ||
            (special && q.k == TRI_CountIntersected)) {
            continue;
        }
        SCOPED_TRACE("triangle quantity " + std::to_string(q.k));
        const auto k = static_cast<TriangleQuantity>(q.k);
        int32_t value = 0;
        std::memcpy(&value, reinterpret_cast<const uint8_t*>(&tr) + q.offset, 4);
        if (value < 0) {
            EXPECT_FALSE(topology);  // the topology refuses an index out of range
            continue;
        }
        EXPECT_TRUE(!q.count || w.of(k).total == static_cast<uint64_t>(value));
        EXPECT_EQ(PointEdgeEntries(w.of(k)), want[k]);
    }
}

TEST(RandomMeshes, EveryQuantityAndListMatchesItsDefinition)
{
    std::mt19937 random(7013);
    Stats stats;
    const int rounds = 2400;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TestMesh m = testing::RandomMesh(random, round);
        // Unused points on top, for point runs long enough to be sorted out of index order.
        for (uint32_t i = 0, extra = round % 4 == 1 ? 60 + random() % 60 : 0; i < extra; ++i) {
            m.AddPoint(double(random() % 3), -0.0, double(random() % 2));
        }
        const MeshRecord r = m.Record();
        const std::vector<T3DVECF>& P = m.points;
        const auto n = static_cast<uint32_t>(P.size());
        testing::AllSettings s(true);
        s.e.Length = DoubleRange{0.6, 1.2};  // lengths of the coarse coordinates fall on both sides
        // Tolerances of every kind: zero, negative, one unit in the last place
        // below a distance, squares that vanish or overflow, NaN.
        const double tolerances[] = {0.0, 0.5, -0.5, std::nextafter(0.5, 0.0), 1e-300, 3.0, 1e300, HUGE_VAL, NAN};
        s.p.Epsilon = tolerances[random() % 9];
        Locations where;
        ASSERT_EQ(locate(r, s.p, s.e, s.t, s.m, LocateRequest{}, where), 1);
        bool nan = false, special = false;
        for (const T3DVECF& p : P) {
            nan = nan || HasNaN(p);
            special = special || !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z);
        }
        const bool inRange = std::all_of(m.triangles.begin(), m.triangles.end(),
                                         [n](const TRIANGLE& t) { return t.a < n && t.b < n && t.c < n; });
        // Brute-force topology only makes sense with every corner in range.
        const testing::BruteTopology brute(inRange ? m.triangles : std::vector<TRIANGLE>{}, inRange ? n : 0);
        Entries want[3][16]; // by category (points, edges, triangles) and quantity
        bool known[3][16] = {};
        const auto put = [&](int c, int k, Entries e) { want[c][k] = std::move(e), known[c][k] = true; };

        // Points.
        Entries border, degreeMin, degreeMax, close;
        std::vector<uint8_t> onBorder(n);
        for (const auto& [p, q] : brute.borderEdges) onBorder[p] = onBorder[q] = 1;
        size_t low = SIZE_MAX, high = 0;
        for (const auto& set : brute.neighbourSets) low = std::min(low, set.size()), high = std::max(high, set.size());
        for (uint32_t i = 0; i < n; ++i) {
            if (onBorder[i]) border.push_back({i});
            if (inRange && brute.neighbourSets[i].size() == low) degreeMin.push_back({i});
            if (inRange && brute.neighbourSets[i].size() == high) degreeMax.push_back({i});
            const double e = s.p.Epsilon;
            for (uint32_t j = 0; j < n; ++j) {
                const double dx = P[i].x - P[j].x, dy = P[i].y - P[j].y, dz = P[i].z - P[j].z;
                if (j != i && !(dx * dx + dy * dy + dz * dz > e * e)) {
                    close.push_back({i});
                    break;
                }
            }
        }
        put(0, PNT_CountBorder, border), put(0, PNT_MinimalDegree, degreeMin), put(0, PNT_MaximalDegree, degreeMax);
        if (!special) {
            put(0, PNT_CountClassesOfEpsilonDuplicatedGeometrical, close);
            // The count alone, without a list to fill, agrees.
            EXPECT_EQ(points::CountEpsilonDuplicates(r, &s.p.Epsilon), static_cast<int32_t>(close.size()));
        } else {
            EXPECT_EQ(points::CountEpsilonDuplicates(r, &s.p.Epsilon), OneQueryPerPoint(r, s.p.Epsilon));
        }
        Entries members, classes;
        PointEdgeClassLists(
            n, [&](size_t i, size_t j) { return P[i] == P[j]; },
            [](size_t i) { return Entries::value_type{static_cast<uint32_t>(i)}; }, false, members, classes);
        if (!nan)
            put(0, PNT_CountDuplicatedGeometrical, members), put(0, PNT_CountClassesOfDuplicatedGeometrical, classes);

        // Edges, in the order of the edge list.
        const auto& E = brute.edges;
        const auto edge = [&](size_t e) { return Entries::value_type{E[e].first, E[e].second}; };
        const auto length = [&](size_t e) {
            const T3DVECF &p = P[E[e].first], &q = P[E[e].second];
            const double dx = q.x - p.x, dy = q.y - p.y, dz = q.z - p.z;
            return std::sqrt(dx * dx + dy * dy + dz * dz);
        };
        Entries sides, singular, loops, flat, degree[2], shorter, longer, extreme[2];
        for (const auto& [p, q] : brute.borderEdges) sides.push_back({std::min(p, q), std::max(p, q)});
        uint32_t fewest = UINT32_MAX, most = 0;
        double shortest = DBL_MAX, longest = 0.0;
        for (size_t e = 0; e < E.size(); ++e) {
            const auto d = static_cast<uint32_t>(brute.edgeTriangles[e].size());
            fewest = std::min(fewest, d), most = std::max(most, d);
            shortest = length(e) < shortest ? length(e) : shortest;
            longest = length(e) > longest ? length(e) : longest;
        }
        for (size_t e = 0; e < E.size(); ++e) {
            const size_t d = brute.edgeTriangles[e].size();
            if (d > 2) singular.push_back(edge(e));
            if (E[e].first == E[e].second) loops.push_back(edge(e));
            if (P[E[e].first] == P[E[e].second]) flat.push_back(edge(e));
            if (d == fewest) degree[0].push_back(edge(e));
            if (d == most) degree[1].push_back(edge(e));
            if (length(e) < s.e.Length.min) shorter.push_back(edge(e));
            if (length(e) > s.e.Length.max) longer.push_back(edge(e));
            if (length(e) == shortest) extreme[0].push_back(edge(e));
            if (length(e) == longest) extreme[1].push_back(edge(e));
        }
        put(1, EDG_CountBorder, sides), put(1, EDG_CountSingular, singular), put(1, EDG_CountInvalidTopological, loops);
        put(1, EDG_CountInvalidGeometrical, flat), put(1, EDG_MinimalDegree, degree[0]),
            put(1, EDG_MaximalDegree, degree[1]);
        put(1, EDG_CountSmallerLength, shorter), put(1, EDG_CountGreaterLength, longer);
        put(1, EDG_MinimalLength, extreme[0]), put(1, EDG_MaximalLength, extreme[1]);
        put(1, EDG_CountDuplicatedTopological, {}), put(1, EDG_CountClassesOfDuplicatedTopological, {});
        Entries edgeMembers, edgeClasses;
        PointEdgeClassLists(
            E.size(),
            [&](size_t i, size_t j) {
                const T3DVECF &a = P[E[i].first], &b = P[E[i].second];
                const T3DVECF &c = P[E[j].first], &d = P[E[j].second];
                return (a == c && b == d) || (a == d && b == c);
            },
            edge, true, edgeMembers, edgeClasses);
        if (!nan)
            put(1, EDG_CountDuplicatedGeometrical, edgeMembers),
                put(1, EDG_CountClassesOfDuplicatedGeometrical, edgeClasses);

        // Triangles: sorted corner indices, or sorted corner points.
        const auto& T = m.triangles;
        const auto sorted = [&](size_t t) {
            std::vector<uint32_t> c = testing::Corners(T[t]);
            std::sort(c.begin(), c.end());
            return c;
        };
        const auto corners = [&](size_t t) {
            std::vector<T3DVECF> c{P[T[t].a], P[T[t].b], P[T[t].c]};
            std::sort(c.begin(), c.end(), [](const T3DVECF& x, const T3DVECF& y) { return x < y; });
            return c;
        };
        const auto one = [](size_t t) { return Entries::value_type{static_cast<uint32_t>(t)}; };
        Entries tri[4];
        PointEdgeClassLists(
            T.size(), [&](size_t i, size_t j) { return sorted(i) == sorted(j); }, one, false, tri[0], tri[1]);
        const auto usable = [&](size_t t) { return T[t].a < n && T[t].b < n && T[t].c < n; };
        PointEdgeClassLists(
            T.size(),
            [&](size_t i, size_t j) {
                if (!usable(i) || !usable(j)) return false;
                const auto a = corners(i), b = corners(j);
                return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
            },
            one, false, tri[2], tri[3]);
        put(2, TRI_CountDuplicatedTopological, tri[0]), put(2, TRI_CountClassesOfDuplicatedTopological, tri[1]);
        if (!nan)
            put(2, TRI_CountDuplicatedGeometrical, tri[2]), put(2, TRI_CountClassesOfDuplicatedGeometrical, tri[3]);
        // The counts alone, which take their own path, give the lengths of the
        // lists (with NaN, MeshCheck compares them with the tree's).
        const auto sizeOf = [](const Entries& e) { return static_cast<int32_t>(e.size()); };
        EXPECT_EQ(triangles::CountDuplicatedTopological(r), sizeOf(tri[0]));
        EXPECT_EQ(triangles::CountClassesOfDuplicatedTopological(r), sizeOf(tri[1]));
        if (!nan) {
            EXPECT_EQ(points::CountDuplicatedGeometrical(r), sizeOf(members));
            EXPECT_EQ(points::CountClassesOfDuplicatedGeometrical(r), sizeOf(classes));
            EXPECT_EQ(triangles::CountDuplicatedGeometrical(r), sizeOf(tri[2]));
            EXPECT_EQ(triangles::CountClassesOfDuplicatedGeometrical(r), sizeOf(tri[3]));
        }

        // Each list against its count (a failed count leaves its list
        // unspecified) and against its definition.
        const auto check = [&](int c, int k, const ElementSpan& span, const uint8_t* block, size_t offset, bool count,
                               bool real) {
            SCOPED_TRACE("category " + std::to_string(c) + " quantity " + std::to_string(k));
            double value = 0;
            int32_t code = 0;
            real ? (void)std::memcpy(&value, block + offset, 8) : (void)std::memcpy(&code, block + offset, 4);
            if (code < 0 || value < 0) return;
            EXPECT_TRUE(span.located);
            EXPECT_EQ(span.stored, span.total);
            if (count) {
                EXPECT_EQ(span.total, static_cast<uint64_t>(code));
            }
            if (known[c][k]) {
                EXPECT_EQ(PointEdgeEntries(span), want[c][k]);
            }
            // A class is never named by a later element than its member.
            for (const auto& e : PointEdgeEntries(span)) {
                EXPECT_TRUE(span.arity != 2 || c == 1 || e[1] <= e[0]);
            }
        };
        // Every quantity with a list; the triangle lists are compared with
        // their definitions in MeshCheck.
        const uint8_t* blocks[3] = {reinterpret_cast<const uint8_t*>(&where.points),
                                    reinterpret_cast<const uint8_t*>(&where.edges),
                                    reinterpret_cast<const uint8_t*>(&where.triangles)};
        for (int c = 0; c < 3; ++c) {
            for (const Listed& q : ListedOf(c)) {
                if (q.listed) {
                    const ElementSpan span = c == 0   ? where.of(static_cast<PointQuantity>(q.k))
                                             : c == 1 ? where.of(static_cast<EdgeQuantity>(q.k))
                                                      : where.of(static_cast<TriangleQuantity>(q.k));
                    check(c, q.k, span, blocks[c], q.offset, q.count, q.real);
                }
            }
        }
        // The degree extremes, whose lists name the elements that reach them.
        if (inRange) {
            EXPECT_EQ(static_cast<int32_t>(where.points.MinimalDegree), static_cast<int32_t>(low));
            EXPECT_EQ(where.points.MaximalDegree, high);
            EXPECT_EQ(where.edges.MinimalDegree, E.empty() ? 0xFFFFFFFFu : fewest);
            EXPECT_EQ(where.edges.MaximalDegree, most);
        }
        MeshCheck(m, where, stats);
        if (round % 8 != 0) {
            continue;
        }
        // The blocks are those analyse() publishes; a cap keeps the first
        // entries and counts them all.
        PointResults pr;
        EdgeResults er;
        TriangleResults tr;
        MeshResults mr;
        s.Apply();
        ASSERT_EQ(analyse(&r), 1);
        ASSERT_EQ(get_pnt_params(&pr) + get_edg_params(&er) + get_tri_params(&tr) + get_msh_params(&mr), 0);
        EXPECT_EQ(std::memcmp(&pr, &where.points, sizeof pr), 0);
        EXPECT_EQ(std::memcmp(&er, &where.edges, sizeof er), 0);
        EXPECT_EQ(std::memcmp(&tr, &where.triangles, sizeof tr), 0);
        EXPECT_EQ(std::memcmp(&mr, &where.mesh, sizeof mr), 0);
        LocateRequest capped;
        capped.maxItems = round % 3;
        Locations cut;
        ASSERT_EQ(locate(r, s.p, s.e, s.t, s.m, capped, cut), 1);
        EXPECT_TRUE(std::memcmp(&cut.triangles, &tr, sizeof tr) == 0 &&
                    std::memcmp(&cut.mesh, &mr, sizeof mr) == 0);
        const auto same = [&](const ElementSpan& all, const ElementSpan& part) {
            EXPECT_EQ(part.total, all.total);
            EXPECT_EQ(part.stored, std::min<uint64_t>(all.total, capped.maxItems));
            Entries head = PointEdgeEntries(all);
            head.resize(part.stored);
            EXPECT_EQ(PointEdgeEntries(part), head);
        };
        for (int k = 0; k < PNT_QUANTITIES; ++k) same(where.of(PointQuantity(k)), cut.of(PointQuantity(k)));
        for (int k = 0; k < EDG_QUANTITIES; ++k) same(where.of(EdgeQuantity(k)), cut.of(EdgeQuantity(k)));
        for (int k = 0; k < TRI_QUANTITIES; ++k) same(where.of(TriangleQuantity(k)), cut.of(TriangleQuantity(k)));
        for (int k = 0; k < MSH_QUANTITIES; ++k) same(where.of(MeshQuantity(k)), cut.of(MeshQuantity(k)));
    }
    // Both answers of each verdict occur often enough to mean something.
    EXPECT_GT(stats.oriented, rounds / 20);
    EXPECT_GT(stats.orientable, stats.oriented + rounds / 40);
    EXPECT_LT(stats.orientable, rounds * 3 / 4);
    EXPECT_GT(stats.repeats, rounds / 10);
    EXPECT_GT(stats.several, rounds / 10);
    EXPECT_GT(stats.bordered, rounds / 40);
    EXPECT_GT(stats.pairs, 0);
    EXPECT_GT(stats.sameWay, 0);
}

// The analyses that take the side groups where the triangle neighbour lists
// would be large, made to take them always (a limit of 0) and compared with
// the lists, values and element lists alike, on random meshes with books,
// fans and copies of their own, or triangles repeating one point with many
// third corners (components and orientability then take the edge walk).
TEST(RandomMeshes, SideGroupsGiveWhatTheNeighbourListsGive)
{
    std::mt19937 random(4099);
    using Into = int32_t (*)(const MeshRecord&, MeshTopology&, LocationList*);
    const Into orientable = [](const MeshRecord& r, MeshTopology& t, LocationList*) {
        return static_cast<int32_t>(IsOrientable(r, t));
    };
    const Into oriented = [](const MeshRecord& r, MeshTopology& t, LocationList* where) {
        return static_cast<int32_t>(IsOrientedInto(r, t, where));
    };
    const Into counts[] = {&triangles::CountIsolatedInto, &triangles::CountSingularInto,
                           &triangles::MinimalDegreeInto, &triangles::MaximalDegreeInto,
                           &triangles::CountFlippedTopologicalInto, &ComputeComponentsInto,
                           &ComputeBordersInto, &triangles::CountBorderInto, orientable, oriented};
    int linearOrientable[2] = {0, 0};
    for (int round = 0; round < 750; ++round) {
        TestMesh m = testing::RandomMesh(random, round);
        const uint32_t crowd = 3 + random() % 40;
        switch (round % 5) {
        case 0: testing::Append(m, testing::Book(crowd)); break;
        case 1: testing::Append(m, testing::Fan(crowd)); break;
        case 4: {
            // (0, 1, 2) runs a side opposite to (0, 0, 1) and (0, 0, 2), not
            // to (0, 0, 3), and no triangle with 0 once does to (0, 0, 0);
            // then a fan around point 0, some of it flipped.
            TestMesh repeats = testing::Fan(crowd);
            using Triangles = std::vector<TRIANGLE>;
            const Triangles head = round % 10 == 9 ? Triangles{{0, 0, 0}}
                                                   : Triangles{{0, 1, 2}, {0, 0, 1}, {0, 0, 2}, {0, 0, 3}};
            repeats.triangles.insert(repeats.triangles.begin(), head.begin(), head.end());
            repeats.triangles.resize(head.size() + random() % (crowd + 1));
            for (TRIANGLE& t : repeats.triangles) {
                if (random() % 8 == 0) {
                    std::swap(t.a, t.b);
                }
            }
            testing::Append(m, repeats);
            break;
        }
        default: testing::Append(m, testing::Copies(crowd, round % 5 == 3)); break;
        }
        const MeshRecord r = m.Record();
        SCOPED_TRACE("round " + std::to_string(round));
        // The edge walk reaches each triangle from the one the walk over the
        // neighbour rows reaches it from, in the same order.
        MeshTopology topology;
        topology.Attach(r);
        SideEdges sides;
        if (sides.Build(topology, r.triangles, r.triangleCount) == 0) {
            const uint32_t n = r.triangleCount;
            std::vector<std::pair<uint32_t, uint32_t>> walked, listed;
            std::vector<uint8_t> state(n), spent(sides.EdgeCount()), seen(n);
            std::vector<uint32_t> queue(n);
            const auto record = [&walked](uint32_t t, uint32_t u) { return walked.emplace_back(t, u), uint8_t{1}; };
            WalkByEdges(sides, n, state.data(), queue.data(), spent.data(), [&](uint32_t s) { return record(s, s); },
                        record);
            const IncidenceLists& rows = topology.TriangleNeighbours();
            for (uint32_t s = 0; s < n && topology.Status() == 0; ++s) {
                std::vector<uint32_t> order;
                const auto reach = [&](uint32_t t, uint32_t u) {
                    if (seen[u] == 0) {
                        seen[u] = 1;
                        listed.emplace_back(t, u);
                        order.push_back(u);
                    }
                };
                reach(s, s);
                for (std::size_t h = 0; h < order.size(); ++h) {
                    for (uint32_t k = 0; k < rows.Count(order[h]); ++k) {
                        reach(order[h], rows.Row(order[h])[k]);
                    }
                }
            }
            ASSERT_EQ(walked, listed);
        }
        MeshTopology plain;
        plain.Attach(r);
        plain.LimitNeighbourEntries(0xFFFFFFFFu);
        const int32_t components = ComputeComponents(r, plain);
        for (Into count : counts) {
            LocationList lists[2];
            int32_t got[2];
            for (int linear = 0; linear < 2; ++linear) {
                MeshTopology topology;
                topology.Attach(r);
                topology.LimitNeighbourEntries(linear != 0 ? 0 : 0xFFFFFFFFu);
                lists[linear].Open(count == &ComputeBordersInto || count == oriented ? 2 : 1, UINT64_MAX);
                got[linear] = count(r, topology, &lists[linear]);
                // Whatever walk ran before, the component count it kept is
                // the count.
                ASSERT_EQ(ComputeComponents(r, topology), components);
            }
            ASSERT_EQ(got[1], got[0]);
            ASSERT_EQ(lists[1].Total(), lists[0].Total());
            ASSERT_TRUE(std::equal(lists[0].Items(), lists[0].Items() + lists[0].Stored() * lists[0].Arity(),
                                   lists[1].Items()));
            if (count == orientable && got[0] == 1) {
                ++linearOrientable[AnyTriangleRepeatsAPoint(r.triangles, r.triangleCount) ? 1 : 0];
            }
        }
    }
    // Both verdicts occur, of the grouped relations and of the edge walk.
    EXPECT_GT(linearOrientable[0], 10);
    EXPECT_GT(linearOrientable[1], 10);
}

}  // namespace
}  // namespace meshaudit
