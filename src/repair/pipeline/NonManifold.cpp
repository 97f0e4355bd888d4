// Step 5: pinched points and non-manifold edges, parted into manifold
// pieces.
//
// Points are taken by place: the points triangles use, grouped by equal
// coordinates (after step 2 each place is one point, but copies that an
// earlier split made, or that the input holds, share one). Around a place,
// two corners are joined when their triangles share an edge through it
// (an edge by places) that no third triangle has, or that no third
// triangle has by the points named before the merges (shells that share a
// face or an edge, each closed in the input, each keep their own); the
// corners' sets are the place's fans. Joins of the second kind are kept
// only where every edge still ends with at most two triangles on any one
// pair of fans. Every fan gets a point of its own, and one point
// serves one fan only: an edge of three or more triangles is left with at
// most two on each copy of it, and where shells touch each gets a point.
//
// Which point a fan takes, the first rule that gives one not taken yet:
// the point all its corners named before the merges (WorkMesh::named), if
// it is at this place or was merged into a point here (the merge is then
// undone); the point all its corners name now; when `join`, the smallest
// point its corners name (the others of them joining it, and a point left
// with no triangle is logged as merged into it); a new copy. Without
// `join` a fan whose corners name several points is taken point by point,
// and nothing is joined: step 5 proper only parts, and a soup whose points
// step 2 did not merge stays one for step 6. The last call joins, so that
// every fan ends with one point and every point in one fan: a mesh parted
// this way, merged again by step 2, comes back with the same points, and
// repairing a repaired mesh changes nothing.
//
// Fans that reach a border at a place are kept together while holes are
// still to be filled (`holesAhead`): two holes that meet at a point leave
// it with two such fans, which the fills join into one again. Parted
// there, the two holes would become one loop that passes twice through one
// place, and no fill of it could avoid touching itself. A second call after
// the fills (and after step 9, whose drops may leave copies with nothing
// to part) settles every place. The copies made are logged at the end, by
// those the output keeps.
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/Forest.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <array>
#include <tuple>

namespace meshaudit::pipeline {

namespace {

// The fans of every place as sets of corners (triangle * 3 + i) of
// `triangles` (by place), grouped in `sides`; `border` marks the corners
// with a border side (one of one triangle) through them.
//
// With `byName` (else null), sides of an edge of three triangles or more
// that are alone in naming the same two points as before the merges are
// joined too, and *byName tells whether any was.
Forest JoinCorners(const WorkArray<TRIANGLE>& triangles, const WorkArray<TRIANGLE>& named, const EdgeSides& sides,
                   WorkArray<uint8_t>& border, bool* byName)
{
    Forest corners(triangles.size() * 3);
    border.assign(triangles.size() * 3, 0);
    // Side s runs from corner i of t to the next; each end is a corner of
    // the triangle across, u, too. (Where t names a point twice, its two
    // corners are joined below, so either of them joins the same set.)
    const auto joinAcross = [&](uint32_t s, uint32_t o) {
        const uint32_t t = s / 3, u = o / 3, i = s - 3 * t;
        const uint32_t next = i == 2 ? 0 : i + 1;
        const TRIANGLE& across = triangles[u];
        corners.Join(s, u * 3 + CornerAt(across, Corner(triangles[t], i)));
        corners.Join(t * 3 + next, u * 3 + CornerAt(across, Corner(triangles[t], next)));
    };
    WorkArray<std::array<uint32_t, 3>> names;
    for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
        if (sides.Size(g) == 1) {
            // Side s runs from corner s % 3 to the next: both have it.
            const uint32_t s = sides.Sides(g)[0];
            border[s] = border[s / 3 * 3 + (s % 3 + 1) % 3] = 1;
        }
        if (sides.Size(g) == 2) {
            joinAcross(sides.Sides(g)[0], sides.Sides(g)[1]);
            continue;
        }
        // Three sides or more: shells that step 2 made share this edge by
        // merging their points. Two sides that are alone in naming the same
        // two points as before the merges (a box's floor and its wall, where
        // a taller box stands on the same floor) are the input's own
        // neighbours, and stay joined.
        names.clear();
        for (uint32_t k = 0; byName != nullptr && k < sides.Size(g); ++k) {
            const uint32_t s = sides.Sides(g)[k], t = s / 3, i = s - 3 * t;
            const uint32_t a = Corner(named[t], i), b = Corner(named[t], i == 2 ? 0 : i + 1);
            names.push_back({std::min(a, b), std::max(a, b), s});
        }
        std::sort(names.begin(), names.end());
        const auto same = [&](size_t x, size_t y) { return names[x][0] == names[y][0] && names[x][1] == names[y][1]; };
        for (size_t k = 0; k + 1 < names.size(); ++k) {
            if (same(k, k + 1) && !(k + 2 < names.size() && same(k, k + 2)) && !(k > 0 && same(k - 1, k))) {
                joinAcross(names[k][2], names[k + 1][2]);
                *byName = true;
            }
        }
    }
    for (uint32_t t = 0; t < triangles.size(); ++t) {
        for (uint32_t i = 0; i < 3; ++i) {
            if (Corner(triangles[t], i) == Corner(triangles[t], (i + 1) % 3)) {
                corners.Join(t * 3 + i, t * 3 + (i + 1) % 3);
            }
        }
    }
    return corners;
}

// Whether every edge of three triangles or more has at most two of them on
// any one pair of fans, one at each end: what parting it guarantees when
// only edges of two triangles join corners. Joins by name can break it
// where the input's own neighbours reach round to a third triangle.
bool EdgesParted(Forest& corners, const WorkArray<TRIANGLE>& triangles, const EdgeSides& sides)
{
    WorkArray<std::array<uint32_t, 2>> ends;
    for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
        if (sides.Size(g) <= 2) {
            continue;
        }
        ends.clear();
        for (uint32_t k = 0; k < sides.Size(g); ++k) {
            const uint32_t s = sides.Sides(g)[k], t = s / 3, i = s - 3 * t, next = i == 2 ? 0 : i + 1;
            const uint32_t from = corners.Root(s), to = corners.Root(t * 3 + next);
            const bool forward = Corner(triangles[t], i) < Corner(triangles[t], next);
            ends.push_back({forward ? from : to, forward ? to : from});
        }
        std::sort(ends.begin(), ends.end());
        for (size_t k = 0; k + 2 < ends.size(); ++k) {
            if (ends[k] == ends[k + 2]) {
                return false;
            }
        }
    }
    return true;
}

// One corner at the place at hand: its fan, the corner, the point it
// names now and the point it named before the merges.
struct FanCorner {
    uint32_t root, corner, now, named;
    bool operator<(const FanCorner& o) const { return std::tie(root, corner) < std::tie(o.root, o.corner); }
};

// The order in which a fan is taken point by point.
struct ByPoint {
    bool operator()(const FanCorner& x, const FanCorner& y) const
    {
        return std::tie(x.root, x.now, x.corner) < std::tie(y.root, y.now, y.corner);
    }
};

}  // namespace

uint32_t SplitNonManifold(WorkMesh& mesh, bool holesAhead, bool join, bool* changed)
{
    bool moved = false;
    const uint32_t pointCount = mesh.PointCount();
    const auto cornerCount = static_cast<uint32_t>(mesh.triangles.size() * 3);
    bool apart = true;
    const WorkArray<uint32_t> place = Places(mesh, apart);
    WorkArray<uint8_t> border;
    Forest corners(0);
    // Joins by name first; where they leave an edge with three triangles or
    // more on one pair of fans, without them.
    bool byName = false;
    if (apart) {
        corners = JoinCorners(mesh.triangles, mesh.named, mesh.Sides(), border, &byName);
        if (byName && !EdgesParted(corners, mesh.triangles, mesh.Sides())) {
            corners = JoinCorners(mesh.triangles, mesh.named, mesh.Sides(), border, nullptr);
        }
    } else {
        WorkArray<TRIANGLE> placed;
        placed.reserve(mesh.triangles.size());
        for (const TRIANGLE& t : mesh.triangles) {
            placed.push_back(TRIANGLE{place[t.a], place[t.b], place[t.c]});
        }
        const EdgeSides sides(placed, pointCount);
        corners = JoinCorners(placed, mesh.named, sides, border, &byName);
        if (byName && !EdgesParted(corners, placed, sides)) {
            corners = JoinCorners(placed, mesh.named, sides, border, nullptr);
        }
    }
    // The corners by place (a counting sort), read triangle by triangle.
    WorkArray<uint32_t> start(static_cast<size_t>(pointCount) + 1, 0);
    for (const TRIANGLE& t : mesh.triangles) {
        ++start[place[t.a] + 1];
        ++start[place[t.b] + 1];
        ++start[place[t.c] + 1];
    }
    for (uint32_t p = 0; p < pointCount; ++p) {
        start[p + 1] += start[p];
    }
    WorkArray<uint32_t> byPlace(cornerCount);
    {
        WorkArray<uint32_t> fill(start.begin(), start.end() - 1);
        for (uint32_t c = 0; c < cornerCount; c += 3) {
            const TRIANGLE& t = mesh.triangles[c / 3];
            byPlace[fill[place[t.a]]++] = c;
            byPlace[fill[place[t.b]]++] = c + 1;
            byPlace[fill[place[t.c]]++] = c + 2;
        }
    }
    // The points given to a fan of the place at hand: a flag per point, and
    // the list of those set.
    WorkArray<uint8_t> claimed(pointCount, 0);
    WorkArray<uint32_t> claims;
    const auto claim = [&](uint32_t q) {
        if (q == kNone || claimed[q] != 0) {
            return false;
        }
        claimed[q] = 1;
        claims.push_back(q);
        return true;
    };
    WorkArray<FanCorner> fan;
    uint32_t deferred = 0;
    for (uint32_t at = 0; at < pointCount; ++at) {
        const uint32_t* begin = byPlace.data() + start[at];
        const uint32_t* end = byPlace.data() + start[at + 1];
        if (begin == end) {
            continue;
        }
        const auto now = [&mesh](uint32_t c) { return Corner(mesh.triangles[c / 3], c % 3); };
        const uint32_t root = corners.Root(*begin), point = now(*begin);
        if (std::all_of(begin + 1, end, [&](uint32_t c) { return corners.Root(c) == root && now(c) == point; })) {
            continue;
        }
        fan.clear();
        for (const uint32_t* c = begin; c != end; ++c) {
            fan.push_back({corners.Root(*c), *c, now(*c), Corner(mesh.named[*c / 3], *c % 3)});
        }
        std::sort(fan.begin(), fan.end());
        if (holesAhead) {
            // The fans with a border corner become one, the first of them.
            uint32_t first = kNone, fans = 0;
            for (size_t f = 0, next = 0; f < fan.size(); f = next) {
                bool onBorder = false;
                for (next = f; next < fan.size() && fan[next].root == fan[f].root; ++next) {
                    onBorder |= border[fan[next].corner] != 0;
                }
                if (onBorder) {
                    first = first == kNone ? fan[f].root : first;
                    ++fans;
                    for (size_t k = f; k < next; ++k) {
                        fan[k].root = first;
                    }
                }
            }
            if (fans > 1) {
                ++deferred;
                std::sort(fan.begin(), fan.end());
            }
        }
        // A point merged into a point at this place may come back here.
        const auto here = [&](uint32_t q) {
            const uint32_t into = mesh.MergedInto(q);
            return place[q] == at || (into != kNone && place[into] == at);
        };
        if (!join) {
            std::sort(fan.begin(), fan.end(), ByPoint());
        }
        // Each fan (or each point's part of it, without `join`) as its range
        // of `fan` and the point it takes.
        struct Fan {
            size_t first, end;
            uint32_t point;
        };
        WorkArray<Fan> fans;
        bool several = false;
        for (size_t f = 0, next = 0; f < fan.size(); f = next) {
            uint32_t named = fan[f].named, current = fan[f].now, lowest = fan[f].now;
            for (next = f; next < fan.size() && fan[next].root == fan[f].root && (join || fan[next].now == current);
                 ++next) {
                named = fan[next].named == named ? named : kNone;
                current = fan[next].now == current ? current : kNone;
                lowest = std::min(lowest, fan[next].now);
            }
            several |= fan[f].root != fan.front().root;
            uint32_t target = named != kNone && here(named) && claim(named) ? named : kNone;
            target = target == kNone && claim(current) ? current : target;
            target = target == kNone && join && claim(lowest) ? lowest : target;
            fans.push_back({f, next, target});
        }
        mesh.TrianglesChanged();
        for (Fan& f : fans) {
            if (f.point == kNone) {
                f.point = mesh.AddCopy(at);
            } else if (mesh.MergedInto(f.point) != kNone) {
                mesh.Restore(f.point);
            }
            if (several) {
                mesh.MarkParted(f.point);
            }
            for (size_t k = f.first; k < f.end; ++k) {
                moved |= fan[k].now != f.point;
                Corner(mesh.triangles[fan[k].corner / 3], fan[k].corner % 3) = f.point;
            }
        }
        // A point of the input that no fan took has joined the fan's point.
        for (const Fan& f : fans) {
            for (size_t k = f.first; k < f.end; ++k) {
                const uint32_t q = fan[k].now;
                if (claimed[q] == 0 && q < mesh.input.pointCount) {
                    mesh.Merge(q, f.point, RepairStep::NonManifold);
                    claim(q);
                }
            }
        }
        for (const uint32_t q : claims) {
            claimed[q] = 0;
        }
        claims.clear();
    }
    if (changed != nullptr) {
        *changed = moved;
    }
    return deferred;
}

}  // namespace meshaudit::pipeline
