#include "repair/pipeline/ArrangeCheck.h"
#include "containers/WorkArray.h"

#include "geometry/IntersectingPairs.h"
#include "geometry/Predicates.h"
#include "geometry/TriAabbTree.h"
#include "repair/arrangement/PairContact.h"
#include "repair/arrangement/PlaneProjection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace meshaudit::pipeline {

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
// distinct indices (points differ here) not on one line.
bool Proper(const MeshRecord& mesh, const TRIANGLE& t, T3DVECF* corners)
{
    if (RepeatsIndex(t)) {
        return false;
    }
    corners[0] = mesh.points[t.a];
    corners[1] = mesh.points[t.b];
    corners[2] = mesh.points[t.c];
    int i = 0, j = 0;
    return arrangement::ProjectionAxes(corners, i, j);
}

// Whether two triangles with an area that share only the point `p` (at
// corner k of t and corner j of u) meet beyond it, as FindPairContact
// decides, with fewer predicates where they cross each other's plane: when
// the other two corners of each lie strictly on both sides of the other's
// plane, each meets the line of the two planes in a segment from p, and
// they meet beyond p exactly when u's segment leaves p into t's angle at p,
// that is when u's crossing of t's plane lies on the inner side of t's edge
// from p to its next corner (inner: where a crossing from the side of u1
// gives an orientation of the opposite sign). The segment cannot end on
// that edge's line, which meets t's far edge only at its end. Otherwise,
// and where a corner lies on the other's plane, FindPairContact decides.
bool MeetBeyondPoint(const T3DVECF* t, const uint32_t* ti, uint32_t k, const T3DVECF* u, const uint32_t* ui,
                     uint32_t j)
{
    const T3DVECF& u1 = u[(j + 1) % 3];
    const T3DVECF& u2 = u[(j + 2) % 3];
    const int su1 = Orient3DSign(t, u1), su2 = Orient3DSign(t, u2);
    const int st1 = Orient3DSign(u, t[(k + 1) % 3]), st2 = Orient3DSign(u, t[(k + 2) % 3]);
    if (su1 * su2 > 0 || st1 * st2 > 0) {
        return false;  // one of them touches the other's plane at p alone
    }
    if (su1 * su2 < 0 && st1 * st2 < 0) {
        return Orient3DSign(u1, u2, t[k], t[(k + 1) % 3]) * su1 < 0;
    }
    return arrangement::FindPairContact(t, ti, u, ui).kind != arrangement::PairContact::Kind::None;
}

// The pairs that share a point index, each at the smallest index they
// share: any contact between two triangles with an area? The arrangement
// skips a pair in which either has none (they share an index), and a pair
// of the same three points.
ArrangeCheck CheckFans(const MeshRecord& mesh)
{
    WorkArray<uint32_t> first(size_t{mesh.pointCount} + 1, 0);
    WorkArray<uint8_t> proper(mesh.triangleCount, 0);
    T3DVECF corners[3];
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        proper[t] = Proper(mesh, mesh.triangles[t], corners) ? 1 : 0;
        if (proper[t] != 0) {
            for (uint32_t k = 0; k < 3; ++k) {
                ++first[Corners(mesh.triangles[t])[k] + 1];
            }
        }
    }
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        if (first[p + 1] > kMostFan) {
            return ArrangeCheck::Unknown;
        }
        first[p + 1] += first[p];
    }
    WorkArray<uint32_t> fan(first[mesh.pointCount]);
    WorkArray<uint32_t> next(first.begin(), first.end() - 1);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        if (proper[t] != 0) {
            for (uint32_t k = 0; k < 3; ++k) {
                fan[next[Corners(mesh.triangles[t])[k]]++] = t;
            }
        }
    }
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        for (uint32_t x = first[p]; x < first[p + 1]; ++x) {
            const TRIANGLE& t = mesh.triangles[fan[x]];
            const std::array<uint32_t, 3> tc = Corners(t);
            const uint32_t* ti = tc.data();
            for (uint32_t y = x + 1; y < first[p + 1]; ++y) {
                const TRIANGLE& u = mesh.triangles[fan[y]];
                const std::array<uint32_t, 3> uc = Corners(u);
                const uint32_t* ui = uc.data();
                uint32_t smallest = UINT32_MAX, shared = 0, k = 0, j = 0;
                for (uint32_t a = 0; a < 3; ++a) {
                    for (uint32_t b = 0; b < 3; ++b) {
                        if (ti[a] == ui[b]) {
                            smallest = std::min(smallest, ti[a]);
                            ++shared;
                            k = a;
                            j = b;
                        }
                    }
                }
                if (smallest != p || shared == 3) {
                    continue;  // met at a smaller shared index, or the same three points
                }
                const T3DVECF ct[3] = {mesh.points[t.a], mesh.points[t.b], mesh.points[t.c]};
                const T3DVECF cu[3] = {mesh.points[u.a], mesh.points[u.b], mesh.points[u.c]};
                const bool meet = shared == 1 ? MeetBeyondPoint(ct, ti, k, cu, ui, j)
                                              : arrangement::FindPairContact(ct, ti, cu, ui).kind !=
                                                    arrangement::PairContact::Kind::None;
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
        T3DVECF corners[3];
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            const TRIANGLE& tri = mesh.triangles[t];
            named.push_back(TRIANGLE{ids[tri.a], ids[tri.b], ids[tri.c]});
            if (!Proper(mesh, named.back(), corners)) {
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

}  // namespace meshaudit::pipeline
