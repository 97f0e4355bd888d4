// Shells, their borders and pinched points, all read from the triangles
// grouped by point: at a point p, the other corners q of its triangles name
// the edges (p, q), so each point's run holds its edges, its fans and the
// joins between its triangles, and one counting sort over the points is the
// only pass that scatters.
#include "SolidParts.h"
#include "containers/SmallestRootForest.h"

#include "containers/RadixSort.h"
#include "containers/SortFew.h"

#include <algorithm>

namespace meshaudit::solid {

CornersByPoint GroupCorners(const MeshRecord& mesh)
{
    // Counted into first[p + 2] and filled through first[p + 1], which then
    // ends as the start of point p + 1: no copy of the offsets.
    CornersByPoint groups;
    groups.first.assign(static_cast<size_t>(mesh.pointCount) + 2, 0);
    uint64_t* first = groups.first.data();
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        ++first[size_t{tri.a} + 2];
        ++first[size_t{tri.b} + 2];
        ++first[size_t{tri.c} + 2];
    }
    for (size_t p = 2; p < groups.first.size(); ++p) {
        first[p] += first[p - 1];
    }
    groups.triangles.resize(static_cast<size_t>(mesh.triangleCount) * 3);
    uint32_t* at = groups.triangles.data();
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        at[first[size_t{tri.a} + 1]++] = t;
        at[first[size_t{tri.b} + 1]++] = t;
        at[first[size_t{tri.c} + 1]++] = t;
    }
    groups.first.pop_back();
    return groups;
}

namespace {

// Disjoint sets whose roots are their first elements, on seam memory.
using Forest = SmallestRootForest<WorkArray<uint32_t>>;

// One end of an edge at a point: the point at its other end, the triangle
// (by its place among the point's triangles) and whether the triangle's
// side starts at this point. Halves are grouped by their other end only:
// what a group yields (its triangles joined, its size, whether its two
// sides run both ways) does not depend on the order within it.
struct Half {
    uint32_t other, node, starts;
    bool operator<(const Half& h) const { return other < h.other; }
};

// Grouped by other end, returning where they are: insertion for the few
// halves round most points, linear passes by digits for the very many round
// a fan's or a book's point (into `scratch`, of the same size, or back).
Half* SortHalves(Half* begin, Half* end, Half* scratch)
{
    const size_t count = static_cast<size_t>(end - begin);
    if (count >= 1024 && count <= UINT32_MAX) {
        return RadixSort(begin, scratch, static_cast<uint32_t>(count), [](const Half& h) { return uint64_t{h.other}; });
    }
    SortFew(begin, end, 24);
    return begin;
}

enum : uint8_t { kOnBorder = 1, kNotManifold = 2 };

// Corners ahead whose triangles are asked for early, the triangles being
// scattered over their array in point order.
constexpr uint64_t kAhead = 24;

}  // namespace

void LabelShells(const MeshRecord& mesh, const CornersByPoint& groups, Solids& out)
{
    const uint32_t count = mesh.triangleCount;
    Forest triangles;
    triangles.Reset(count);
    // Per triangle: on a border edge, on an edge that is not manifold. A
    // triangle that repeats a point is not manifold; one whose three
    // corners are one point has no edge, a shell of its own without a
    // border that encloses nothing: it counts as open all the same.
    WorkArray<uint8_t> flags(count, 0);
    for (uint32_t t = 0; t < count; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        if (tri.a == tri.b || tri.b == tri.c || tri.c == tri.a) {
            flags[t] = static_cast<uint8_t>(kNotManifold | (tri.a == tri.b && tri.b == tri.c ? kOnBorder : 0));
        }
    }
    // Round each point p: its triangles (one node each, however many of
    // their corners are p) join where they share an edge (p, q), q != p.
    // They form one fan unless p is pinched. The edges with q > p, each met
    // at its smaller end only, join their triangles' shells and tell
    // borders (one side) and manifold edges (two sides, run both ways).
    WorkArray<Half> bigHalves, bigScratch;
    WorkArray<uint32_t> bigNodes, bigUp;
    const uint32_t* at = groups.triangles.data();
    const uint64_t corners = groups.triangles.size();
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        const uint64_t begin = groups.first[p], end = groups.first[p + 1];
        if (begin == end) {
            continue;
        }
        // Most points have a few triangles: room on the stack for them,
        // arrays for the rest.
        constexpr uint64_t kSmall = 16;
        Half smallHalves[2 * kSmall];
        uint32_t smallNodes[kSmall], smallUp[kSmall];
        Half* halves = smallHalves;
        uint32_t* nodes = smallNodes;
        uint32_t* up = smallUp;
        if (end - begin > kSmall) {
            bigHalves.resize(2 * (end - begin));
            bigScratch.resize(2 * (end - begin));
            bigNodes.resize(end - begin);
            bigUp.resize(end - begin);
            halves = bigHalves.data();
            nodes = bigNodes.data();
            up = bigUp.data();
        }
        size_t halfCount = 0, nodeCount = 0;
        for (uint64_t i = begin; i < end; ++i) {
            // A triangle that repeats p is listed once per corner at p and
            // taken once, with every corner it has at p.
            if (i + kAhead < corners) {
                __builtin_prefetch(&mesh.triangles[at[i + kAhead]]);
                triangles.Prefetch(at[i + kAhead]);
            }
            const uint32_t t = at[i];
            if (i != begin && t == at[i - 1]) {
                continue;
            }
            const uint32_t node = static_cast<uint32_t>(nodeCount);
            nodes[nodeCount] = t;
            up[nodeCount++] = node;
            const TRIANGLE& tri = mesh.triangles[t];
            const uint32_t c[3] = {tri.a, tri.b, tri.c};
            for (int k = 0; k < 3; ++k) {
                if (c[k] != p) {
                    continue;
                }
                const uint32_t next = c[(k + 1) % 3], previous = c[(k + 2) % 3];
                if (next != p) {
                    halves[halfCount++] = Half{next, node, 1};
                }
                if (previous != p) {
                    halves[halfCount++] = Half{previous, node, 0};
                }
            }
        }
        halves = SortHalves(halves, halves + halfCount, bigScratch.data());
        // The fans: nodes joined in a forest of their own, each successful
        // join one piece less.
        const auto root = [up](uint32_t i) {
            while (up[i] != i) {
                up[i] = up[up[i]];
                i = up[i];
            }
            return i;
        };
        size_t pieces = nodeCount;
        for (size_t x = 0; x < halfCount;) {
            size_t y = x + 1;
            while (y < halfCount && halves[y].other == halves[x].other) {
                ++y;
            }
            const uint32_t first = nodes[halves[x].node];
            for (size_t j = x + 1; j < y; ++j) {
                const uint32_t a = root(halves[x].node), b = root(halves[j].node);
                if (a != b) {
                    up[std::max(a, b)] = std::min(a, b);
                    --pieces;
                }
            }
            if (halves[x].other > p) {
                for (size_t j = x + 1; j < y; ++j) {
                    triangles.Join(first, nodes[halves[j].node]);
                }
                if (y - x == 1) {
                    flags[first] |= kOnBorder;
                }
                if (y - x != 2 || halves[x].starts == halves[x + 1].starts) {
                    flags[first] |= kNotManifold;
                }
            }
            x = y;
        }
        if (pieces > 1) {
            out.pinchedPoints.push_back(p);
        }
    }
    // A set's root is its first triangle, so numbering roots in triangle
    // order numbers shells by their first triangle.
    out.shellOf.resize(count);
    out.shellCount = 0;
    for (uint32_t t = 0; t < count; ++t) {
        const uint32_t root = triangles.Root(t);
        out.shellOf[t] = root == t ? out.shellCount++ : out.shellOf[root];
    }
    out.open.assign(out.shellCount, 0);
    out.manifold.assign(out.shellCount, 1);
    for (uint32_t t = 0; t < count; ++t) {
        if (flags[t] != 0) {
            const uint32_t s = out.shellOf[t];
            out.open[s] |= (flags[t] & kOnBorder) != 0 ? 1 : 0;
            out.manifold[s] &= (flags[t] & kNotManifold) != 0 ? 0 : 1;
        }
    }
    for (uint32_t s = 0; s < out.shellCount; ++s) {
        if (out.open[s] != 0) {
            out.openShells.push_back(s);
        }
    }
}

}  // namespace meshaudit::solid
