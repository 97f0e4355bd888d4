// Faces that lie round a point without folding meet only at the point and
// along the sides that neighbours share: no pair of them needs a test. The
// check before the arrangement and the arrangement's rounds both skip the
// pairs round such points; a closed mesh's points are nearly all so.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"
#include "repair/arrangement/PlaneProjection.h"

#include <array>
#include <cstdint>

namespace meshaudit::arrangement {

// A face round a point, as ForEachFan gives it: a Face without its corners.
struct FanFace {
    uint32_t id[3];
    int i, j;
};

// Room kept from one point to the next for fans of more than kScannedFan
// faces (the test's cost grows as count log count; allocating for each
// point cost more than the test); smaller fans use the stack.
struct FanWork {
    WorkArray<std::array<uint32_t, 2>> order;
    WorkArray<uint32_t> after;
    WorkArray<uint32_t> left;
    WorkArray<uint32_t> reach;
    WorkArray<uint8_t> led;
    WorkArray<uint32_t> chain;
    WorkArray<double> flat;
};

// Whether the faces round p (`count` of them, each with p as a corner) lie
// round it without folding: their other corners chain them in one cycle,
// or one path from a side that no face reaches to one that no face leaves,
// each face leaving p from the side the last one reached, and seen along
// one direction every face turns the same way and the chain turns round p
// less than once, or, closed, exactly once. Then each face's shadow is an
// angle at p that no other's overlaps, and a face meets its shadow's points
// only once (it has an area in that view): faces meet only at p and along
// the sides that neighbours share. False, leaving the pairs to be tested,
// when any of this fails.
//
// The view is the projection on the first face's coordinate plane; for
// fans of more than kScannedFan faces that it does not show so, such as
// the many faces round a box's corner or edge where a face cut by many
// curves meets its neighbours, one of a few fixed directions with whole
// coordinates, chosen between the faces' normals, decided exactly.
//
// Fans of up to `scanned` faces find each face's successor by scanning the
// others, fewer steps than a sort and a search for each round most points
// of a mesh (six faces or so); larger ones sort, so that a fan of n faces
// costs n log n. Both give the same answer; the tests compare them.
//
// The faces name their corners by id alone, `points[id]` being where each
// is: only the corners the chain passes are read.
inline constexpr uint32_t kScannedFan = 16;
bool FoldFreeFan(const FanFace* faces, uint32_t count, uint32_t p, const T3DVECF* points, FanWork& work,
                 uint32_t scanned = kScannedFan);

// The faces round every point in turn: of the triangles for which
// `corners(t, ids)` gives true, named by the three distinct ids it writes,
// those with an area, their corners at `at(id)`; `visit(p, faces, count)`
// for each point id below pointCount, stopping when it returns false.
// Returns false when it stopped. Throws std::bad_alloc as WorkArray does.
// The faces carry their ids and axes, not their corners: a fan is mostly
// decided from a few of them (FoldFreeFan), and copying every corner of
// every face round every point cost more than the test.
template <class Corners, class At, class Visit>
bool ForEachFan(uint32_t pointCount, uint32_t triangleCount, Corners&& corners, At&& at, Visit&& visit)
{
    // 0 for a triangle left out, else 1 + the axis its plane's projection
    // drops; kKeptAxes by that number, the two axes kept in cyclic order.
    constexpr int kKeptAxes[4][2] = {{0, 0}, {1, 2}, {2, 0}, {0, 1}};
    WorkArray<uint8_t> drop(triangleCount, 0);
    WorkArray<uint32_t> first(size_t{pointCount} + 1, 0);
    std::array<uint32_t, 3> ids{};
    for (uint32_t t = 0; t < triangleCount; ++t) {
        if (!corners(t, ids)) {
            continue;
        }
        const T3DVECF c[3] = {at(ids[0]), at(ids[1]), at(ids[2])};
        int i = 0, j = 0;
        if (ProjectionAxes(c, i, j)) {
            drop[t] = static_cast<uint8_t>(1 + (i + 2) % 3);
            for (uint32_t k = 0; k < 3; ++k) {
                ++first[ids[k] + 1];
            }
        }
    }
    for (uint32_t p = 0; p < pointCount; ++p) {
        first[p + 1] += first[p];
    }
    WorkArray<uint32_t> fan(first[pointCount]);
    WorkArray<uint32_t> next(first.begin(), first.end() - 1);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        if (drop[t] != 0) {
            corners(t, ids);
            for (uint32_t k = 0; k < 3; ++k) {
                fan[next[ids[k]]++] = t;
            }
        }
    }
    WorkArray<FanFace> faces;
    for (uint32_t p = 0; p < pointCount; ++p) {
        const uint32_t count = first[p + 1] - first[p];
        faces.resize(count);
        for (uint32_t x = 0; x < count; ++x) {
            const uint32_t t = fan[first[p] + x];
            corners(t, ids);
            FanFace& f = faces[x];
            for (uint32_t k = 0; k < 3; ++k) {
                f.id[k] = ids[k];
            }
            f.i = kKeptAxes[drop[t]][0];
            f.j = kKeptAxes[drop[t]][1];
        }
        if (!visit(p, faces.data(), count)) {
            return false;
        }
    }
    return true;
}

}  // namespace meshaudit::arrangement
