// The lists of the point, edge and triangle-duplicate quantities on small
// random meshes: each as long as its count, holding exactly the elements a
// plain definition picks, cut but still counted under a cap, and the blocks
// those of analyse().
#include "analysis/MeshBuilders.h"
#include "analysis/RandomMesh.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Keys.h"
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

TEST(PointEdgeLocate, ListsMatchTheirDefinitions)
{
    std::mt19937 random(7013);
    for (int round = 0; round < 2400; ++round) {
        testing::TestMesh m = testing::RandomMesh(random, round);
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
        // lists (with NaN, random_meshes_test compares them with the tree's).
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
            SCOPED_TRACE("round " + std::to_string(round) + " category " + std::to_string(c) + " quantity " +
                         std::to_string(k));
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
        // their definitions in MeshCheck below.
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
}

// The triangle and mesh lists, each against a plain definition.
using testing::Has;
using testing::TestMesh;

// locate() with every quantity enabled (the intersected count as asked).
Locations Located(const MeshRecord& r, bool countIntersected = true)
{
    testing::AllSettings s(true);
    s.t.Enable[TRI_CountIntersected] = countIntersected ? 1 : 0;
    Locations where;
    EXPECT_EQ(locate(r, s.p, s.e, s.t, s.m, LocateRequest{}, where), 1);
    return where;
}

// The plain definitions of the triangle lists, the oriented edges, the
// components and the intersecting pairs, against locate() on one mesh.
// `seen` gathers which kinds of lists were non-trivial: bit 0 pairs, 1
// edges run the same way, 2 several borders.
void MeshCheck(TestMesh m, int round, int& seen)
{
    SCOPED_TRACE("round " + std::to_string(round));
    const MeshRecord r = m.Record();
    const std::vector<TRIANGLE>& tris = m.triangles;
    const auto n = static_cast<uint32_t>(m.points.size());
    const auto count = static_cast<uint32_t>(tris.size());
    const Locations w = Located(r);
    const TriangleResults& tr = w.triangles;
    const auto inRange = [&](const TRIANGLE& t) { return t.a < n && t.b < n && t.c < n; };
    const auto repeats = [](const TRIANGLE& t) { return t.a == t.b || t.a == t.c || t.b == t.c; };

    // Intersecting pairs: every pair of proper triangles in range that share
    // no index, whose boxes meet and that meet; the intersected triangles
    // are their members.
    std::set<std::vector<uint32_t>> pairs;
    std::set<uint32_t> crossed;
    for (uint32_t i = 0; i < count; ++i) {
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
    const auto same = [&](uint32_t i, uint32_t j) {
        return m.points[i].x == m.points[j].x && m.points[i].y == m.points[j].y && m.points[i].z == m.points[j].z;
    };
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
    // Listed by the count's search, and by the flag's own without the count:
    // each pair once, in any order.
    const Locations alone = Located(r, false);
    for (const Locations* where : {&w, &alone}) {
        Entries listed = PointEdgeEntries(where->of(MSH_Selfintersection));
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, Entries(pairs.begin(), pairs.end()));
        EXPECT_EQ(where->mesh.Selfintersection, pairs.empty() ? 0 : 1);
    }
    seen |= pairs.empty() ? 0 : 1;

    bool topology = true;
    for (const TRIANGLE& t : tris) {
        topology = topology && inRange(t);
    }
    if (topology) {
        const testing::BruteTopology brute(tris, n);
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
        seen |= sameWay.empty() ? 0 : 2;

        // Components: seeds in order, each taking what it reaches through
        // triangles no earlier seed took.
        Entries component(count);
        uint32_t components = 0;
        const auto take = [&](auto& self, uint32_t t) -> void {
            component[t] = {components};
            for (uint32_t u : brute.triangleNeighbours[t]) {
                if (component[u].empty()) {
                    self(self, u);
                }
            }
        };
        for (uint32_t seed = 0; seed < count; ++seed) {
            if (component[seed].empty()) {
                take(take, seed);
                ++components;
            }
        }
        EXPECT_EQ(PointEdgeEntries(w.of(MSH_CountComponents)), component);
        EXPECT_EQ(w.mesh.CountComponents, static_cast<int32_t>(components));

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
        EXPECT_EQ(w.mesh.CountBorders, unrun.size());
        seen |= unrun.size() > 1 ? 4 : 0;
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
    }
    // Each triangle list with its count (the duplicates are compared in the
    // point and edge test).
    for (const Listed& q : ListedOf(2)) {
        if (!q.listed || (q.k >= TRI_CountDuplicatedTopological && q.k <= TRI_CountClassesOfDuplicatedGeometrical)) {
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

TEST(MeshLocate, TriangleAndMeshListsMatchTheirDefinitions)
{
    std::mt19937 random(4242);
    int seen = 0;
    // The meshes of the point and edge comparison without NaN and
    // infinities (every fourth), whose intersections are no plain test's.
    for (int round = 0; round < 1600; ++round) {
        const TestMesh m = testing::RandomMesh(random, round);
        if (round % 4 != 3) {
            MeshCheck(m, round, seen);
        }
    }
    EXPECT_EQ(seen, 7);
}

}  // namespace
}  // namespace meshaudit
