#include "repair/arrangement/RadialOrder.h"
#include "containers/WorkArray.h"

#include "geometry/Predicates.h"
#include "repair/arrangement/UnionNormal.h"

#include <algorithm>

namespace meshaudit::arrangement {

namespace {

// The angle of an apex about the edge, reduced to four classes against the
// first half-plane r: 0 on r itself, 1 strictly between r and its opposite
// (counterclockwise), 2 on the opposite half-plane, 3 beyond it.
struct Classified {
    RadialFace face;
    int8_t quadrant;
};

}  // namespace

bool SortAroundEdge(const T3DVECF* points, uint32_t u, uint32_t v, WorkArray<RadialFace>& around)
{
    if (around.size() < 2) {
        return true;
    }
    const T3DVECF& pu = points[u];
    const T3DVECF& pv = points[v];
    const T3DVECF& pr = points[around[0].apex];
    // A coordinate plane on which (u, v, r) keeps its area: an apex in r's
    // plane lies on r's side of the edge there exactly when it does in space
    // (the projection is one to one on that plane).
    int axis = 0;
    while (axis < 2 && NormalSign(pu, pv, pr, axis) == 0) {
        ++axis;
    }
    const int8_t rSide = NormalSign(pu, pv, pr, axis);
    WorkArray<Classified> items;
    items.reserve(around.size());
    for (const RadialFace& f : around) {
        const T3DVECF& w = points[f.apex];
        // Orient3D is negative on the side (v - u) x (r - u) points to: the
        // side of increasing angle.
        const int8_t side = Orient3DSign(pu, pv, pr, w);
        int8_t quadrant = side < 0 ? 1 : 3;
        if (side == 0) {
            quadrant = NormalSign(pu, pv, w, axis) == rSide ? 0 : 2;
        }
        items.push_back({f, quadrant});
    }
    // Within quadrant 1 or 3 the angles span less than a half turn, so b
    // follows a exactly when b lies on a's side of increasing angle.
    const auto before = [&](const Classified& a, const Classified& b) {
        if (a.quadrant != b.quadrant) {
            return a.quadrant < b.quadrant;
        }
        if (a.quadrant == 0 || a.quadrant == 2) {
            return false;
        }
        return Orient3DSign(pu, pv, points[a.face.apex], points[b.face.apex]) < 0;
    };
    // Stable: around[0] stays ahead of any other face on its half-plane,
    // which the check below reports anyway.
    std::stable_sort(items.begin(), items.end(), before);
    for (size_t i = 0; i < items.size(); ++i) {
        around[i] = items[i].face;
        if (i > 0 && !before(items[i - 1], items[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace meshaudit::arrangement
