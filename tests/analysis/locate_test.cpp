// The lists of the point, edge and triangle-duplicate quantities on small
// random meshes: each as long as its count, holding exactly the elements a
// plain definition picks, cut but still counted under a cap, and the blocks
// those of analyse().
#include "analysis/RandomMesh.h"
#include "containers/Keys.h"
#include "meshaudit.hpp"
#include "model/BruteTopology.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using Entries = std::vector<std::vector<uint32_t>>;

struct PointEdgeSettings {
    PointSettings ps;
    EdgeSettings es;
    TriangleSettings ts;
    MeshSettings ms;
    PointEdgeSettings()
    {
        meshaudit_default_point_settings(&ps);
        meshaudit_default_edge_settings(&es);
        meshaudit_default_triangle_settings(&ts);
        meshaudit_default_mesh_settings(&ms);
        std::memset(ps.Enable, 1, sizeof ps.Enable);
        std::memset(es.Enable, 1, sizeof es.Enable);
        std::memset(ts.Enable, 1, sizeof ts.Enable);
        std::memset(ms.Enable, 1, sizeof ms.Enable);
        es.Length = DoubleRange{0.6, 1.2}; // lengths of the coarse coordinates fall on both sides
    }
};

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
        PointEdgeSettings s;
        Locations where;
        ASSERT_EQ(locate(r, s.ps, s.es, s.ts, s.ms, LocateRequest{}, where), 1);
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
            const double e = s.ps.Epsilon;
            for (uint32_t j = 0; j < n; ++j) {
                const double dx = P[i].x - P[j].x, dy = P[i].y - P[j].y, dz = P[i].z - P[j].z;
                if (j != i && !(dx * dx + dy * dy + dz * dz > e * e)) {
                    close.push_back({i});
                    break;
                }
            }
        }
        put(0, PNT_CountBorder, border), put(0, PNT_MinimalDegree, degreeMin), put(0, PNT_MaximalDegree, degreeMax);
        if (!special) put(0, PNT_CountClassesOfEpsilonDuplicatedGeometrical, close);
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
            if (length(e) < s.es.Length.min) shorter.push_back(edge(e));
            if (length(e) > s.es.Length.max) longer.push_back(edge(e));
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
        const auto* pb = reinterpret_cast<const uint8_t*>(&where.points);
        const auto* eb = reinterpret_cast<const uint8_t*>(&where.edges);
        const auto* tb = reinterpret_cast<const uint8_t*>(&where.triangles);
        for (int k : {PNT_CountBorder, PNT_CountDuplicatedGeometrical, PNT_CountClassesOfDuplicatedGeometrical,
                      PNT_CountClassesOfEpsilonDuplicatedGeometrical})
            check(0, k, where.of(static_cast<PointQuantity>(k)), pb,
                  offsetof(PointResults, CountBorder) + 4 * (k - PNT_CountBorder), true, false);
        for (int k : {PNT_MinimalDegree, PNT_MaximalDegree})
            check(0, k, where.of(static_cast<PointQuantity>(k)), pb,
                  offsetof(PointResults, MinimalDegree) + 4 * (k - PNT_MinimalDegree), false, false);
        for (int k = EDG_CountBorder; k <= EDG_CountClassesOfDuplicatedGeometrical; ++k)
            if (k != EDG_CountConvex) check(1, k, where.of(static_cast<EdgeQuantity>(k)), eb, 4 * k, true, false);
        for (int k : {EDG_MinimalDegree, EDG_MaximalDegree})
            check(1, k, where.of(static_cast<EdgeQuantity>(k)), eb, 4 * k, false, false);
        check(1, EDG_CountSmallerLength, where.of(EDG_CountSmallerLength), eb,
              offsetof(EdgeResults, CountSmallerLength), true, false);
        check(1, EDG_CountGreaterLength, where.of(EDG_CountGreaterLength), eb,
              offsetof(EdgeResults, CountGreaterLength), true, false);
        check(1, EDG_MinimalLength, where.of(EDG_MinimalLength), eb, offsetof(EdgeResults, MinimalLength), false, true);
        check(1, EDG_MaximalLength, where.of(EDG_MaximalLength), eb, offsetof(EdgeResults, MaximalLength), false, true);
        for (int k = TRI_CountDuplicatedTopological; k <= TRI_CountClassesOfDuplicatedGeometrical; ++k)
            check(2, k, where.of(static_cast<TriangleQuantity>(k)), tb,
                  offsetof(TriangleResults, CountDuplicatedTopological) + 4 * (k - TRI_CountDuplicatedTopological),
                  true, false);
        if (round % 8 != 0) {
            continue;
        }
        // The blocks are those analyse() publishes; a cap keeps the first
        // entries and counts them all.
        PointResults pr;
        EdgeResults er;
        TriangleResults tr;
        ASSERT_EQ(set_pnt_params(&s.ps) + set_edg_params(&s.es) + set_tri_params(&s.ts) + set_msh_params(&s.ms), 0);
        ASSERT_EQ(analyse(&r), 1);
        ASSERT_EQ(get_pnt_params(&pr) + get_edg_params(&er) + get_tri_params(&tr), 0);
        EXPECT_EQ(std::memcmp(&pr, &where.points, sizeof pr), 0);
        EXPECT_EQ(std::memcmp(&er, &where.edges, sizeof er), 0);
        EXPECT_EQ(std::memcmp(&tr, &where.triangles, sizeof tr), 0);
        LocateRequest capped;
        capped.maxItems = round % 3;
        Locations cut;
        ASSERT_EQ(locate(r, s.ps, s.es, s.ts, s.ms, capped, cut), 1);
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
    }
}

} // namespace
} // namespace meshaudit
