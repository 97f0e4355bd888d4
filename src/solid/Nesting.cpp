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
// S lies inside the closed shells it is not paired with (they neither cross
// nor touch) whose triangles the ray crosses an odd number of times: its
// depth is how many they are, its parent the one of them of largest depth,
// the smaller index on a tie. Write E(S) for them.
//
// Each shell's inside is taken to be where rays cross it an odd number of
// times; where that does not depend on the ray (each edge of the shell with
// an even number of triangles), three facts follow, for shells that are
// connected: a shell W around a shell V around T is around T (W cannot even
// touch T: it would lie inside V, and V outside it); of two shells around
// T that do not touch, one is around the other; and no shell is around a
// shell around it. So every V in E(T) has E(V) within E(T) less V, and
// fewer shells around it than T.
//
// The first shell T the ray meets, S and its partners aside, decides. Up to
// T the ray crosses nothing else, so a shell V beyond is crossed an odd
// number of times from S exactly when it is from T's surface, which is T's
// own answer unless V touches T:
//
//   E(S) = {T, if the ray leaves T there} + (E(T) less S's partners)
//          + (T's partners, not S's, that S's ray crosses an odd number of
//            times)
//
// (a shell paired with S around T was passed over on the way; one paired
// with T, which T does not count, may cross T's enclosing shell between S
// and it). The parent is the largest of E(S): on leaving, T or one of T's
// partners; on entering, one of T's partners or the largest of E(T) less
// S's partners. E(T) is T's parent P, E(P), and P's partners in E(T) (a
// shell of E(T) not touching P is around P); so that largest is P unless S
// touches P, and else the largest of P's partners in E(T) and of E(P) less
// S's partners, found the same way from P's parent.
//
// So when neither S nor T is in a pair, S takes T's answer, one more on
// leaving: a nearest-hit search and nothing else. Otherwise each partner of
// S and of T (and of the shells around T that S touches) costs at most a
// parity search along a ray through that partner alone. T's point of
// largest x lies beyond S's, as does that of every shell around S, so the
// shells taken in decreasing order of that x find those answers known.
// Deep nesting and long rows stay near linear, with pairs or without: a
// pin through every level of a nest costs each level a look at the pin.
#include "SolidParts.h"

#include "geometry/ExactArithmetic.h"
#include "geometry/ExactSum.h"
#include "geometry/PerturbedRay.h"
#include "geometry/Predicates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cfloat>
#include <cstring>
#include <limits>

namespace meshaudit::solid {

namespace {

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

    // An empty tree, to which Add gives trees of their own.
    ShadowTree() = default;

    // A tree of its own over `count` triangles from `triangles` (read
    // during the call), beside those already in; returns its root, for
    // Walk, or kNoShell when count is 0.
    uint32_t Add(const MeshRecord& mesh, const uint32_t* triangles, size_t count)
    {
        if (count == 0) {
            return kNoShell;
        }
        const size_t begin = entries_.size();
        for (size_t i = 0; i < count; ++i) {
            const TRIANGLE& tri = mesh.triangles[triangles[i]];
            Entry entry;
            entry.triangle = triangles[i];
            for (const T3DVECF* p : {&mesh.points[tri.a], &mesh.points[tri.b], &mesh.points[tri.c]}) {
                entry.box.Grow(*p);
            }
            entries_.push_back(entry);
        }
        return Build(begin, entries_.size(), 0);
    }

    // Calls `visit(triangle)` for every triangle the ray may cross, nearer
    // nodes first; `visit` returns the distance beyond which nothing more is
    // wanted (HUGE_VAL for everything).
    // From the node `root` (the whole tree's by default; kNoShell for none).
    template <typename Visit>
    void Walk(const T3DVECF& p, Visit visit, uint32_t root = 0) const
    {
        if (nodes_.empty() || root == kNoShell) {
            return;
        }
        double farthest = HUGE_VAL;
        // Nodes by the nearest distance they may hold, smallest first; the
        // heap's storage is kept from walk to walk.
        auto& heap = heap_;
        heap.assign(1, {-HUGE_VAL, root});
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

// The shell pairs among the shells that take part, as each shell's
// partners. An open shell is inside none and has none inside: touching one
// changes nothing.
class Partners {
public:
    Partners(const Solids& out, const WorkArray<uint8_t>& counted)
        : first_(static_cast<size_t>(out.shellCount) + 1, 0), paired_(out.shellCount, 0)
    {
        const auto both = [&counted](const Solids::ShellPair& pair) {
            return counted[pair.shellA] != 0 && counted[pair.shellB] != 0;
        };
        for (const Solids::ShellPair& pair : out.shellPairs) {
            if (both(pair)) {
                ++first_[pair.shellA + 1];
                ++first_[pair.shellB + 1];
            }
        }
        for (size_t s = 1; s < first_.size(); ++s) {
            first_[s] += first_[s - 1];
        }
        partners_.resize(first_.back());
        WorkArray<size_t> next(first_.begin(), first_.end() - 1);
        for (const Solids::ShellPair& pair : out.shellPairs) {
            if (both(pair)) {
                partners_[next[pair.shellA]++] = pair.shellB;
                partners_[next[pair.shellB]++] = pair.shellA;
                paired_[pair.shellA] = paired_[pair.shellB] = 1;
            }
        }
    }

    // Calls `use(v)` for each partner v of shell s.
    template <typename Use>
    void Each(uint32_t s, Use use) const
    {
        for (size_t i = first_[s]; i < first_[s + 1]; ++i) {
            use(partners_[i]);
        }
    }

    // Per shell: 1 when it has a partner.
    const WorkArray<uint8_t>& Paired() const { return paired_; }

private:
    WorkArray<size_t> first_;     // shell s's partners: partners_[first_[s] .. first_[s + 1])
    WorkArray<uint32_t> partners_;
    WorkArray<uint8_t> paired_;
};

// The crossings of a ray with one shell alone, for the shells marked in
// `taking`: each one's triangles, and their box (its (y, z) extent and
// largest x). A ray that misses the box crosses none of them. One that
// meets it reads them all, the first few times; then the shell gets a tree
// of its own. The reads stay within a few times the triangles, and trees
// are made only for shells met often: most are met by a ray or two.
class OwnCrossings {
public:
    OwnCrossings(const MeshRecord& mesh, const std::vector<uint32_t>& shellOf, const WorkArray<uint8_t>& taking)
        : mesh_(mesh)
    {
        if (std::find(taking.begin(), taking.end(), 1) == taking.end()) {
            return;  // nothing to take: the usual mesh, whose shells do not meet
        }
        from_.assign(taking.size() + 1, 0);
        extent_.resize(taking.size());
        root_.assign(taking.size(), kNoShell);
        reads_.assign(taking.size(), 0);
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            from_[shellOf[t] + 1] += taking[shellOf[t]];
        }
        for (size_t s = 1; s < from_.size(); ++s) {
            from_[s] += from_[s - 1];
        }
        triangles_.resize(from_.back());
        WorkArray<size_t> next(from_.begin(), from_.end() - 1);
        for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
            const uint32_t s = shellOf[t];
            if (taking[s] != 0) {
                triangles_[next[s]++] = t;
                const TRIANGLE& tri = mesh.triangles[t];
                Extent& e = extent_[s];
                for (const T3DVECF* q : {&mesh.points[tri.a], &mesh.points[tri.b], &mesh.points[tri.c]}) {
                    e = {std::min(e.yLow, q->y), std::max(e.yHigh, q->y), std::min(e.zLow, q->z),
                         std::max(e.zHigh, q->z), std::max(e.xHigh, q->x)};
                }
            }
        }
    }

    // Whether the perturbed ray from p crosses the triangles of shell u (one
    // marked in `taking`: Odd may not be asked of others) an odd number of
    // times.
    bool Odd(uint32_t u, const T3DVECF& p)
    {
        // The perturbed (y + e, z + e^2) from a low side on, short of a
        // high side, as the tree's boxes hold it.
        const Extent& e = extent_[u];
        if (!(e.yLow <= p.y && p.y < e.yHigh && e.zLow <= p.z && p.z < e.zHigh && e.xHigh >= p.x)) {
            return false;
        }
        bool odd = false;
        if (root_[u] == kNoShell && reads_[u] < kReads) {
            ++reads_[u];
            for (size_t i = from_[u]; i < from_[u + 1]; ++i) {
                const TRIANGLE& tri = mesh_.triangles[triangles_[i]];
                const T3DVECF& a = mesh_.points[tri.a];
                const T3DVECF& b = mesh_.points[tri.b];
                const T3DVECF& c = mesh_.points[tri.c];
                if (std::min({a.y, b.y, c.y}) <= p.y && p.y < std::max({a.y, b.y, c.y}) &&
                    std::min({a.z, b.z, c.z}) <= p.z && p.z < std::max({a.z, b.z, c.z}) &&
                    std::max({a.x, b.x, c.x}) >= p.x) {
                    odd ^= PerturbedRayCrosses(a, b, c, p);
                }
            }
            return odd;
        }
        if (root_[u] == kNoShell) {
            root_[u] = trees_.Add(mesh_, triangles_.data() + from_[u], from_[u + 1] - from_[u]);
        }
        trees_.Walk(
            p,
            [&](uint32_t t) {
                const TRIANGLE& tri = mesh_.triangles[t];
                odd ^= PerturbedRayCrosses(mesh_.points[tri.a], mesh_.points[tri.b], mesh_.points[tri.c], p);
                return HUGE_VAL;
            },
            root_[u]);
        return odd;
    }

private:
    struct Extent {
        double yLow = HUGE_VAL, yHigh = -HUGE_VAL, zLow = HUGE_VAL, zHigh = -HUGE_VAL, xHigh = -HUGE_VAL;
    };
    static constexpr uint8_t kReads = 4;  // reads of a shell's triangles before its tree
    const MeshRecord& mesh_;
    WorkArray<size_t> from_;          // shell s's triangles: triangles_[from_[s] .. from_[s + 1])
    WorkArray<uint32_t> triangles_;
    WorkArray<Extent> extent_;
    WorkArray<uint32_t> root_;        // each shell's tree in trees_, kNoShell until made
    WorkArray<uint8_t> reads_;
    ShadowTree trees_;
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
        const Partners partners(out, counted);
        OwnCrossings own(mesh, out.shellOf, partners.Paired());
        const auto each = [&partners](uint32_t s, auto use) { partners.Each(s, use); };
        // Whether the ray from p crosses shell u an odd number of times:
        // through u's triangles alone when u is in a pair, else along the
        // whole ray (a shell whose orientation cannot tell: not manifold, or
        // of no volume).
        const auto odd = [&](uint32_t u, const T3DVECF& p) {
            if (partners.Paired()[u] != 0) {
                return own.Odd(u, p);
            }
            bool result = false;
            tree.Walk(p, [&](uint32_t t) {
                const TRIANGLE& tri = mesh.triangles[t];
                result ^= out.shellOf[t] == u &&
                          PerturbedRayCrosses(mesh.points[tri.a], mesh.points[tri.b], mesh.points[tri.c], p);
                return HUGE_VAL;
            });
            return result;
        };

        // mine[v] == s: v is s or its partner, while s is decided; theirs[v]
        // == u: v is a partner of u. Only shells decided before (known) are
        // taken as around another: those around s start beyond it.
        WorkArray<uint32_t> mine(out.shellCount, kNoShell), theirs(out.shellCount, kNoShell);
        WorkArray<uint8_t> known(out.shellCount, 0);
        const auto larger = [&out](uint32_t v, uint32_t best) {
            return best == kNoShell || out.depth[v] > out.depth[best] || (out.depth[v] == out.depth[best] && v < best);
        };
        // Depth and parent of s from those of u, the first shell its ray
        // meets, entered or left (`leaves`), corrected for the partners of
        // both (see the top of the file). Where they contradict each other
        // (a depth below 0, a parent missing, or not shallower than s), as
        // they can only for shells whose inside depends on the ray or with
        // pairs missed, s is left outermost.
        const auto inherit = [&](uint32_t s, uint32_t u, bool leaves) {
            const T3DVECF& p = mesh.points[start[s]];
            const T3DVECF& q = mesh.points[start[u]];
            each(u, [&](uint32_t v) { theirs[v] = u; });
            const auto aroundU = [&](uint32_t v) { return v != u && theirs[v] != u && odd(v, q); };
            int64_t depth = int64_t{out.depth[u]} + (leaves ? 1 : 0);
            uint32_t parent = kNoShell;
            bool sound = true;
            const auto take = [&](uint32_t v) {
                sound = sound && known[v] != 0;
                parent = larger(v, parent) ? v : parent;
            };
            // Partners of s around u are not around s; partners of u (not
            // counted by u) are, where the ray from s says so.
            each(s, [&](uint32_t v) { depth -= aroundU(v) ? 1 : 0; });
            each(u, [&](uint32_t v) {
                if (mine[v] != s && odd(v, p)) {
                    ++depth;
                    take(v);
                }
            });
            if (leaves) {
                // Every shell around u has fewer shells around it than u.
                take(u);
            } else {
                // The largest shell around u that is no partner of s: u's
                // parent, or where s touches it, the larger of its partners
                // around u and of the largest around it, found the same way
                // from its parent.
                uint32_t up = out.parent[u];
                for (; up != kNoShell && mine[up] == s; up = out.parent[up]) {
                    each(up, [&](uint32_t v) {
                        if (mine[v] != s && aroundU(v)) {
                            take(v);
                        }
                    });
                }
                if (up != kNoShell) {
                    take(up);
                }
            }
            if (sound && (parent == kNoShell ? depth == 0 : depth > int64_t{out.depth[parent]})) {
                out.depth[s] = static_cast<uint32_t>(depth);
                out.parent[s] = parent;
            }
        };
        // Shells in decreasing order of their start's x: the shell a ray
        // meets first, and every shell around, starts farther, so its answer
        // is known.
        std::sort(shells.begin(), shells.end(), [&](uint32_t x, uint32_t y) {
            const double px = mesh.points[start[x]].x, py = mesh.points[start[y]].x;
            return px > py || (px == py && x < y);
        });
        for (const uint32_t s : shells) {
            const T3DVECF& p = mesh.points[start[s]];
            mine[s] = s;
            each(s, [&](uint32_t v) { mine[v] = s; });
            Hit nearest;
            tree.Walk(p, [&](uint32_t t) {
                const TRIANGLE& tri = mesh.triangles[t];
                if (mine[out.shellOf[t]] == s ||
                    !PerturbedRayCrosses(mesh.points[tri.a], mesh.points[tri.b], mesh.points[tri.c], p)) {
                    return nearest.triangle == kNoShell ? HUGE_VAL : nearest.high;
                }
                const Hit hit = HitOf(mesh, t, p);
                if (nearest.triangle == kNoShell || Before(mesh, hit, nearest, p)) {
                    nearest = hit;
                }
                return nearest.bounded ? nearest.high : HUGE_VAL;
            });
            const uint32_t u = nearest.triangle == kNoShell ? kNoShell : out.shellOf[nearest.triangle];
            // Nothing ahead: outermost. A shell ahead not yet decided: only
            // where shells touch and the pairs do not say so (not asked for,
            // or a list given short); taken as outermost too.
            if (u != kNoShell && known[u] != 0) {
                bool leaves = false;
                if (out.manifold[u] != 0 && out.volumeSign[u] != 0) {
                    // A shell that faces outward is left where its normal
                    // has the ray's direction, one that faces inward the
                    // other way.
                    const TRIANGLE& tri = mesh.triangles[nearest.triangle];
                    const T3DVECF& a = mesh.points[tri.a];
                    const T3DVECF& b = mesh.points[tri.b];
                    const T3DVECF& c = mesh.points[tri.c];
                    const double ya[2] = {a.y, a.z}, yb[2] = {b.y, b.z}, yc[2] = {c.y, c.z};
                    leaves = Orient2DSign(ya, yb, yc) == out.volumeSign[u];
                } else {
                    leaves = odd(u, p);
                }
                inherit(s, u, leaves);
            }
            known[s] = 1;
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
