#include "repair/arrangement/ArrangeCheck.h"
#include "containers/WorkArray.h"

#include "geometry/IntersectingPairs.h"
#include "geometry/Predicates.h"
#include "geometry/TriAabbTree.h"
#include "repair/arrangement/MeetBeyond.h"
#include "repair/arrangement/PlaneProjection.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace meshaudit::arrangement {

namespace {

std::array<uint32_t, 3> Corners(const TRIANGLE& t)
{
    return {t.a, t.b, t.c};
}

bool RepeatsIndex(const TRIANGLE& t)
{
    return t.a == t.b || t.b == t.c || t.a == t.c;
}

// The id of every point as the arrangement's registry gives it: one point
// for each set of used points of equal coordinates (0.0 and -0.0 alike),
// here the first of the set in coordinate order (which one does not change
// the answer: only equal ids are compared). Empty when a used point is not
// finite, which leaves the answer to the arrangement. `joined` tells
// whether any point takes another's id.
WorkArray<uint32_t> PointIds(const MeshRecord& mesh, bool& joined)
{
    WorkArray<uint32_t> ids(mesh.pointCount, UINT32_MAX);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        for (uint32_t k = 0; k < 3; ++k) {
            ids[Corners(mesh.triangles[t])[k]] = 0;
        }
    }
    WorkArray<uint32_t> used;
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        if (ids[p] == 0) {
            const T3DVECF& c = mesh.points[p];
            if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) {
                return {};
            }
            used.push_back(p);
        }
    }
    const auto less = [&mesh](uint32_t p, uint32_t q) {
        const T3DVECF& a = mesh.points[p];
        const T3DVECF& b = mesh.points[q];
        return a.x != b.x ? a.x < b.x : a.y != b.y ? a.y < b.y : a.z != b.z ? a.z < b.z : p < q;
    };
    std::sort(used.begin(), used.end(), less);
    joined = false;
    for (size_t k = 0; k < used.size(); ++k) {
        const T3DVECF& c = mesh.points[used[k]];
        const T3DVECF* before = k == 0 ? nullptr : &mesh.points[used[k - 1]];
        const bool same = before != nullptr && before->x == c.x && before->y == c.y && before->z == c.z;
        ids[used[k]] = same ? ids[used[k - 1]] : used[k];
        joined |= same;
    }
    return ids;
}

// Whether the arrangement takes the triangle as one with an area: three
// distinct indices (points differ here) not on one line. Sets (i, j) to
// the axes of its plane's projection.
bool Proper(const MeshRecord& mesh, const TRIANGLE& t, int& i, int& j)
{
    if (RepeatsIndex(t)) {
        return false;
    }
    const T3DVECF corners[3] = {mesh.points[t.a], mesh.points[t.b], mesh.points[t.c]};
    return ProjectionAxes(corners, i, j);
}

// Whether the faces round p (`count` of them, each with p as a corner) lie
// round it without folding: their other corners chain them in one cycle,
// or one path from a side that no face reaches to one that no face leaves,
// each face leaving p from the side the last one reached, and seen along an
// axis every face turns the same way and the chain turns round p less than
// once, or, closed, exactly once. Then each face's shadow is an angle at p
// that no other's overlaps, and a face meets its shadow's points only once
// (it has an area in that view): faces meet only at p and along the sides
// that neighbours share, which is no contact for the arrangement. The
// chain turns once (closed) or less (open) when the direction of the first
// side is passed by no face after the first and met by no later side. False,
// leaving the pairs to be tested, when any of this fails. `work` is room
// kept from one point to the next; the cost grows as count log count.
struct FanWork {
    WorkArray<std::array<uint32_t, 2>> order;
    WorkArray<uint8_t> led;
    WorkArray<uint32_t> chain;
};

bool FoldFreeFan(const Face* faces, uint32_t count, uint32_t p, FanWork& work)
{
    WorkArray<std::array<uint32_t, 2>>& order = work.order;
    const auto at = [&](uint32_t x) {
        const Face& f = faces[x];
        return f.id[0] == p ? 0u : f.id[1] == p ? 1u : 2u;
    };
    const auto leaves = [&](uint32_t x) { return faces[x].id[(at(x) + 1) % 3]; };
    const auto reaches = [&](uint32_t x) { return faces[x].id[(at(x) + 2) % 3]; };
    // The faces by the side they leave from, each side left by one face.
    order.resize(count);
    for (uint32_t x = 0; x < count; ++x) {
        order[x] = {leaves(x), x};
    }
    std::sort(order.begin(), order.end());
    for (uint32_t x = 1; x < count; ++x) {
        if (order[x][0] == order[x - 1][0]) {
            return false;
        }
    }
    const auto after = [&](uint32_t x) {
        const auto it = std::lower_bound(order.begin(), order.end(), std::array<uint32_t, 2>{reaches(x), 0});
        return it != order.end() && (*it)[0] == reaches(x) ? (*it)[1] : UINT32_MAX;
    };
    // The start: a face no face leads to, or any face of a cycle.
    WorkArray<uint8_t>& led = work.led;
    led.assign(count, 0);
    for (uint32_t x = 0; x < count; ++x) {
        if (const uint32_t y = after(x); y != UINT32_MAX) {
            led[y] = 1;
        }
    }
    const auto start = static_cast<uint32_t>(std::find(led.begin(), led.end(), uint8_t{0}) - led.begin());
    const bool closed = start == count;
    if (closed && count < 3) {
        return false;  // two faces cannot close a fan with angles below a half turn
    }
    WorkArray<uint32_t>& chain = work.chain;
    chain.clear();
    for (uint32_t x = closed ? 0 : start; x != UINT32_MAX && chain.size() <= count; x = after(x)) {
        if (closed && !chain.empty() && x == chain.front()) {
            break;
        }
        chain.push_back(x);
    }
    if (chain.size() != count) {
        return false;  // more than one chain, or a path that runs into a cycle
    }
    const Face& view = faces[chain[0]];
    const T3DVECF& apex = view[at(chain[0])];
    // Side k of the chain, k from 0 to count: the last the first again when
    // closed, else the side the last face reaches.
    const auto side = [&](uint32_t k) -> const T3DVECF& {
        return k < count ? faces[chain[k]][at(chain[k]) + 1] : faces[chain[count - 1]][at(chain[count - 1]) + 2];
    };
    const int turn = Turn(view, apex, side(0), side(1));
    for (uint32_t k = 1; k < count; ++k) {
        if (Turn(view, apex, side(k), side(k + 1)) != turn) {
            return false;
        }
    }
    // The first side's direction: strictly inside a face after the first,
    // or along a later side, the same way from p (of two directions on one
    // line, told by which projected coordinates grow, exactly). A second
    // turn would begin at the third side or later (two angles make less
    // than a turn); closed, the last face ends at the first side itself, and
    // a second turn would begin at the third from last or earlier (the turn
    // it begins takes three angles or more).
    const T3DVECF& first = side(0);
    double o[2], f[2], q[2];
    Project(apex, view.i, view.j, o);
    Project(first, view.i, view.j, f);
    const uint32_t last = closed ? count - 2 : count;
    for (uint32_t k = 2; k < last; ++k) {
        const int before = Turn(view, apex, side(k), first);
        if (before * turn > 0 && Turn(view, apex, first, side(k + 1)) * turn > 0) {
            return false;
        }
        Project(side(k + 1), view.i, view.j, q);
        const bool along = Turn(view, apex, side(k + 1), first) == 0;
        if (along && (q[0] > o[0]) == (f[0] > o[0]) && (q[1] > o[1]) == (f[1] > o[1])) {
            return false;
        }
    }
    return true;
}

// The pairs that share a point index, each at the smallest index they
// share: any contact between two triangles with an area? The arrangement
// skips a pair in which either has none (they share an index), and a pair
// of the same three points.
ArrangeCheck CheckFans(const MeshRecord& mesh)
{
    WorkArray<uint32_t> first(size_t{mesh.pointCount} + 1, 0);
    // 0 for a triangle without an area, else 1 + the axis its plane's
    // projection drops.
    WorkArray<uint8_t> drop(mesh.triangleCount, 0);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        int i = 0, j = 0;
        if (Proper(mesh, mesh.triangles[t], i, j)) {
            drop[t] = static_cast<uint8_t>(1 + (i + 2) % 3);
            for (uint32_t k = 0; k < 3; ++k) {
                ++first[Corners(mesh.triangles[t])[k] + 1];
            }
        }
    }
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        first[p + 1] += first[p];
    }
    WorkArray<uint32_t> fan(first[mesh.pointCount]);
    WorkArray<uint32_t> next(first.begin(), first.end() - 1);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        if (drop[t] != 0) {
            for (uint32_t k = 0; k < 3; ++k) {
                fan[next[Corners(mesh.triangles[t])[k]]++] = t;
            }
        }
    }
    WorkArray<Face> faces;
    FanWork work;
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        const uint32_t count = first[p + 1] - first[p];
        faces.resize(count);
        for (uint32_t x = 0; x < count; ++x) {
            const uint32_t t = fan[first[p] + x];
            const std::array<uint32_t, 3> ids = Corners(mesh.triangles[t]);
            Face& f = faces[x];
            for (uint32_t k = 0; k < 3; ++k) {
                f.id[k] = ids[k];
                f.c[k] = mesh.points[ids[k]];
            }
            f.i = drop[t] % 3;
            f.j = (drop[t] + 1) % 3;
        }
        if (FoldFreeFan(faces.data(), count, p, work)) {
            continue;
        }
        if (count > kMostFan) {
            return ArrangeCheck::Crowded;
        }
        for (uint32_t x = 0; x < count; ++x) {
            const Face& t = faces[x];
            for (uint32_t y = x + 1; y < count; ++y) {
                const Face& u = faces[y];
                uint32_t smallest = UINT32_MAX, shared = 0, k = 0, j = 0, tMissing = 3, uMissing = 3;
                for (uint32_t a = 0; a < 3; ++a) {
                    for (uint32_t b = 0; b < 3; ++b) {
                        if (t.id[a] == u.id[b]) {
                            smallest = std::min(smallest, t.id[a]);
                            ++shared;
                            k = a;
                            j = b;
                        }
                    }
                }
                if (smallest != p || shared == 3) {
                    continue;  // met at a smaller shared index, or the same three points
                }
                bool meet = false;
                if (shared == 1) {
                    meet = MeetBeyondPoint(t, k, u, j);
                } else {
                    for (uint32_t a = 0; a < 3; ++a) {
                        tMissing = t.id[a] != u.id[0] && t.id[a] != u.id[1] && t.id[a] != u.id[2] ? a : tMissing;
                        uMissing = u.id[a] != t.id[0] && u.id[a] != t.id[1] && u.id[a] != t.id[2] ? a : uMissing;
                    }
                    meet = MeetBeyondEdge(t, tMissing + 1, u[uMissing]);
                }
                if (meet) {
                    return ArrangeCheck::Contact;
                }
            }
        }
    }
    return ArrangeCheck::Clean;
}

}  // namespace

ArrangeCheck CheckArrangement(const MeshRecord& mesh)
{
    if (mesh.triangleCount == 0) {
        return ArrangeCheck::Clean;
    }
    bool joined = false;
    const WorkArray<uint32_t> ids = PointIds(mesh, joined);
    if (ids.empty()) {
        return ArrangeCheck::Unknown;
    }
    // Points of equal coordinates: the arrangement's first round names the
    // triangles by their ids, and its second round and final check see
    // them so named. Its first round decides a pair with a triangle without
    // area by the indices as given, not the ids, and keeps such a triangle
    // as given: left to it.
    WorkArray<TRIANGLE> named;
    MeshRecord record = mesh;
    if (joined) {
        named.reserve(mesh.triangleCount);
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            const TRIANGLE& tri = mesh.triangles[t];
            named.push_back(TRIANGLE{ids[tri.a], ids[tri.b], ids[tri.c]});
            int i = 0, j = 0;
            if (!Proper(mesh, named.back(), i, j)) {
                return ArrangeCheck::Unknown;
            }
        }
        record.triangles = named.data();
    }
    // With the points distinct, a pair sharing no index is in contact for
    // the arrangement exactly when TriTriIntersect says they meet, as for
    // the library's search (which skips, as the arrangement does, a
    // triangle that repeats an index).
    C3DTriAABBTree tree;
    if (tree.Build(record, TriLeaves::Wide) != 1) {
        return ArrangeCheck::Unknown;
    }
    const int found = FindIntersectingPair(&tree, &tree);
    if (found != 0) {
        return found == 1 ? ArrangeCheck::Contact : ArrangeCheck::Unknown;
    }
    const ArrangeCheck fans = CheckFans(record);
    return fans == ArrangeCheck::Clean && joined ? ArrangeCheck::CleanJoined : fans;
}

}  // namespace meshaudit::arrangement
