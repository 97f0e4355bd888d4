#include "repair/arrangement/ArrangeRound.h"
#include "containers/WorkArray.h"

#include "geometry/Predicates.h"
#include "geometry/TriangleIntersection.h"
#include "repair/arrangement/BoxPairs.h"
#include "repair/arrangement/FoldFreeFan.h"
#include "repair/arrangement/PairContact.h"
#include "repair/arrangement/PlaneProjection.h"
#include "repair/arrangement/PlanarArrangement.h"
#include "repair/arrangement/PointRegistry.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

namespace meshaudit::arrangement {

namespace {

enum class Shape : uint8_t { RepeatsIndex, ZeroArea, Proper };

bool Collinear(const T3DVECF* c)
{
    int i = 0;
    int j = 0;
    return !ProjectionAxes(c, i, j);
}

uint32_t Find(WorkArray<uint32_t>& parent, uint32_t x)
{
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

struct CutRecord {
    uint32_t triangle;
    uint32_t from;
    uint32_t to;
    uint32_t other;
};

}  // namespace

int64_t RunRound(const WorkArray<T3DVECF>& points, const WorkArray<TRIANGLE>& triangles, RoundMode mode,
                 RoundResult& out, const WorkArray<uint8_t>* changed, uint64_t pairLimit, uint64_t stopAbove)
{
    out = RoundResult{};
    const auto n = static_cast<uint32_t>(triangles.size());
    PointRegistry registry(points.data(), static_cast<uint32_t>(points.size()));
    WorkArray<std::array<uint32_t, 3>> ids(n);
    WorkArray<Shape> shape(n, Shape::Proper);
    WorkArray<Box> boxes(n);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (uint32_t t = 0; t < n; ++t) {
        const TRIANGLE& tri = triangles[t];
        if (tri.a == tri.b || tri.b == tri.c || tri.a == tri.c) {
            shape[t] = Shape::RepeatsIndex;
            boxes[t] = Box{{nan, nan, nan}, {nan, nan, nan}};
            continue;
        }
        ids[t] = {registry.AddInput(tri.a), registry.AddInput(tri.b), registry.AddInput(tri.c)};
        const T3DVECF c[3] = {points[tri.a], points[tri.b], points[tri.c]};
        if (ids[t][0] == ids[t][1] || ids[t][1] == ids[t][2] || ids[t][0] == ids[t][2] || Collinear(c)) {
            shape[t] = Shape::ZeroArea;
        }
        for (int a = 0; a < 3; ++a) {
            const double* p = Coordinates(c[0]);
            const double* q = Coordinates(c[1]);
            const double* r = Coordinates(c[2]);
            boxes[t].lo[a] = std::min({p[a], q[a], r[a]});
            boxes[t].hi[a] = std::max({p[a], q[a], r[a]});
        }
    }

    // Pairs round a point whose faces lie round it without folding meet
    // only there and along the sides they share (FoldFreeFan.h): round
    // nearly every point of closed shells, no pair is tested. Only the pairs
    // with a changed triangle are looked at, so only the points of changed
    // triangles are asked about: a point two triangles share is a corner
    // of each.
    WorkArray<uint8_t> foldFree;
    if (mode != RoundMode::ArrangeTestingEveryPoint) {
        foldFree.assign(points.size(), 0);
        WorkArray<uint8_t> asked;
        if (changed != nullptr) {
            asked.assign(points.size(), 0);
            for (uint32_t t = 0; t < n; ++t) {
                if ((*changed)[t] != 0 && shape[t] == Shape::Proper) {
                    asked[ids[t][0]] = asked[ids[t][1]] = asked[ids[t][2]] = 1;
                }
            }
        }
        FanWork work;
        ForEachFan(
            static_cast<uint32_t>(points.size()), n,
            [&](uint32_t t, std::array<uint32_t, 3>& corners) {
                corners = ids[t];
                return shape[t] == Shape::Proper;
            },
            [&points](uint32_t id) { return points[id]; },
            [&](uint32_t p, const FanFace* faces, uint32_t count) {
                foldFree[p] = count > 0 && (asked.empty() || asked[p] != 0) &&
                              FoldFreeFan(faces, count, p, points.data(), work);
                return true;
            });
    }

    WorkArray<uint32_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0u);
    WorkArray<uint8_t> involved(n, 0);
    WorkArray<uint8_t> dropped(n, 0);
    WorkArray<CutRecord> cuts;
    auto corners = [&](uint32_t t, T3DVECF* c) {
        c[0] = points[triangles[t].a];
        c[1] = points[triangles[t].b];
        c[2] = points[triangles[t].c];
    };
    const bool arrange = mode != RoundMode::Check;
    BoxPairs(boxes).ForEach([&](uint32_t t, uint32_t u) -> bool {
        // The corners are read only for the pairs that get a test: most
        // pairs are neighbours round a fold-free point, told by indices.
        T3DVECF ct[3];
        T3DVECF cu[3];
        if (shape[t] != Shape::Proper || shape[u] != Shape::Proper) {
            corners(t, ct);
            corners(u, cu);
            // By index as given, as the library's search decides such a
            // pair: it must not find one left in the output.
            const TRIANGLE& a = triangles[t];
            const TRIANGLE& b = triangles[u];
            bool share = false;
            for (uint32_t x : {a.a, a.b, a.c}) {
                share = share || x == b.a || x == b.b || x == b.c;
            }
            if (!share && TriTriIntersect(ct, cu) == '1') {
                dropped[t] = dropped[t] || shape[t] == Shape::ZeroArea;
                dropped[u] = dropped[u] || shape[u] == Shape::ZeroArea;
                involved[t] = involved[u] = 1;
                out.pairs.push_back({t, u});
                if (out.pairs.size() > stopAbove) {
                    out.stopped = true;
                    return false;
                }
            }
            return true;
        }
        // The same three points, in either turn: coincident pieces, which
        // are allowed (coplanar overlaps end that way); or a shared point
        // round which the faces do not fold. The ids of a triangle with an
        // area differ, so three shared ids are the same three points.
        uint32_t shared = 0;
        bool foldFreeShared = false;
        for (const uint32_t a : ids[t]) {
            for (const uint32_t b : ids[u]) {
                if (a == b) {
                    ++shared;
                    foldFreeShared = foldFreeShared || (!foldFree.empty() && foldFree[a] != 0);
                }
            }
        }
        if (shared == 3 || foldFreeShared) {
            return true;
        }
        corners(t, ct);
        corners(u, cu);
        PairContact contact = FindPairContact(ct, ids[t].data(), cu, ids[u].data(),
                                              mode == RoundMode::Arrange ? &registry : nullptr,
                                              mode != RoundMode::ArrangeTestingEveryPoint);
        if (contact.kind == PairContact::Kind::None) {
            return true;
        }
        involved[t] = involved[u] = 1;
        out.pairs.push_back({t, u});
        if (out.pairs.size() > stopAbove) {
            out.stopped = true;
            return false;
        }
        if (!arrange) {
            return true;
        }
        if (contact.kind == PairContact::Kind::Coplanar) {
            parent[Find(parent, t)] = Find(parent, u);
            return true;
        }
        if (mode == RoundMode::ArrangeTestingEveryPoint) {
            ClearRecipe(contact.from);
            ClearRecipe(contact.to);
        }
        const uint32_t from = registry.Add(contact.from);
        const uint32_t to = contact.kind == PairContact::Kind::Segment ? registry.Add(contact.to) : from;
        cuts.push_back({t, from, to, u});
        cuts.push_back({u, from, to, t});
        if (from != to) {
            out.segments.push_back(Segment{t, u, from, to});
        }
        return true;
    }, changed);
    // A triangle named with points that now stand for others is rewritten
    // with theirs, even when it meets nothing else.
    for (uint32_t t = 0; t < n; ++t) {
        const TRIANGLE& tri = triangles[t];
        if (shape[t] == Shape::Proper && (ids[t][0] != tri.a || ids[t][1] != tri.b || ids[t][2] != tri.c)) {
            involved[t] = 1;
        }
    }
    const auto count = static_cast<int64_t>(std::count(involved.begin(), involved.end(), 1));
    if (count == 0 || !arrange || out.stopped) {
        return count;
    }
    if (out.pairs.size() > pairLimit) {
        out.overLimit = true;
        return count;
    }

    // Clusters: a root and its members, in triangle order.
    std::sort(cuts.begin(), cuts.end(), [](const CutRecord& a, const CutRecord& b) { return a.triangle < b.triangle; });
    WorkArray<uint32_t> cutStart(n + 1, 0);
    for (const CutRecord& c : cuts) {
        ++cutStart[c.triangle + 1];
    }
    std::partial_sum(cutStart.begin(), cutStart.end(), cutStart.begin());
    WorkArray<uint32_t> members;
    for (uint32_t t = 0; t < n; ++t) {
        if (involved[t] && !dropped[t] && shape[t] == Shape::Proper) {
            members.push_back(t);
        }
    }
    std::stable_sort(members.begin(), members.end(),
                     [&](uint32_t a, uint32_t b) { return Find(parent, a) < Find(parent, b); });
    // Each triangle's pieces, one after another: pieceStart[t] on, pieceCount[t] of them.
    WorkArray<std::array<uint32_t, 3>> allPieces;
    WorkArray<size_t> pieceStart(n, 0);
    WorkArray<uint32_t> pieceCount(n, 0);
    WorkArray<ClusterTriangle> cluster;
    WorkArray<Cut> clusterCuts;
    WorkArray<WorkArray<std::array<uint32_t, 3>>> pieces;
    PlaneArranger arranger(registry, mode == RoundMode::ArrangeTestingEveryPoint);
    for (size_t first = 0; first < members.size();) {
        const uint32_t root = Find(parent, members[first]);
        size_t last = first;
        cluster.clear();
        clusterCuts.clear();
        while (last < members.size() && Find(parent, members[last]) == root) {
            const uint32_t t = members[last];
            ClusterTriangle ct;
            for (int a = 0; a < 3; ++a) {
                ct.ids[a] = ids[t][a];
                ct.corners[a] = points[ids[t][a]];
            }
            cluster.push_back(ct);
            for (uint32_t k = cutStart[t]; k < cutStart[t + 1]; ++k) {
                Cut c;
                c.from = cuts[k].from;
                c.to = cuts[k].to;
                corners(cuts[k].other, c.plane);
                for (int a = 0; a < 3; ++a) {
                    c.planeIds[a] = ids[cuts[k].other][a];
                }
                clusterCuts.push_back(c);
            }
            ++last;
        }
        if (!arranger.Arrange(cluster, clusterCuts, pieces)) {
            return -1;
        }
        for (size_t k = first; k < last; ++k) {
            const WorkArray<std::array<uint32_t, 3>>& own = pieces[k - first];
            pieceStart[members[k]] = allPieces.size();
            pieceCount[members[k]] = static_cast<uint32_t>(own.size());
            allPieces.insert(allPieces.end(), own.begin(), own.end());
        }
        first = last;
    }

    out.points = points;
    for (uint32_t k = 0; k < registry.NewPointCount(); ++k) {
        const double* rounded = registry.NewRounded(k);
        out.points.push_back(T3DVECF{rounded[0], rounded[1], rounded[2]});
    }
    for (uint32_t t = 0; t < n; ++t) {
        if (!involved[t] || shape[t] == Shape::RepeatsIndex) {
            out.triangles.push_back(triangles[t]);
            out.from.push_back(t);
            out.changed.push_back(involved[t]);
            continue;
        }
        for (size_t k = pieceStart[t]; k < pieceStart[t] + pieceCount[t]; ++k) {
            const std::array<uint32_t, 3>& piece = allPieces[k];
            out.triangles.push_back(TRIANGLE{piece[0], piece[1], piece[2]});
            out.from.push_back(t);
            out.changed.push_back(1);
        }
    }
    return count;
}

}  // namespace meshaudit::arrangement
