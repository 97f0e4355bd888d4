// The searches for intersecting triangle pairs within one mesh: its triangle
// tree walked against itself, pruning every pair of nodes whose boxes are
// apart.
#pragma once

#include "containers/BitVector.h"
#include "geometry/TriAabbTree.h"

namespace meshaudit {

// A quantity's list of located elements (analysis/LocationList.h), here the
// intersecting pairs.
class LocationList;

// Pairs of triangles are skipped, never tested, when either triangle repeats
// an index of its own, when the two share any point index (mesh neighbours
// are excluded by index, not by geometry), or when their boxes are apart;
// every other pair whose boxes meet is decided by TriTriIntersect, once per
// unordered pair. The boxes are those of the corners, exactly: the tree keeps
// them rounded outward, and a pair its rounded boxes let through is tested
// on its exact ones. Triangles with an index beyond the point count are not in
// the tree at all.
//
// Both searches take the tree twice, and both must be the same object: the
// walk of two different trees is not supported.

// Sizes `bits` to one bit per triangle of the tree's mesh, cleared, and sets
// the bit of every triangle that takes part in an intersecting pair. Returns
// 1 on completion; 0 when a tree is missing, the two differ, the tree is not
// built, the bits cannot be created or the pending node pairs cannot grow. A
// pair whose two bits are already set is not tested again, unless `pairs` is
// given: then every pair is tested, and each intersecting one is added to it
// once as its two triangle indices, smaller first, in the order the walk
// meets them (the bits come out the same).
//
// `groups`, when not null (the default is null), holds one number per
// triangle of the tree's mesh (only read during the call, kept by the
// caller): a pair of triangles of one group is then neither tested, nor
// marked, nor listed, and the walk drops whole any two nodes whose
// triangles are all of one group, which makes the pairs between the shells
// of a mesh cost little more than the triangles near another shell.
int MarkIntersectingPairs(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB,
                          CBitVector& bits, LocationList* pairs = nullptr, const uint32_t* groups = nullptr);

// Both searches race the tree walk against a sweep over the entry boxes
// (BoxOverlapSweep.h), whose cost follows the number of entry boxes that
// meet whatever the shape: the walk is fast on surfaces, but where large
// triangles nest, nearly all its node boxes meet while few entry boxes do.
// Both test the same pairs. The pairs come in the walk's order when it
// finishes first, as it does on surfaces, and otherwise in the sweep's.

// Returns 1 as soon as one intersecting pair is found, 0 when there is none
// or a tree is missing, -1 when the two trees differ or the pending node
// pairs cannot grow (the answer is then unknown).
int FindIntersectingPair(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB);

// For the tests that compare the two searches: which one runs, on the
// calling thread.
namespace pair_search_testing {
enum class Search { Race, Walk, Sweep };
void Use(Search search);
}  // namespace pair_search_testing

}  // namespace meshaudit
