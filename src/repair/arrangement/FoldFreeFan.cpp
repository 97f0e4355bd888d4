#include "repair/arrangement/FoldFreeFan.h"

#include "geometry/ExactSum.h"
#include "geometry/ModerateRange.h"

#include <algorithm>
#include <cmath>

namespace meshaudit::arrangement {

namespace {

// Whether the sides of a chained fan, as a view shows them round the point
// (turn(a, b): the turn from side a to side b, -1, 0 or 1; sameRay(k):
// whether side k, on the line of side 0 through the point, lies on its
// side of the point), turn round it without folding: every face turns the
// same way, and the chain turns round the point less than once, or, closed,
// exactly once. Then each face's shadow is an angle at the point that no
// other's overlaps, and each face has an area in that view: faces meet
// only at the point and along the sides that neighbours share.
template <class Turn, class SameRay>
bool TurnsOnce(uint32_t count, bool closed, Turn&& turn, SameRay&& sameRay)
{
    const int way = turn(0, 1);
    if (way == 0) {
        return false;  // the first face has no area in this view
    }
    for (uint32_t k = 1; k < count; ++k) {
        if (turn(k, k + 1) != way) {
            return false;
        }
    }
    // The first side's direction: strictly inside a face after the first,
    // or along a later side, the same way from p. A second turn would begin
    // at the third side or later (two angles make less than a turn);
    // closed, the last face ends at the first side itself, and a second
    // turn would begin at the third from last or earlier (the turn it
    // begins takes three angles or more).
    const uint32_t last = closed ? count - 2 : count;
    // turn(k + 1, 0), tested at k, is the turn(k, 0) of the step after:
    // taken once for both.
    int fromSide = last > 2 ? turn(2, 0) : 0;
    for (uint32_t k = 2; k < last; ++k) {
        if (fromSide * way > 0 && turn(0, k + 1) * way > 0) {
            return false;
        }
        fromSide = turn(k + 1, 0);
        if (fromSide == 0 && sameRay(k + 1)) {
            return false;
        }
    }
    return true;
}

// The views tried round creases and corners: the directions with whole
// coordinates from -2 to 2, one of each pair of opposites (a view and its
// opposite show the same turns, reversed). Round any corner of three
// square faces, however turned, one of them lies at more than 19 degrees
// from each face's plane.
struct Directions {
    int d[49][3];
    constexpr Directions() : d{}
    {
        int n = 0;
        for (int x = -2; x <= 2; ++x) {
            for (int y = -2; y <= 2; ++y) {
                for (int z = -2; z <= 2; ++z) {
                    const bool first = x > 0 || (x == 0 && (y > 0 || (y == 0 && z > 0)));
                    const bool primitive = (x % 2 != 0 || y % 2 != 0 || z % 2 != 0);
                    if (first && primitive) {
                        d[n][0] = x;
                        d[n][1] = y;
                        d[n][2] = z;
                        ++n;
                    }
                }
            }
        }
    }
};
constexpr Directions kDirections;

// Picks into d the direction of kDirections that lies farthest, in the
// worst face, from the faces' planes, all on one side of it, by their
// normals in doubles; false when none lies on one side of them all. The
// choice only picks the view: every decision in it is exact.
template <class Side>
bool ViewBetweenNormals(const T3DVECF* points, uint32_t p, uint32_t count, Side&& side, int* d)
{
    double lo[49], hi[49];
    std::fill_n(lo, 49, 1.0);
    std::fill_n(hi, 49, -1.0);
    const T3DVECF& o = points[p];
    for (uint32_t k = 0; k < count; ++k) {
        if (!ModeratePoint(points[side(k)])) {
            return false;
        }
        const T3DVECF& a = points[side(k)];
        const T3DVECF& b = points[side(k + 1)];
        const double u[3] = {a.x - o.x, a.y - o.y, a.z - o.z};
        const double v[3] = {b.x - o.x, b.y - o.y, b.z - o.z};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (!(length > 0.0) || !std::isfinite(length)) {
            return false;
        }
        for (int x = 0; x < 49; ++x) {
            const int* e = kDirections.d[x];
            const double dot = (n[0] * e[0] + n[1] * e[1] + n[2] * e[2]) /
                               (length * std::sqrt(static_cast<double>(e[0] * e[0] + e[1] * e[1] + e[2] * e[2])));
            lo[x] = std::min(lo[x], dot);
            hi[x] = std::max(hi[x], dot);
        }
    }
    if (!ModeratePoint(o) || !ModeratePoint(points[side(count)])) {
        return false;
    }
    double best = 0.0;
    for (int x = 0; x < 49; ++x) {
        const double margin = std::max(lo[x], -hi[x]);
        if (margin > best) {
            best = margin;
            std::copy_n(kDirections.d[x], 3, d);
        }
    }
    return best > 0.0;
}

// The sign of det[a - o, b - o, d]: the turn from a to b round o, seen
// along d (whole numbers up to 2 in size, so that each scaled coordinate is
// exact), computed exactly from the products of the coordinates. Sets
// `overflowed` when a product left the range of doubles (not for moderate
// coordinates).
int TurnAlong(const int* d, const T3DVECF& o, const T3DVECF& a, const T3DVECF& b, bool& overflowed)
{
    const double* oc = Coordinates(o);
    const double* ac = Coordinates(a);
    const double* bc = Coordinates(b);
    ExactSum sum;
    for (int i = 0; i < 3; ++i) {
        if (d[i] == 0) {
            continue;
        }
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        const double s = d[i];
        // (a - o) x (b - o), component i, with the products o_j o_k that
        // cancel left out.
        sum.AddProduct(s * ac[j], bc[k]);
        sum.AddProduct(-s * ac[j], oc[k]);
        sum.AddProduct(-s * oc[j], bc[k]);
        sum.AddProduct(-s * ac[k], bc[j]);
        sum.AddProduct(s * ac[k], oc[j]);
        sum.AddProduct(s * oc[k], bc[j]);
    }
    overflowed = overflowed || sum.Overflowed();
    return sum.Sign();
}

// Whether q and f, which a view along d shows on one line through o, lie on
// the same side of o in it: the signs of their coordinates in that view,
// (d_z w_x - d_x w_z, d_z w_y - d_y w_z) for w = q - o and f - o with z an
// axis along which d is not zero, taken as the first view takes them.
bool SameRayAlong(const int* d, const T3DVECF& o, const T3DVECF& q, const T3DVECF& f, bool& overflowed)
{
    const int z = d[2] != 0 ? 2 : d[1] != 0 ? 1 : 0;
    const double* oc = Coordinates(o);
    const auto coordinate = [&](const T3DVECF& w, int axis) {
        const double* wc = Coordinates(w);
        ExactSum sum;
        sum.Add(d[z] * wc[axis]);
        sum.Add(-d[z] * oc[axis]);
        sum.Add(-d[axis] * wc[z]);
        sum.Add(d[axis] * oc[z]);
        overflowed = overflowed || sum.Overflowed();
        return sum.Sign();
    };
    for (int axis = 0; axis < 3; ++axis) {
        if (axis != z && (coordinate(q, axis) > 0) != (coordinate(f, axis) > 0)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool FoldFreeFan(const FanFace* faces, uint32_t count, uint32_t p, const T3DVECF* points, FanWork& work,
                 uint32_t scanned)
{
    // Fans of up to kScannedFan faces, nearly all, keep their arrays on the
    // stack; larger ones in `work`.
    const bool small = count <= kScannedFan;
    uint32_t smallAfter[kScannedFan];
    uint8_t smallLed[kScannedFan];
    uint32_t smallChain[kScannedFan + 1];
    double smallFlat[2 * (kScannedFan + 1)];
    uint32_t smallLeft[kScannedFan];
    uint32_t smallReach[kScannedFan];
    if (!small) {
        work.left.resize(count);
        work.reach.resize(count);
        work.after.resize(count);
        work.led.resize(count);
        work.chain.resize(size_t{count} + 1);
        work.flat.resize(2 * (size_t{count} + 1));
    }
    uint32_t* after = small ? smallAfter : work.after.data();
    uint32_t* left = small ? smallLeft : work.left.data();
    uint32_t* reach = small ? smallReach : work.reach.data();
    uint8_t* led = small ? smallLed : work.led.data();
    uint32_t* chain = small ? smallChain : work.chain.data();
    double* flat = small ? smallFlat : work.flat.data();
    // The side each face leaves p from (its corner after p) and the side it
    // reaches (the corner before p), found once: the chaining and the
    // projection below read them again and again.
    for (uint32_t x = 0; x < count; ++x) {
        const uint32_t* id = faces[x].id;
        const uint32_t at = id[0] == p ? 0u : id[1] == p ? 1u : 2u;
        left[x] = id[at == 2 ? 0 : at + 1];
        reach[x] = id[at == 0 ? 2 : at - 1];
    }
    // after[x]: the face that leaves from the side face x reaches, or
    // UINT32_MAX; each side must be left by one face at most.
    std::fill_n(after, count, UINT32_MAX);
    if (count <= std::min(scanned, kScannedFan)) {
        for (uint32_t x = 0; x < count; ++x) {
            for (uint32_t y = 0; y < x; ++y) {
                if (left[y] == left[x]) {
                    return false;
                }
            }
        }
        for (uint32_t x = 0; x < count; ++x) {
            const uint32_t side = reach[x];
            for (uint32_t y = 0; y < count; ++y) {
                if (left[y] == side) {
                    after[x] = y;
                    break;
                }
            }
        }
    } else {
        // The faces by the side they leave from.
        WorkArray<std::array<uint32_t, 2>>& order = work.order;
        order.resize(count);
        for (uint32_t x = 0; x < count; ++x) {
            order[x] = {left[x], x};
        }
        std::sort(order.begin(), order.end());
        for (uint32_t x = 1; x < count; ++x) {
            if (order[x][0] == order[x - 1][0]) {
                return false;
            }
        }
        for (uint32_t x = 0; x < count; ++x) {
            const auto it = std::lower_bound(order.begin(), order.end(), std::array<uint32_t, 2>{reach[x], 0});
            after[x] = it != order.end() && (*it)[0] == reach[x] ? (*it)[1] : UINT32_MAX;
        }
    }
    // The start: a face no face leads to, or any face of a cycle.
    std::fill_n(led, count, uint8_t{0});
    for (uint32_t x = 0; x < count; ++x) {
        if (after[x] != UINT32_MAX) {
            led[after[x]] = 1;
        }
    }
    const auto start = static_cast<uint32_t>(std::find(led, led + count, uint8_t{0}) - led);
    const bool closed = start == count;
    if (closed && count < 3) {
        return false;  // two faces cannot close a fan with angles below a half turn
    }
    uint32_t length = 0;
    for (uint32_t x = closed ? 0 : start; x != UINT32_MAX && length <= count; x = after[x]) {
        if (closed && length != 0 && x == chain[0]) {
            break;
        }
        chain[length++] = x;
    }
    if (length != count) {
        return false;  // more than one chain, or a path that runs into a cycle
    }
    // Seen first in the projection of the first face's plane (its axes):
    // the point and side k of the chain, k from 0 to count (the last the
    // first again when closed, else the side the last face reaches), each
    // projected once.
    const auto side = [&](uint32_t k) { return k < count ? left[chain[k]] : reach[chain[count - 1]]; };
    const FanFace& view = faces[chain[0]];
    double o[2];
    Project(points[p], view.i, view.j, o);
    for (uint32_t k = 0; k <= count; ++k) {
        Project(points[side(k)], view.i, view.j, &flat[2 * k]);
    }
    const auto turn = [&](uint32_t from, uint32_t to) { return Orient2DSign(o, &flat[2 * from], &flat[2 * to]); };
    const auto sameRay = [&](uint32_t k) {
        const double* q = &flat[2 * k];
        const double* f = &flat[0];
        return (q[0] > o[0]) == (f[0] > o[0]) && (q[1] > o[1]) == (f[1] > o[1]);
    };
    if (TurnsOnce(count, closed, turn, sameRay)) {
        return true;
    }
    // Round a crease or a corner (faces of two or three planes, as where a
    // box's face, cut by many curves, meets its neighbours) no face's own
    // projection shows every face turning the same way, but a view between
    // their normals may. Only fans too large for their pairs to be tested
    // cheaply are looked at again.
    if (count <= kScannedFan) {
        return false;
    }
    int d[3] = {0, 0, 0};
    if (!ViewBetweenNormals(points, p, count, side, d)) {
        return false;
    }
    bool overflowed = false;
    const auto turnAlong = [&](uint32_t from, uint32_t to) {
        return TurnAlong(d, points[p], points[side(from)], points[side(to)], overflowed);
    };
    const auto sameRayAlong = [&](uint32_t k) {
        return SameRayAlong(d, points[p], points[side(k)], points[side(0)], overflowed);
    };
    return TurnsOnce(count, closed, turnAlong, sameRayAlong) && !overflowed;
}

}  // namespace meshaudit::arrangement
