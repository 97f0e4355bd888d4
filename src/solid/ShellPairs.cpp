// Pairs of shells that cross or touch: triangles of two shells that meet,
// by the library's exact intersection test (touching counts), or a point
// index that two shells share.
#include "SolidParts.h"

#include "analysis/LocationList.h"
#include "containers/BitVector.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"

#include <algorithm>
#include <new>

namespace meshaudit::solid {

namespace {

using Pair = Solids::ShellPair;

// By shells, then triangles, each two as one 64-bit number.
bool Less(const Pair& x, const Pair& y)
{
    const auto shells = [](const Pair& p) { return uint64_t{p.shellA} << 32 | p.shellB; };
    const auto triangles = [](const Pair& p) { return uint64_t{p.triangleA} << 32 | p.triangleB; };
    return shells(x) != shells(y) ? shells(x) < shells(y) : triangles(x) < triangles(y);
}

// Sorts `pairs` and keeps, for each pair of shells, its smallest entry.
void KeepFirst(WorkArray<Pair>& pairs)
{
    std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) { return Less(x, y); });
    const auto end = std::unique(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
        return x.shellA == y.shellA && x.shellB == y.shellB;
    });
    pairs.erase(end, pairs.end());
}

// Every pair of triangles of different shells (shellOf) that meet and
// share no point index, as the mesh quantity Selfintersection lists them
// (analysis/mesh/SelfIntersection.cpp), each passed to `use`; the pairs
// within one shell, which pair no shells, are not searched (on the flat
// faces of a shell they were most of the work). A search that runs out of
// memory throws.
template <typename Use>
void SearchIntersectingPairs(const MeshRecord& mesh, const uint32_t* shellOf, Use use)
{
    C3DTriAABBTree tree;
    // The record was checked: a tree that cannot be built lacked memory.
    if (tree.Build(mesh, TriLeaves::Wide, TreeSorts::Small) == 0) {
        throw std::bad_alloc();
    }
    CBitVector marks;
    LocationList found;
    found.Open(2, UINT64_MAX);
    if (MarkIntersectingPairs(&tree, &tree, marks, &found, shellOf) != 1 || found.Failed()) {
        throw std::bad_alloc();
    }
    for (uint64_t i = 0; i < found.Stored(); ++i) {
        use(found.Items()[2 * i], found.Items()[2 * i + 1]);
    }
}

}  // namespace

void PairShells(const MeshRecord& mesh, const CornersByPoint& groups, const SolidRequest& request, Solids& out)
{
    if (out.shellCount < 2) {
        return;
    }
    // Candidates, each two shells (smaller first) and a triangle of each
    // that meet; the smallest per pair of shells is kept. Whenever the list
    // has doubled since it was last cut to one entry per pair, it is cut
    // again: pairs of shells met by many pairs of triangles, or at many
    // points, then take room only once. One point's pairs are all distinct:
    // they are cut, if need be, once they are all in.
    WorkArray<Pair> pairs;
    size_t kept = 0;
    const auto add = [&](uint32_t a, uint32_t b) {
        const uint32_t sa = out.shellOf[a], sb = out.shellOf[b];
        if (sa != sb) {
            pairs.push_back(sa < sb ? Pair{sa, sb, a, b} : Pair{sb, sa, b, a});
        }
    };
    const auto cut = [&]() {
        if (pairs.size() > 2 * kept + 4096) {
            KeepFirst(pairs);
            kept = pairs.size();
        }
    };
    if (request.intersectingPairsGiven) {
        for (uint64_t i = 0; i < request.intersectingPairCount; ++i) {
            add(request.intersectingPairs[2 * i], request.intersectingPairs[2 * i + 1]);
            cut();
        }
    } else {
        SearchIntersectingPairs(mesh, out.shellOf.data(), [&](uint32_t a, uint32_t b) {
            add(a, b);
            cut();
        });
    }
    // Shells that share a point: round each point, its distinct shells,
    // each with its first triangle there (the corners are in triangle
    // order), and every two of them. The work at a point is the pairs
    // found there: n shells at one point give n (n - 1) / 2.
    WorkArray<uint32_t> seenAt(out.shellCount, kNoShell);
    WorkArray<std::pair<uint32_t, uint32_t>> here;  // (shell, triangle)
    for (uint32_t p = 0; p < mesh.pointCount; ++p) {
        here.clear();
        for (uint64_t i = groups.first[p]; i < groups.first[p + 1]; ++i) {
            const uint32_t t = groups.triangles[i], s = out.shellOf[t];
            if (seenAt[s] != p) {
                seenAt[s] = p;
                here.emplace_back(s, t);
            }
        }
        for (size_t x = 0; x < here.size(); ++x) {
            for (size_t y = x + 1; y < here.size(); ++y) {
                add(here[x].second, here[y].second);
            }
        }
        cut();
    }
    KeepFirst(pairs);
    out.shellPairs.assign(pairs.begin(), pairs.end());
}

}  // namespace meshaudit::solid
