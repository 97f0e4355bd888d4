#include "Polygons.h"

#include "geometry/Predicates.h"

#include <cmath>

namespace meshaudit::cli {

namespace {

// Ear clipping takes cubic time at worst; larger non-convex faces are fanned
// (and counted) rather than stall the reader.
constexpr size_t kMostEarCorners = 256;
// How far a corner may lie from the face's plane, relative to the face's
// extent, for the face to count as planar.
constexpr double kPlanarTolerance = 1e-6;

struct Flat {
    double p[2];
};

int Turn(const Flat& a, const Flat& b, const Flat& c)
{
    return Orient2DSign(a.p, b.p, c.p);
}

int Compare(double a, double b)
{
    return (a > b) - (a < b);
}

// The side of the direction a -> b, mirrored in v when `s` is -1: upper
// half-plane (angles [0, pi)) or lower, decided from comparisons only.
bool Upper(const Flat& a, const Flat& b, int s)
{
    const int dv = Compare(b.p[1], a.p[1]) * s;
    return dv > 0 || (dv == 0 && Compare(b.p[0], a.p[0]) > 0);
}

// Closed segments ab and cd share a point.
bool SegmentsMeet(const Flat& a, const Flat& b, const Flat& c, const Flat& d)
{
    const int abc = Turn(a, b, c), abd = Turn(a, b, d), cda = Turn(c, d, a), cdb = Turn(c, d, b);
    if (abc * abd < 0 && cda * cdb < 0) {
        return true;
    }
    auto within = [](const Flat& p, const Flat& q, const Flat& r) {  // r on line pq: inside the box
        return std::fmin(p.p[0], q.p[0]) <= r.p[0] && r.p[0] <= std::fmax(p.p[0], q.p[0]) &&
               std::fmin(p.p[1], q.p[1]) <= r.p[1] && r.p[1] <= std::fmax(p.p[1], q.p[1]);
    };
    return (abc == 0 && within(a, b, c)) || (abd == 0 && within(a, b, d)) || (cda == 0 && within(c, d, a)) ||
           (cdb == 0 && within(c, d, b));
}

// Convex with winding `s` (+1 counterclockwise): no turn against the
// winding, no turn back on itself, and the edge directions go round once.
bool IsConvex(const std::vector<Flat>& f, int s)
{
    const size_t n = f.size();
    size_t wraps = 0;
    for (size_t i = 0; i < n; ++i) {
        const Flat& a = f[(i + n - 1) % n];
        const Flat& b = f[i];
        const Flat& c = f[(i + 1) % n];
        const int turn = Turn(a, b, c) * s;
        if (turn < 0) {
            return false;
        }
        if (turn == 0 && (Compare(b.p[0], a.p[0]) != Compare(c.p[0], b.p[0]) ||
                          Compare(b.p[1], a.p[1]) != Compare(c.p[1], b.p[1]))) {
            return false;
        }
        // Mirrored for a clockwise face, so that the directions turn
        // counterclockwise; a wrap is a step from the lower half to the upper.
        const bool before = Upper(a, b, s);
        const bool after = Upper(b, c, s);
        wraps += !before && after;
    }
    return wraps == 1;
}

bool IsSimple(const std::vector<Flat>& f)
{
    const size_t n = f.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 1; j < n; ++j) {
            const size_t i1 = (i + 1) % n, j1 = (j + 1) % n;
            if (j == i + 1 || j1 == i) {
                // Neighbours share a corner; they must not run back along
                // each other.
                const Flat& shared = j == i + 1 ? f[j] : f[i];
                const Flat& p = j == i + 1 ? f[i] : f[j];
                const Flat& q = j == i + 1 ? f[j1] : f[i1];
                if (Turn(p, shared, q) == 0 && (Compare(shared.p[0], p.p[0]) != Compare(q.p[0], shared.p[0]) ||
                                                Compare(shared.p[1], p.p[1]) != Compare(q.p[1], shared.p[1]))) {
                    return false;
                }
                continue;
            }
            if (SegmentsMeet(f[i], f[i1], f[j], f[j1])) {
                return false;
            }
        }
    }
    return true;
}

bool Planar(const std::vector<T3DVECF>& points, const int64_t* corners, size_t count, const double normal[3])
{
    const T3DVECF& o = points[static_cast<size_t>(corners[0])];
    const double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    double extent = 0.0, offset = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const T3DVECF& p = points[static_cast<size_t>(corners[i])];
        const double d[3] = {p.x - o.x, p.y - o.y, p.z - o.z};
        extent = std::fmax(extent, std::fabs(d[0]) + std::fabs(d[1]) + std::fabs(d[2]));
        offset = std::fmax(offset, std::fabs(d[0] * normal[0] + d[1] * normal[1] + d[2] * normal[2]) / length);
    }
    return offset <= kPlanarTolerance * extent;
}

// Ear clipping of a simple polygon wound `s`: an ear is a corner that turns
// with the winding and whose triangle holds no other remaining corner (on
// its boundary either).
bool ClipEars(const std::vector<Flat>& f, int s, const int64_t* corners, TRIANGLE* out)
{
    const size_t n = f.size();
    std::vector<size_t> ring(n);
    for (size_t i = 0; i < n; ++i) {
        ring[i] = i;
    }
    size_t written = 0;
    while (ring.size() > 3) {
        const size_t m = ring.size();
        bool clipped = false;
        for (size_t k = 0; k < m && !clipped; ++k) {
            const size_t a = ring[(k + m - 1) % m], b = ring[k], c = ring[(k + 1) % m];
            if (Turn(f[a], f[b], f[c]) * s <= 0) {
                continue;
            }
            bool empty = true;
            for (size_t q = 0; q < m && empty; ++q) {
                const size_t r = ring[q];
                if (r == a || r == b || r == c) {
                    continue;
                }
                empty = !(Turn(f[a], f[b], f[r]) * s >= 0 && Turn(f[b], f[c], f[r]) * s >= 0 &&
                          Turn(f[c], f[a], f[r]) * s >= 0);
            }
            if (!empty) {
                continue;
            }
            out[written++] = TRIANGLE{static_cast<uint32_t>(corners[a]), static_cast<uint32_t>(corners[b]),
                                      static_cast<uint32_t>(corners[c])};
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(k));
            clipped = true;
        }
        if (!clipped) {
            return false;
        }
    }
    out[written] = TRIANGLE{static_cast<uint32_t>(corners[ring[0]]), static_cast<uint32_t>(corners[ring[1]]),
                            static_cast<uint32_t>(corners[ring[2]])};
    return true;
}

}  // namespace

PolygonSplit SplitPolygon(const std::vector<T3DVECF>& points, const int64_t* corners, size_t count,
                          TRIANGLE* out)
{
    auto point = [&](size_t i) -> const T3DVECF& { return points[static_cast<size_t>(corners[i])]; };
    // Newell's normal picks the plane to project onto; the exact tests
    // below decide everything else.
    double normal[3] = {0.0, 0.0, 0.0};
    for (size_t i = 0; i < count; ++i) {
        const T3DVECF& a = point(i);
        const T3DVECF& b = point((i + 1) % count);
        normal[0] += (a.y - b.y) * (a.z + b.z);
        normal[1] += (a.z - b.z) * (a.x + b.x);
        normal[2] += (a.x - b.x) * (a.y + b.y);
    }
    const double ax = std::fabs(normal[0]), ay = std::fabs(normal[1]), az = std::fabs(normal[2]);
    // Dropping the coordinate of the largest normal component; the two kept
    // are in the order that keeps the face's own sense of turning.
    const int drop = ax >= ay && ax >= az ? 0 : ay >= az ? 1 : 2;
    std::vector<Flat> flat;
    flat.reserve(count);
    bool repeated = false;
    for (size_t i = 0; i < count; ++i) {
        const T3DVECF& p = point(i);
        const double c[3] = {p.x, p.y, p.z};
        flat.push_back(Flat{{c[(drop + 1) % 3], c[(drop + 2) % 3]}});
        const T3DVECF& q = point((i + 1) % count);
        repeated = repeated || (p.x == q.x && p.y == q.y && p.z == q.z);
    }
    auto fan = [&] {
        for (size_t i = 1; i + 1 < count; ++i) {
            out[i - 1] = TRIANGLE{static_cast<uint32_t>(corners[0]), static_cast<uint32_t>(corners[i]),
                                  static_cast<uint32_t>(corners[i + 1])};
        }
    };
    fan();
    if (!(std::isfinite(normal[0]) && std::isfinite(normal[1]) && std::isfinite(normal[2])) || repeated) {
        return PolygonSplit::Failed;
    }
    // The winding, exactly: the lowest (then leftmost) corner is convex.
    size_t low = 0;
    for (size_t i = 1; i < count; ++i) {
        const int dv = Compare(flat[i].p[1], flat[low].p[1]);
        if (dv < 0 || (dv == 0 && Compare(flat[i].p[0], flat[low].p[0]) < 0)) {
            low = i;
        }
    }
    const int s = Turn(flat[(low + count - 1) % count], flat[low], flat[(low + 1) % count]);
    if (s == 0) {
        return PolygonSplit::Failed;
    }
    if (IsConvex(flat, s)) {
        return PolygonSplit::Fan;
    }
    if (count > kMostEarCorners || !Planar(points, corners, count, normal) || !IsSimple(flat) ||
        !ClipEars(flat, s, corners, out)) {
        fan();
        return PolygonSplit::Failed;
    }
    return PolygonSplit::Ears;
}

}  // namespace meshaudit::cli
