// Nesting of closed shells, and the exact sign of each shell's enclosed
// volume.
//
// A ray leaves the point of largest x of each closed shell S toward +x. It
// is perturbed symbolically (Edelsbrunner and Muecke's simulation of
// simplicity): its origin is p + (-d, e, e^2) with d >> e > 0 infinitesimal,
// so that it meets no edge, no point and no plane through p, and every test
// below is one exact orientation sign or, where that sign is 0, the sign of
// the perturbation's first term that does not vanish.
//
// The first shell T the ray meets decides S's parent, when no two shells
// cross: if the ray leaves T there, S lies inside T and no shell comes
// between them (it would be met first), so T is the parent; if it enters T,
// S and T lie side by side in the same enclosing shell, and S's parent is
// T's. T's point of largest x lies beyond S's, so that walk ends, and the
// shells taken in decreasing order of that x find T's parent known. Each
// shell costs one nearest-hit search instead of one crossing per enclosing
// shell: deep nesting and long rows stay near linear.
#include "SolidParts.h"

#include "geometry/ExactArithmetic.h"
#include "geometry/Predicates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cfloat>
#include <cstring>
#include <limits>

namespace meshaudit::solid {

namespace {

int Compare(double a, double b)
{
    return (a > b) - (a < b);
}

// Sign of the orientation of (a, b, p') in the (y, z) plane, p' the
// perturbed origin: the exact sign at p, else the signs of its derivatives
// in the perturbation's y (z_a - z_b), then z (y_b - y_a).
int PerturbedSide(const T3DVECF& a, const T3DVECF& b, const T3DVECF& p)
{
    const double pa[2] = {a.y, a.z}, pb[2] = {b.y, b.z}, pp[2] = {p.y, p.z};
    const int side = Orient2DSign(pa, pb, pp);
    if (side != 0) {
        return side;
    }
    const int dy = Compare(a.z, b.z);
    return dy != 0 ? dy : Compare(b.y, a.y);
}

// The perturbed ray from p crosses triangle (a, b, c) ahead of its origin.
// Inside the triangle's (y, z) shadow when the three sides agree (a side
// whose ends share y and z makes a shadow without area: never crossed);
// ahead when p is behind the plane as the triangle's normal sees +x, or on
// it, since the origin lies d behind p.
bool CrossesAhead(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF& p)
{
    const int ab = PerturbedSide(a, b, p);
    if (ab == 0 || PerturbedSide(b, c, p) != ab || PerturbedSide(c, a, p) != ab) {
        return false;
    }
    // The normal's x component has the sign of the shadow's orientation,
    // which the three agreeing sides give; Orient3D(a, b, c, q) is
    // (a - q) . normal, so the plane lies ahead when it has that sign too.
    const int ahead = Orient3DSign(a, b, c, p);
    return ahead == 0 || ahead == ab;
}

// An exact sum of doubles: each term's 53-bit significand added, in 32-bit
// pieces, into 64-bit counters spanning every binary exponent a double can
// have; carries are settled before a counter could overflow.
class ExactSum {
public:
    void Add(double x)
    {
        if (x == 0.0) {
            return;
        }
        if (!std::isfinite(x)) {
            // A product of huge coordinates overflowed: past the range where
            // doubles are exact, the sum's sign is unknown.
            overflowed_ = true;
            return;
        }
        int exponent = 0;
        const double fraction = std::frexp(x, &exponent);
        // x = significand * 2^(exponent - 53), the significand a whole number.
        const int64_t significand = static_cast<int64_t>(std::ldexp(fraction, 53));
        const int bit = exponent - 53 + kBias;
        const uint64_t magnitude = static_cast<uint64_t>(significand < 0 ? -significand : significand);
        const int sign = significand < 0 ? -1 : 1;
        const int word = bit / 32, shift = bit % 32;
        // The significand in two halves, each shifted in place: the pieces
        // added to each counter stay below 2^33.
        const uint64_t low = (magnitude & 0xFFFFFFFFu) << shift, high = (magnitude >> 32) << shift;
        words_[word] += sign * static_cast<int64_t>(low & 0xFFFFFFFFu);
        words_[word + 1] += sign * static_cast<int64_t>((low >> 32) + (high & 0xFFFFFFFFu));
        words_[word + 2] += sign * static_cast<int64_t>(high >> 32);
        if (++pending_ == kSettleEvery) {
            Settle();
        }
    }

    // The sign of the sum; 0 also when a term overflowed.
    int Sign()
    {
        if (overflowed_) {
            return 0;
        }
        Settle();
        for (int i = kWords - 1; i >= 0; --i) {
            if (words_[i] != 0) {
                return words_[i] > 0 ? 1 : -1;
            }
        }
        return 0;
    }

private:
    // Every counter back to [0, 2^32), its carry (or borrow) moved up; the
    // top counter keeps the sign of the whole.
    void Settle()
    {
        for (int i = 0; i + 1 < kWords; ++i) {
            const int64_t carry = words_[i] >> 32;  // floor division by 2^32
            words_[i] -= carry * (int64_t{1} << 32);
            words_[i + 1] += carry;
        }
        pending_ = 0;
    }

    // The smallest subnormal is 2^-1074: significand bits start at 2^-1126.
    static constexpr int kBias = 1126;
    static constexpr int kWords = (kBias + 1024 + 96) / 32 + 1;
    // Each addition adds less than 2^33 to a counter that settling left in
    // [0, 2^32): 2^20 additions stay far from 2^63.
    static constexpr int kSettleEvery = 1 << 20;
    int64_t words_[kWords] = {};
    int pending_ = 0;
    bool overflowed_ = false;
};

// det(a, b, c) = a . (b x c), as six products of three coordinates, each
// made exact (two-product, then each part times the third factor).
void AddExactDeterminant(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, ExactSum& sum)
{
    const double terms[6][3] = {{a.x, b.y, c.z}, {a.y, b.z, c.x}, {a.z, b.x, c.y},
                                {-a.x, b.z, c.y}, {-a.y, b.x, c.z}, {-a.z, b.y, c.x}};
    for (const auto& t : terms) {
        double hi = 0.0, lo = 0.0;
        exact::TwoProduct(t[0], t[1], hi, lo);
        double x = 0.0, y = 0.0;
        exact::TwoProduct(hi, t[2], x, y);
        sum.Add(x);
        sum.Add(y);
        exact::TwoProduct(lo, t[2], x, y);
        sum.Add(x);
        sum.Add(y);
    }
}

// The sign of each closed shell's volume, sum of det(a, b, c) / 6 over its
// triangles: in doubles (MeasureTriangles sums them) with a bound on their
// error, and exactly for the shells the bound leaves in doubt.
void VolumeSigns(const MeshRecord& mesh, const ShellGeometry& shells, Solids& out)
{
    const auto& counted = shells.counted;
    // A determinant in doubles is off by at most 5 roundings of its
    // permanent, and n sums add n more; 8 + n units of 2^-53, with a margin
    // for the rounding of the bound itself, cover both.
    WorkArray<uint32_t> doubtful;
    for (uint32_t s = 0; s < out.shellCount; ++s) {
        if (counted[s] == 0) {
            continue;
        }
        const double bound = (8.0 + shells.terms[s]) * 1.01 * std::ldexp(shells.size[s], -53);
        if (std::fabs(shells.sum[s]) > bound && std::isfinite(bound)) {
            out.volumeSign[s] = static_cast<int8_t>(shells.sum[s] > 0 ? 1 : -1);
        } else {
            doubtful.push_back(s);
        }
    }
    if (doubtful.empty()) {
        return;
    }
    WorkArray<uint32_t> slot(out.shellCount, kNoShell);
    for (size_t i = 0; i < doubtful.size(); ++i) {
        slot[doubtful[i]] = static_cast<uint32_t>(i);
    }
    WorkArray<ExactSum> exact(doubtful.size());
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const uint32_t i = slot[out.shellOf[t]];
        if (i != kNoShell) {
            const TRIANGLE& tri = mesh.triangles[t];
            AddExactDeterminant(mesh.points[tri.a], mesh.points[tri.b], mesh.points[tri.c], exact[i]);
        }
    }
    for (size_t i = 0; i < doubtful.size(); ++i) {
        out.volumeSign[doubtful[i]] = static_cast<int8_t>(exact[i].Sign());
    }
}

// Exact products of doubles: each factor doubles the parts (two-product),
// all added into `sum` with the given sign.
void AddProduct(const double* factors, int count, int sign, ExactSum& sum)
{
    double parts[32] = {sign * factors[0]};
    int size = 1;
    for (int f = 1; f < count; ++f) {
        for (int i = size - 1; i >= 0; --i) {
            exact::TwoProduct(parts[i], factors[f], parts[2 * i + 1], parts[2 * i]);
        }
        size *= 2;
    }
    for (int i = 0; i < size; ++i) {
        sum.Add(parts[i]);
    }
}

// A polynomial in the coordinates as signed monomials of equal degree.
template <int degree>
struct Monomial {
    int sign;
    double factors[degree];
};

// Orient3D(a, b, c, p) = D(a, b, c) - D(p, b, c) - D(a, p, c) - D(a, b, p),
// D(u, v, w) = u . (v x w): 24 monomials of degree 3 in the raw coordinates.
std::array<Monomial<3>, 24> Orient3DMonomials(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF& p)
{
    std::array<Monomial<3>, 24> out;
    size_t n = 0;
    const auto add = [&out, &n](int sign, const T3DVECF& u, const T3DVECF& v, const T3DVECF& w) {
        out[n++] = {sign, {u.x, v.y, w.z}};
        out[n++] = {-sign, {u.x, v.z, w.y}};
        out[n++] = {sign, {u.y, v.z, w.x}};
        out[n++] = {-sign, {u.y, v.x, w.z}};
        out[n++] = {sign, {u.z, v.x, w.y}};
        out[n++] = {-sign, {u.z, v.y, w.x}};
    };
    add(1, a, b, c);
    add(-1, p, b, c);
    add(-1, a, p, c);
    add(-1, a, b, p);
    return out;
}

// The x component of (b - a) x (c - a), its a.y a.z terms cancelled.
std::array<Monomial<2>, 6> NormalXMonomials(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    return {{{1, {b.y, c.z}}, {-1, {b.y, a.z}}, {-1, {a.y, c.z}},
            {-1, {b.z, c.y}}, {1, {b.z, a.y}}, {1, {a.z, c.y}}}};
}

// Where the perturbed ray meets a triangle's plane: t = Orient3D(a, b, c, p)
// / n_x ahead of p. Kept as an interval in doubles, from the error bounds of
// the two determinants, and as the triangle itself for the exact answer.
struct Hit {
    uint32_t triangle = kNoShell;
    double low = 0.0, high = 0.0;
    bool bounded = false;  // the interval holds t
};

Hit HitOf(const MeshRecord& mesh, uint32_t t, const T3DVECF& p)
{
    const TRIANGLE& tri = mesh.triangles[t];
    const T3DVECF& a = mesh.points[tri.a];
    const T3DVECF& b = mesh.points[tri.b];
    const T3DVECF& c = mesh.points[tri.c];
    const double adx = a.x - p.x, bdx = b.x - p.x, cdx = c.x - p.x;
    const double ady = a.y - p.y, bdy = b.y - p.y, cdy = c.y - p.y;
    const double adz = a.z - p.z, bdz = b.z - p.z, cdz = c.z - p.z;
    const double o3 = adx * (bdy * cdz - bdz * cdy) + bdx * (cdy * adz - cdz * ady) + cdx * (ady * bdz - adz * bdy);
    const double o3Size = std::fabs(adx) * (std::fabs(bdy * cdz) + std::fabs(bdz * cdy)) +
                          std::fabs(bdx) * (std::fabs(cdy * adz) + std::fabs(cdz * ady)) +
                          std::fabs(cdx) * (std::fabs(ady * bdz) + std::fabs(adz * bdy));
    const double by = b.y - a.y, bz = b.z - a.z, cy = c.y - a.y, cz = c.z - a.z;
    const double nx = by * cz - bz * cy;
    const double nxSize = std::fabs(by * cz) + std::fabs(bz * cy);
    // The bounds of the orientation filters (Shewchuk's o3derrboundA and
    // ccwerrboundA), a little widened for the division below.
    const double o3Error = 8e-16 * o3Size, nxError = 4e-16 * nxSize;
    Hit hit;
    hit.triangle = t;
    if (!(std::fabs(nx) > nxError) || !std::isfinite(o3Size) || !std::isfinite(nxSize)) {
        return hit;
    }
    const double lowN = std::fabs(nx) - nxError, highN = std::fabs(nx) + nxError;
    const double o = nx > 0 ? o3 : -o3;  // t = o / |n_x|
    const double lowO = o - o3Error, highO = o + o3Error;
    hit.low = (lowO >= 0 ? lowO / highN : lowO / lowN) * (1 - 4e-16);
    hit.high = (highO >= 0 ? highO / lowN : highO / highN) * (1 + 4e-16);
    hit.low -= 1e-300;
    hit.high += 1e-300;
    hit.bounded = true;
    return hit;
}

// Whether x is met before y on the perturbed ray; ties (one point of two
// shells: they touch, and are never compared; or one shell's overlapping
// triangles) go to the smaller triangle.
bool Before(const MeshRecord& mesh, const Hit& x, const Hit& y, const T3DVECF& p)
{
    if (x.bounded && y.bounded && (x.high < y.low || y.high < x.low)) {
        return x.high < y.low;
    }
    // sign(t_x - t_y) = sign(o_x n_y - o_y n_x) sign(n_x n_y), exactly.
    const TRIANGLE& tx = mesh.triangles[x.triangle];
    const TRIANGLE& ty = mesh.triangles[y.triangle];
    const T3DVECF* px[3] = {&mesh.points[tx.a], &mesh.points[tx.b], &mesh.points[tx.c]};
    const T3DVECF* py[3] = {&mesh.points[ty.a], &mesh.points[ty.b], &mesh.points[ty.c]};
    const auto ox = Orient3DMonomials(*px[0], *px[1], *px[2], p), oy = Orient3DMonomials(*py[0], *py[1], *py[2], p);
    const auto nx = NormalXMonomials(*px[0], *px[1], *px[2]), ny = NormalXMonomials(*py[0], *py[1], *py[2]);
    ExactSum difference, nxSign, nySign;
    for (int round = 0; round < 2; ++round) {
        const auto& o = round == 0 ? ox : oy;
        const auto& n = round == 0 ? ny : nx;
        for (const Monomial<3>& u : o) {
            for (const Monomial<2>& v : n) {
                const double factors[5] = {u.factors[0], u.factors[1], u.factors[2], v.factors[0], v.factors[1]};
                AddProduct(factors, 5, (round == 0 ? 1 : -1) * u.sign * v.sign, difference);
            }
        }
    }
    for (const Monomial<2>& v : nx) {
        AddProduct(v.factors, 2, v.sign, nxSign);
    }
    for (const Monomial<2>& v : ny) {
        AddProduct(v.factors, 2, v.sign, nySign);
    }
    const int order = difference.Sign() * nxSign.Sign() * nySign.Sign();
    return order != 0 ? order < 0 : x.triangle < y.triangle;
}

// A bounding-volume tree over the (y, z) boxes of triangles, each node also
// holding its triangles' extent in x: a ray toward +x from p can only cross
// a triangle whose box holds p's (y, z) and whose largest x is not below
// p's, and meets none at a distance below its smallest x minus p's.
class ShadowTree {
public:
    // Over the triangles of the shells marked in `counted`.
    ShadowTree(const MeshRecord& mesh, const std::vector<uint32_t>& shellOf, const WorkArray<uint8_t>& counted)
    {
        size_t count = 0;
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            count += counted[shellOf[t]];
        }
        entries_.reserve(count);
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            if (counted[shellOf[t]] != 0) {
                const TRIANGLE& tri = mesh.triangles[t];
                Entry entry;
                entry.triangle = t;
                for (const T3DVECF* p : {&mesh.points[tri.a], &mesh.points[tri.b], &mesh.points[tri.c]}) {
                    entry.box.Grow(*p);
                }
                entries_.push_back(entry);
            }
        }
        if (!entries_.empty()) {
            Build(0, entries_.size(), 0);
        }
    }

    // Calls `visit(triangle)` for every triangle the ray may cross, nearer
    // nodes first; `visit` returns the distance beyond which nothing more is
    // wanted (HUGE_VAL for everything).
    template <typename Visit>
    void Walk(const T3DVECF& p, Visit visit) const
    {
        if (nodes_.empty()) {
            return;
        }
        double farthest = HUGE_VAL;
        // Nodes by the nearest distance they may hold, smallest first; the
        // heap's storage is kept from walk to walk.
        auto& heap = heap_;
        heap.assign(1, {-HUGE_VAL, 0});
        const auto later = [](const std::pair<double, uint32_t>& x, const std::pair<double, uint32_t>& y) {
            return x.first > y.first;
        };
        while (!heap.empty()) {
            std::pop_heap(heap.begin(), heap.end(), later);
            const auto [near, index] = heap.back();
            heap.pop_back();
            if (near > farthest) {
                break;
            }
            const Node& node = nodes_[index];
            if (node.count > 0) {
                for (uint32_t i = node.first; i < node.first + node.count; ++i) {
                    if (entries_[i].box.Holds(p)) {
                        farthest = std::min(farthest, visit(entries_[i].triangle));
                    }
                }
                continue;
            }
            for (const uint32_t child : {node.first, node.second}) {
                const Box& box = nodes_[child].box;
                if (box.Holds(p)) {
                    // Rounded down: no triangle of the node is nearer.
                    const double distance = box.xLow - p.x;
                    heap.emplace_back(distance - std::fabs(distance) * 4e-16 - 1e-300, child);
                    std::push_heap(heap.begin(), heap.end(), later);
                }
            }
        }
    }

private:
    // In single precision, rounded outward: the boxes are filters, a larger
    // one only lets the exact test see a triangle more, and half the bytes
    // keep a million entries within the blocks the allocator keeps warm.
    struct Box {
        float low[2] = {HUGE_VALF, HUGE_VALF};
        float high[2] = {-HUGE_VALF, -HUGE_VALF};
        float xLow = HUGE_VALF, xHigh = -HUGE_VALF;
        void Grow(const T3DVECF& p)
        {
            low[0] = std::min(low[0], Down(p.y));
            low[1] = std::min(low[1], Down(p.z));
            high[0] = std::max(high[0], Up(p.y));
            high[1] = std::max(high[1], Up(p.z));
            xLow = std::min(xLow, Down(p.x));
            xHigh = std::max(xHigh, Up(p.x));
        }
        void Grow(const Box& other)
        {
            for (int i = 0; i < 2; ++i) {
                low[i] = std::min(low[i], other.low[i]);
                high[i] = std::max(high[i], other.high[i]);
            }
            xLow = std::min(xLow, other.xLow);
            xHigh = std::max(xHigh, other.xHigh);
        }
        // The float at or below v, and at or above (v finite).
        static float Down(double v)
        {
            if (v > FLT_MAX) {
                return FLT_MAX;
            }
            const float f = v < -FLT_MAX ? -HUGE_VALF : static_cast<float>(v);
            return f > v ? std::nextafter(f, -HUGE_VALF) : f;
        }
        static float Up(double v) { return -Down(-v); }
        // Holds the perturbed (y + e, z + e^2): from its low side on, short
        // of its high side.
        bool Holds(const T3DVECF& p) const
        {
            return low[0] <= p.y && p.y < high[0] && low[1] <= p.z && p.z < high[1] && xHigh >= p.x;
        }
    };
    struct Node {
        Box box;
        uint32_t first = 0;   // a leaf's first entry, or an inner node's first child
        uint32_t second = 0;  // an inner node's second child
        uint32_t count = 0;   // entries of a leaf; 0 for an inner node
    };
    static constexpr size_t kLeaf = 8;

    uint32_t Build(size_t begin, size_t end, int depth)
    {
        const uint32_t index = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back(Node{});
        Box box;
        for (size_t i = begin; i < end; ++i) {
            box.Grow(entries_[i].box);
        }
        nodes_[index].box = box;
        if (end - begin <= kLeaf || depth > 60) {
            nodes_[index].first = static_cast<uint32_t>(begin);
            nodes_[index].count = static_cast<uint32_t>(end - begin);
            return index;
        }
        // Split where the box centres spread most, at their midpoint: big
        // triangles with one centre (the faces of nested shells) then keep
        // to one side and apart from the rest, which the median would mix.
        // The median when the midpoint leaves one side empty.
        const auto centre = [](const Entry& e, int axis) {
            const Box& b = e.box;
            return axis == 2 ? double{b.xLow} + b.xHigh : double{b.low[axis]} + b.high[axis];
        };
        double spread[3] = {0, 0, 0}, low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (size_t i = begin; i < end; ++i) {
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], centre(entries_[i], axis));
                high[axis] = std::max(high[axis], centre(entries_[i], axis));
            }
        }
        for (int axis = 0; axis < 3; ++axis) {
            spread[axis] = high[axis] - low[axis];
        }
        const int axis = spread[0] >= spread[1] && spread[0] >= spread[2] ? 0 : spread[1] >= spread[2] ? 1 : 2;
        const double cut = low[axis] + spread[axis] / 2;
        const auto first = entries_.begin() + static_cast<std::ptrdiff_t>(begin);
        const auto last = entries_.begin() + static_cast<std::ptrdiff_t>(end);
        size_t middle = begin + static_cast<size_t>(std::partition(first, last, [&](const Entry& e) {
                                                        return centre(e, axis) < cut;
                                                    }) - first);
        if (middle == begin || middle == end) {
            middle = begin + (end - begin) / 2;
            std::nth_element(first, entries_.begin() + static_cast<std::ptrdiff_t>(middle), last,
                             [&centre, axis](const Entry& x, const Entry& y) {
                                 const double cx = centre(x, axis), cy = centre(y, axis);
                                 return cx < cy || (cx == cy && x.triangle < y.triangle);
                             });
        }
        const uint32_t left = Build(begin, middle, depth + 1);
        const uint32_t right = Build(middle, end, depth + 1);
        nodes_[index].first = left;
        nodes_[index].second = right;
        return index;
    }

    // Each triangle with its box, in the tree's order: a leaf's entries are
    // one run, and the build moves the boxes themselves, not indices to them.
    struct Entry {
        Box box;
        uint32_t triangle = 0;
    };
    WorkArray<Entry> entries_;
    WorkArray<Node> nodes_;
    mutable WorkArray<std::pair<double, uint32_t>> heap_;
};

}  // namespace

void NestShells(const MeshRecord& mesh, const ShellGeometry& geometry, Solids& out)
{
    out.depth.assign(out.shellCount, 0);
    out.parent.assign(out.shellCount, kNoShell);
    out.volumeSign.assign(out.shellCount, 0);
    // Closed shells whose points are all finite take part, each with its
    // ray's start (MeasureTriangles).
    const auto& counted = geometry.counted;
    const auto& start = geometry.start;
    VolumeSigns(mesh, geometry, out);

    WorkArray<uint32_t> shells;
    for (uint32_t s = 0; s < out.shellCount; ++s) {
        if (counted[s] != 0) {
            shells.push_back(s);
        }
    }
    // One shell alone encloses no other: its volume's sign is all it needs.
    if (shells.size() > 1) {
        const ShadowTree tree(mesh, out.shellOf, counted);
        // Shells that cross or touch are beside each other, not one inside
        // the other: a corner of one inside the other says nothing.
        const auto touch = [&out](uint32_t a, uint32_t b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            const auto at = std::lower_bound(out.shellPairs.begin(), out.shellPairs.end(), key,
                                             [](const Solids::ShellPair& pair, const std::pair<uint32_t, uint32_t>& k) {
                                                 return std::make_pair(pair.shellA, pair.shellB) < k;
                                             });
            return at != out.shellPairs.end() && at->shellA == key.first && at->shellB == key.second;
        };
        const auto crosses = [&](uint32_t t, uint32_t s, const T3DVECF& p) {
            const TRIANGLE& tri = mesh.triangles[t];
            return out.shellOf[t] != s && !touch(s, out.shellOf[t]) &&
                   CrossesAhead(mesh.points[tri.a], mesh.points[tri.b], mesh.points[tri.c], p);
        };
        // Whether p (of shell s) lies inside shell u, by the parity of the
        // ray's crossings with u alone: for a shell whose orientation cannot
        // tell (not manifold, or of no volume).
        const auto inside = [&](uint32_t s, uint32_t u, const T3DVECF& p) {
            bool odd = false;
            tree.Walk(p, [&](uint32_t t) {
                odd ^= out.shellOf[t] == u && crosses(t, s, p);
                return HUGE_VAL;
            });
            return odd;
        };
        // Shells in decreasing order of their start's x: the shell a ray
        // meets first starts farther, so its parent is known.
        std::sort(shells.begin(), shells.end(), [&](uint32_t x, uint32_t y) {
            const double px = mesh.points[start[x]].x, py = mesh.points[start[y]].x;
            return px > py || (px == py && x < y);
        });
        WorkArray<uint8_t> known(out.shellCount, 0);
        for (const uint32_t s : shells) {
            const T3DVECF& p = mesh.points[start[s]];
            Hit first;
            tree.Walk(p, [&](uint32_t t) {
                if (!crosses(t, s, p)) {
                    return first.triangle == kNoShell ? HUGE_VAL : first.high;
                }
                const Hit hit = HitOf(mesh, t, p);
                if (first.triangle == kNoShell || Before(mesh, hit, first, p)) {
                    first = hit;
                }
                return first.bounded ? first.high : HUGE_VAL;
            });
            known[s] = 1;
            if (first.triangle == kNoShell) {
                continue;  // nothing ahead: outermost
            }
            const uint32_t u = out.shellOf[first.triangle];
            bool leaves = false;
            if (out.manifold[u] != 0 && out.volumeSign[u] != 0) {
                // A shell that faces outward is left where its normal has
                // the ray's direction, one that faces inward the other way.
                const TRIANGLE& tri = mesh.triangles[first.triangle];
                const T3DVECF& a = mesh.points[tri.a];
                const T3DVECF& b = mesh.points[tri.b];
                const T3DVECF& c = mesh.points[tri.c];
                const double ya[2] = {a.y, a.z}, yb[2] = {b.y, b.z}, yc[2] = {c.y, c.z};
                leaves = Orient2DSign(ya, yb, yc) == out.volumeSign[u];
            } else {
                leaves = inside(s, u, p);
            }
            if (leaves) {
                out.parent[s] = u;
            } else if (known[u] != 0) {
                out.parent[s] = out.parent[u];
            } else {
                // Only where shells meet in ways the pairs did not catch;
                // the walk up from u ends at the outermost.
                out.parent[s] = kNoShell;
            }
        }
        // Depths follow parents, which start farther: in the same order.
        for (const uint32_t s : shells) {
            out.depth[s] = out.parent[s] == kNoShell ? 0 : out.depth[out.parent[s]] + 1;
        }
    }
    for (uint32_t s = 0; s < out.shellCount; ++s) {
        if (counted[s] == 0) {
            continue;
        }
        if (out.depth[s] > 0) {
            out.nested.push_back(s);
        }
        const int wanted = out.depth[s] % 2 == 0 ? 1 : -1;
        if (out.volumeSign[s] != wanted) {
            out.insideOut.push_back(s);
        }
    }
}

}  // namespace meshaudit::solid
