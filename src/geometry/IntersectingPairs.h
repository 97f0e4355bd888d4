// The searches for intersecting triangle pairs: two triangle trees walked
// side by side, pruning every pair of nodes whose boxes are apart.
#pragma once

#include "containers/BitVector.h"
#include "geometry/TriAabbTree.h"

namespace meshaudit {

// Pairs of triangles are skipped, never tested, when either triangle repeats
// an index of its own, when the two share any point index (mesh neighbours
// are excluded by index, not by geometry), or when their boxes are apart;
// every other pair whose boxes meet is decided by TriTriIntersect. Triangles
// with an index beyond the point count are not in the trees at all.

// Sizes `bits` to one bit per triangle of treeA's mesh, cleared, and sets
// the bit of every triangle that takes part in an intersecting pair (a bit
// of a treeB triangle beyond that size is dropped). Returns 1 on completion;
// 0 when a tree is missing, treeA is not built, the bits cannot be created
// or the queue of node pairs cannot grow.
//
// With the same tree on both sides (the same object, not two trees of the
// same mesh), each unordered pair of triangles is tested once, in one of its
// two orders; the marks are those of walking it as two trees, which meets
// every pair from both sides. A pair whose two bits are already set is not
// tested again.
int MarkIntersectingPairs(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB,
                          CBitVector& bits);

// Returns 1 as soon as one intersecting pair is found, 0 when there is none
// or a tree is missing, -1 when the queue of node pairs cannot grow (the
// answer is then unknown). The same tree on both sides is walked once per
// unordered pair, as above.
int FindIntersectingPair(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB);

}  // namespace meshaudit
