#include "repair/arrangement/ArrangeCheck.h"
#include "containers/FlatMap.h"
#include "containers/WorkArray.h"

#include "geometry/IntersectingPairs.h"
#include "geometry/Predicates.h"
#include "geometry/TriAabbTree.h"
#include "repair/arrangement/FoldFreeFan.h"
#include "repair/arrangement/MeetBeyond.h"
#include "repair/arrangement/PlaceKey.h"
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
// here the set's lowest index (which one does not change the answer: only
// equal ids are compared). Empty when a used point is not finite, which
// leaves the answer to the arrangement. `joined` tells whether any point
// takes another's id.
WorkArray<uint32_t> PointIds(const MeshRecord& mesh, bool& joined)
{
    WorkArray<uint32_t> ids(mesh.pointCount, UINT32_MAX);
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        for (uint32_t k = 0; k < 3; ++k) {
            ids[Corners(mesh.triangles[t])[k]] = 0;
        }
    }
    FlatMap<PlaceKey, PlaceHash> first;
    first.Reserve(mesh.pointCount);
    joined = false;
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        if (ids[p] == 0) {
            const T3DVECF& c = mesh.points[p];
            if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) {
                return {};
            }
            const double place[3] = {c.x, c.y, c.z};
            const auto [id, added] = first.Emplace(PlaceKey::Of(place), p);
            ids[p] = id;
            joined |= !added;
        }
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

// The pairs that share a point index, each at the smallest index they
// share: any contact between two triangles with an area? The arrangement
// skips a pair in which either has none (they share an index), and a pair
// of the same three points.
ArrangeCheck CheckFans(const MeshRecord& mesh)
{
    const auto corners = [&mesh](uint32_t t, std::array<uint32_t, 3>& ids) {
        ids = Corners(mesh.triangles[t]);
        return !RepeatsIndex(mesh.triangles[t]);
    };
    const auto at = [&mesh](uint32_t p) { return mesh.points[p]; };
    FanWork work;
    WorkArray<Face> faces;
    ArrangeCheck answer = ArrangeCheck::Clean;
    ForEachFan(mesh.pointCount, mesh.triangleCount, corners, at, [&](uint32_t p, const FanFace* fan, uint32_t count) {
        if (FoldFreeFan(fan, count, p, mesh.points, work)) {
            return true;
        }
        if (count > kMostFan) {
            answer = ArrangeCheck::Crowded;
            return false;
        }
        // The pairs are tested on the faces with their corners.
        faces.resize(count);
        for (uint32_t x = 0; x < count; ++x) {
            for (uint32_t k = 0; k < 3; ++k) {
                faces[x].id[k] = fan[x].id[k];
                faces[x].c[k] = mesh.points[fan[x].id[k]];
            }
            faces[x].i = fan[x].i;
            faces[x].j = fan[x].j;
        }
        for (uint32_t x = 0; x < count; ++x) {
            const Face& t = faces[x];
            for (uint32_t y = x + 1; y < count; ++y) {
                const Face& u = faces[y];
                uint32_t smallest = UINT32_MAX, shared = 0;
                for (uint32_t a = 0; a < 3; ++a) {
                    for (uint32_t b = 0; b < 3; ++b) {
                        if (t.id[a] == u.id[b]) {
                            smallest = std::min(smallest, t.id[a]);
                            ++shared;
                        }
                    }
                }
                if (smallest != p || shared == 3) {
                    continue;  // met at a smaller shared index, or the same three points
                }
                if (MeetBeyondShared(t, u)) {
                    answer = ArrangeCheck::Contact;
                    return false;
                }
            }
        }
        return true;
    });
    return answer;
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
    if (tree.Build(record, TriLeaves::Wide, TreeSorts::Small) != 1) {
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
