#include "Polygons.h"

#include "containers/MixBits.h"
#include "geometry/Predicates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace meshaudit::cli {

namespace {

// Ear clipping takes cubic time at worst; larger non-convex faces are fanned
// (and counted) rather than stall the reader.
constexpr size_t kMostEarCorners = 256;
// Fans are tried from every corner of a face up to this size (quadratic in
// it); a larger face tries a few corners spread round it, taking the first
// whose fan repeats nothing, so that its time stays linear.
constexpr size_t kMostFanStarts = 32;
constexpr size_t kLargeFanStarts = 8;
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

uint32_t Index(int64_t corner)
{
    return static_cast<uint32_t>(corner);
}

// Triangle i (1 .. n - 2) of the fan from corner k: (ck, ck+i, ck+i+1), in
// the face's winding.
TRIANGLE FanTriangle(const int64_t* corners, size_t n, size_t k, size_t i)
{
    return TRIANGLE{Index(corners[k]), Index(corners[(k + i) % n]), Index(corners[(k + i + 1) % n])};
}

// How many of the fan's diagonals (ck, ck+i), i = 2 .. n - 2, are known
// edges and how many of its triangles are known triangles. A known triangle
// has known edges only, so triangles are looked up only beside known
// diagonals.
size_t FanRepeats(const KnownElements& known, const int64_t* corners, size_t n, size_t k)
{
    size_t repeats = 0;
    bool before = true;  // the diagonal before triangle i (its side c_k c_k+i) is known, or a side of the face
    for (size_t i = 1; i + 1 < n; ++i) {
        const TRIANGLE t = FanTriangle(corners, n, k, i);
        const bool after = i + 2 == n || known.HasEdge(t.a, t.c);
        repeats += (i + 2 < n && after) + (before && after && known.HasTriangle(t));
        before = after;
    }
    return repeats;
}

// The square of the sine of the triangle's smallest angle, which lies
// opposite its shortest side and is at most 60 degrees, so that the sine
// ranks it as the angle would: (2 area)^2 over the product of the squares of
// the two longer sides. 0 for a degenerate or non-finite triangle.
double SmallestAngleRank(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const double v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    const double w[3] = {c.x - b.x, c.y - b.y, c.z - b.z};
    const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    auto square = [](const double* d) { return d[0] * d[0] + d[1] * d[1] + d[2] * d[2]; };
    const double uu = square(u), vv = square(v), ww = square(w);
    const double longer = uu <= vv && uu <= ww ? vv * ww : vv <= ww ? uu * ww : uu * vv;
    const double rank = square(cross) / longer;
    return rank > 0.0 ? rank : 0.0;
}

// The fan with the fewest repeats, then, when `angles`, the largest smallest
// angle; ties go to the earlier corner. Without angles the first fan that
// repeats nothing is taken, so that a face keeps the fan from its first
// corner unless that one repeats something.
size_t BestFan(const std::vector<T3DVECF>& points, const int64_t* corners, size_t n, const KnownElements& known,
               bool angles)
{
    // A quad's fans from opposite corners are the same split.
    const size_t starts = n == 4 ? 2 : n <= kMostFanStarts ? n : kLargeFanStarts;
    size_t best = 0;
    size_t fewest = std::numeric_limits<size_t>::max();
    double widest = -1.0;
    for (size_t j = 0; j < starts && (angles || fewest > 0); ++j) {
        const size_t k = n <= kMostFanStarts ? j : j * (n / starts);
        const size_t repeats = FanRepeats(known, corners, n, k);
        if (repeats > fewest) {
            continue;
        }
        double smallest = std::numeric_limits<double>::infinity();
        for (size_t i = 1; angles && i + 1 < n; ++i) {
            const TRIANGLE t = FanTriangle(corners, n, k, i);
            smallest = std::min(smallest, SmallestAngleRank(points[t.a], points[t.b], points[t.c]));
        }
        if (repeats < fewest || smallest > widest) {
            best = k;
            fewest = repeats;
            widest = smallest;
        }
    }
    return best;
}

void WriteFan(const int64_t* corners, size_t n, size_t k, TRIANGLE* out)
{
    for (size_t i = 1; i + 1 < n; ++i) {
        out[i - 1] = FanTriangle(corners, n, k, i);
    }
}

// Ear clipping of a simple polygon wound `s`: an ear is a corner that turns
// with the winding and whose triangle holds no other remaining corner (on
// its boundary either). The first ear whose diagonal is no known edge and
// whose triangle is no known triangle is clipped, else the first ear.
bool ClipEars(const std::vector<Flat>& f, int s, const int64_t* corners, const KnownElements& known, TRIANGLE* out)
{
    const size_t n = f.size();
    std::vector<size_t> ring(n);
    for (size_t i = 0; i < n; ++i) {
        ring[i] = i;
    }
    size_t written = 0;
    while (ring.size() > 3) {
        const size_t m = ring.size();
        // Corners whose ear would repeat nothing first, then the others:
        // each corner's ear is still tested once, at the cost of a look-up.
        size_t ear = m;
        for (int pass = 0; pass < 2 && ear == m; ++pass) {
            for (size_t k = 0; k < m; ++k) {
                const size_t a = ring[(k + m - 1) % m], b = ring[k], c = ring[(k + 1) % m];
                if (Turn(f[a], f[b], f[c]) * s <= 0) {
                    continue;
                }
                const TRIANGLE t{Index(corners[a]), Index(corners[b]), Index(corners[c])};
                if ((known.HasEdge(t.a, t.c) || known.HasTriangle(t)) == (pass == 0)) {
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
                if (empty) {
                    ear = k;
                    break;
                }
            }
        }
        if (ear == m) {
            return false;
        }
        out[written++] = TRIANGLE{Index(corners[ring[(ear + m - 1) % m]]), Index(corners[ring[ear]]),
                                  Index(corners[ring[(ear + 1) % m]])};
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(ear));
    }
    out[written] = TRIANGLE{Index(corners[ring[0]]), Index(corners[ring[1]]), Index(corners[ring[2]])};
    return true;
}

constexpr uint64_t kFree = ~uint64_t{0};

// Packed indices of neighbouring points differ in few bits, which linear
// probing would crowd together: mixed first.
uint64_t HashOf(const uint64_t* key, size_t width)
{
    return width == 1 ? MixBits(key[0]) : MixBits(key[0] ^ MixBits(key[1]));
}

uint64_t EdgeKey(uint32_t a, uint32_t b)
{
    return a < b ? (uint64_t{a} << 32) | b : (uint64_t{b} << 32) | a;
}

std::array<uint64_t, 2> TriangleKey(const TRIANGLE& t)
{
    uint32_t c[3] = {t.a, t.b, t.c};
    std::sort(c, c + 3);
    return {(uint64_t{c[0]} << 32) | c[1], c[2]};
}

}  // namespace

void KnownElements::Grow(Table& table, size_t width, size_t keys)
{
    size_t slots = 16;
    while (slots < 2 * keys) {
        slots *= 2;
    }
    if (slots * width <= table.words.size()) {
        return;
    }
    std::vector<uint64_t> old(slots * width, kFree);
    old.swap(table.words);
    table.count = 0;
    for (size_t i = 0; i < old.size(); i += width) {
        if (old[i] != kFree) {
            Insert(table, &old[i], width);
        }
    }
}

void KnownElements::Insert(Table& table, const uint64_t* key, size_t width)
{
    if (2 * (table.count + 1) > table.words.size() / width) {
        Grow(table, width, 2 * (table.count + 1));
    }
    const size_t mask = table.words.size() / width - 1;
    for (size_t i = HashOf(key, width) & mask;; i = (i + 1) & mask) {
        uint64_t* slot = &table.words[i * width];
        if (slot[0] == kFree) {
            slot[0] = key[0];
            if (width == 2) {
                slot[1] = key[1];
            }
            ++table.count;
            return;
        }
        if (slot[0] == key[0] && (width == 1 || slot[1] == key[1])) {
            return;
        }
    }
}

bool KnownElements::Contains(const Table& table, const uint64_t* key, size_t width)
{
    if (table.count == 0) {
        return false;
    }
    const size_t mask = table.words.size() / width - 1;
    for (size_t i = HashOf(key, width) & mask;; i = (i + 1) & mask) {
        const uint64_t* slot = &table.words[i * width];
        if (slot[0] == kFree) {
            return false;
        }
        if (slot[0] == key[0] && (width == 1 || slot[1] == key[1])) {
            return true;
        }
    }
}

void KnownElements::Reserve(size_t edges, size_t triangles)
{
    Grow(edges_, 1, edges);
    Grow(triangles_, 2, triangles);
}

void KnownElements::AddEdge(uint32_t a, uint32_t b)
{
    const uint64_t key = EdgeKey(a, b);
    Insert(edges_, &key, 1);
}

void KnownElements::AddTriangle(const TRIANGLE& t)
{
    const std::array<uint64_t, 2> key = TriangleKey(t);
    Insert(triangles_, key.data(), 2);
}

bool KnownElements::HasEdge(uint32_t a, uint32_t b) const
{
    const uint64_t key = EdgeKey(a, b);
    return Contains(edges_, &key, 1);
}

bool KnownElements::HasTriangle(const TRIANGLE& t) const
{
    const std::array<uint64_t, 2> key = TriangleKey(t);
    return Contains(triangles_, key.data(), 2);
}

PolygonSplit SplitPolygon(const std::vector<T3DVECF>& points, const int64_t* corners, size_t count,
                          const KnownElements& known, TRIANGLE* out)
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
    auto fan = [&](bool angles) { WriteFan(corners, count, BestFan(points, corners, count, known, angles), out); };
    if (!(std::isfinite(normal[0]) && std::isfinite(normal[1]) && std::isfinite(normal[2])) || repeated) {
        fan(false);
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
        fan(false);
        return PolygonSplit::Failed;
    }
    const bool planar = Planar(points, corners, count, normal);
    if (IsConvex(flat, s)) {
        // Every fan covers a convex face; angles rank them only where all
        // can be tried, and only on a planar face: a bent face's diagonal
        // decides its shape, and the fan from the first corner is the shape
        // other tools give it.
        fan(planar && count <= kMostFanStarts);
        return planar ? PolygonSplit::Convex : PolygonSplit::NotPlanar;
    }
    if (!planar) {
        fan(false);
        return PolygonSplit::NotPlanar;
    }
    if (count > kMostEarCorners || !IsSimple(flat) || !ClipEars(flat, s, corners, known, out)) {
        fan(false);
        return PolygonSplit::Failed;
    }
    return PolygonSplit::Ears;
}

}  // namespace meshaudit::cli
