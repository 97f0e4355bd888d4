// Dual-tree search for intersecting triangles: node pairs taken first in,
// first out; a pair of overlapping boxes is refined by splitting the node
// with more entries (or the one that is not a leaf), and two leaves are
// compared entry by entry, cheap index and box tests before the exact one.
#include "geometry/IntersectingPairs.h"

#include "geometry/NodePairQueue.h"
#include "geometry/TriangleIntersection.h"

namespace meshaudit {

namespace {

bool RepeatsAnIndex(const TRIANGLE& t)
{
    return t.a == t.b || t.a == t.c || t.b == t.c;
}

bool SharesAnIndex(const TRIANGLE& s, const TRIANGLE& t)
{
    return s.a == t.a || s.a == t.b || s.a == t.c || s.b == t.a || s.b == t.b || s.b == t.c ||
           s.c == t.a || s.c == t.b || s.c == t.c;
}

// One side of the walk: a tree's entries and its mesh's points.
struct Side {
    const TriEntry* entries;
    const T3DVECF* points;

    explicit Side(const C3DTriAABBTree& tree) : entries(tree.Entries()), points(tree.Mesh().points) {}

    void Corners(const TRIANGLE& t, T3DVECF* corners) const
    {
        corners[0] = points[t.a];
        corners[1] = points[t.b];
        corners[2] = points[t.c];
    }
};

enum class WalkResult { Completed, Stopped, OutOfMemory };

// The order in which pending node pairs are taken: oldest first (breadth
// first), or newest first (depth first: few pending pairs, warm nodes). Both
// orders reach exactly the same node pairs, each once; only a walk that
// stops early can tell them apart.
enum class WalkOrder { BreadthFirst, DepthFirst };

// Walks the pairs of nodes of the two trees. For every pair of triangles
// that passes the skip rules, `onPair(ta, tb, cornersA, cornersB)` decides;
// it returns true to stop the walk.
template <WalkOrder order, typename OnPair>
WalkResult WalkPairs(const C3DTriAABBTree& treeA, const C3DTriAABBTree& treeB, const OnPair& onPair)
{
    const Side sideA(treeA);
    const Side sideB(treeB);
    NodePairQueue queue;
    if (!queue.Push(treeA.Root(), treeB.Root())) {
        return WalkResult::OutOfMemory;
    }
    NodePairQueue::Pair pair;
    while (order == WalkOrder::BreadthFirst ? queue.Pop(pair) : queue.PopNewest(pair)) {
        const AABBNode* a = pair.a;
        const AABBNode* b = pair.b;
        if (a == nullptr || b == nullptr || a->Count() == 0 || b->Count() == 0 ||
            ClassifyBoxes(a->box, b->box) == '0') {
            continue;
        }
        bool pushed = true;
        if (!a->IsLeaf() && (b->IsLeaf() || a->Count() > b->Count())) {
            pushed = queue.Push(a->Left(), b) && queue.Push(a->Right(), b);
        } else if (!b->IsLeaf()) {
            pushed = queue.Push(a, b->Left()) && queue.Push(a, b->Right());
        } else {
            const uint32_t firstB = b->first;
            const uint32_t lastB = b->last;
            for (uint32_t i = a->first; i <= a->last; ++i) {
                const TriEntry& ea = sideA.entries[i];
                const TRIANGLE& ta = ea.triangle;
                if (RepeatsAnIndex(ta)) {
                    continue;
                }
                T3DVECF cornersA[3];
                bool haveCornersA = false;
                for (uint32_t j = firstB; j <= lastB; ++j) {
                    const TriEntry& eb = sideB.entries[j];
                    // The box test first: it rejects most pairs, and reads
                    // nothing the index tests would not also read.
                    if (ClassifyBoxes(ea.box, eb.box) == '0') {
                        continue;
                    }
                    const TRIANGLE& tb = eb.triangle;
                    if (RepeatsAnIndex(tb) || SharesAnIndex(ta, tb)) {
                        continue;
                    }
                    if (!haveCornersA) {
                        sideA.Corners(ta, cornersA);
                        haveCornersA = true;
                    }
                    T3DVECF cornersB[3];
                    sideB.Corners(tb, cornersB);
                    if (onPair(ea.index, eb.index, cornersA, cornersB)) {
                        return WalkResult::Stopped;
                    }
                }
            }
        }
        if (!pushed) {
            return WalkResult::OutOfMemory;
        }
    }
    return WalkResult::Completed;
}

}  // namespace

int MarkIntersectingPairs(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB,
                          CBitVector& bits)
{
    if (treeA == nullptr || treeB == nullptr) {
        return 0;
    }
    // Bits are indexed by triangle, and a tree may leave triangles out, so
    // the vector follows the mesh rather than the number of entries.
    if (!bits.Create(treeA->Mesh().triangleCount)) {
        return 0;
    }
    // The marks do not depend on the order of the pairs (a pair is only
    // skipped when it could not add a mark), so the walk goes depth first.
    const WalkResult result = WalkPairs<WalkOrder::DepthFirst>(
        *treeA, *treeB, [&bits](uint32_t ta, uint32_t tb, const T3DVECF* ca, const T3DVECF* cb) {
            // The second visit of a pair, or any pair of two triangles already
            // known to intersect something, cannot change the marks.
            if (!(bits.IsSet(ta) && bits.IsSet(tb)) && TriTriIntersect(ca, cb) == '1') {
                bits.Set(ta);
                bits.Set(tb);
            }
            return false;
        });
    return result == WalkResult::Completed ? 1 : 0;
}

int FindIntersectingPair(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB)
{
    if (treeA == nullptr || treeB == nullptr) {
        return 0;
    }
    const WalkResult result = WalkPairs<WalkOrder::BreadthFirst>(
        *treeA, *treeB, [](uint32_t, uint32_t, const T3DVECF* ca, const T3DVECF* cb) {
            return TriTriIntersect(ca, cb) == '1';
        });
    switch (result) {
    case WalkResult::Stopped:
        return 1;
    case WalkResult::OutOfMemory:
        return -1;
    default:
        return 0;
    }
}

}  // namespace meshaudit
