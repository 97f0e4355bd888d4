// A bounding-box tree over the points of a mesh, answering "which points lie
// within a distance of this point" without comparing all pairs.
#pragma once

#include "geometry/AabbNode.h"
#include "geometry/Sphere.h"
#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// A point of the tree: its index in the mesh and a copy of its coordinates.
struct PntEntry {
    uint32_t index;
    T3DVECF point;
};

// The tree owns its entries (one block, in tree order: every node covers a
// contiguous range), its nodes (one block) and the scratch stack of its
// queries; it borrows the mesh's point array only while building.
//
// Queries walk the nodes depth first, left child before right, so the points
// they report come in the order of the entry array, which the build fixes:
// a subtree accepted whole is reported in that order, and leaves are reached
// from left to right.
class C3DPntAABBTree {
public:
    C3DPntAABBTree() = default;
    ~C3DPntAABBTree();
    C3DPntAABBTree(const C3DPntAABBTree&) = delete;
    C3DPntAABBTree& operator=(const C3DPntAABBTree&) = delete;

    // Builds over all points of the mesh. Returns 1, or 0 when the mesh has no
    // point array, no triangle array, no points or no triangles, or when an
    // allocation fails; a failed build leaves the tree empty. Calls Reset first.
    int Build(const MeshRecord& mesh);

    // Releases everything; the tree is empty again (root null).
    void Reset();

    // Adds to `counter` the number of points p with ClassifyPointBall(p, s)
    // other than '0' (inside, on the sphere, or undecided by a NaN). A tree
    // that is not built finds nothing.
    void CountInBall(const T3DSPHERE& s, uint32_t& counter) const;

    // As CountInBall, but the walk ends as soon as `counter` reaches `limit`
    // (it may then exceed it by the rest of one leaf or accepted subtree).
    // Whether the count reaches the limit is the same as with CountInBall.
    void CountInBallUpTo(const T3DSPHERE& s, uint32_t& counter, uint32_t limit) const;

    // Appends the indices of the same points to out[count], out[count + 1],
    // ..., incrementing `count` per index; `out` needs room for every point.
    // Whole subtrees inside the ball are reported in entry order, the rest
    // depth first, left before right.
    void CollectInBall(const T3DSPHERE& s, uint32_t* out, uint32_t& count) const;

    // As CollectInBall, but appends positions in Entries() instead of point
    // indices, in the same order: the entries hold each point's index and a
    // copy of its coordinates, stored by place, which a caller reads faster
    // than the mesh's points scattered by index.
    void CollectEntriesInBall(const T3DSPHERE& s, uint32_t* out, uint32_t& count) const;

    // Sets marks[k] and marks[m] to 1 for every two entries k and m of one
    // leaf that lie within the radius of each other: their squared distance,
    // taken as the ball queries take it, is not greater than the squared
    // radius (the test is symmetric). `marks` has one byte per entry, in
    // entry order; other bytes are left as they are. Every such k has
    // another point in its own ball, which spares a query for most points of
    // a dense cloud.
    void MarkCloseLeafPairs(double radius, uint8_t* marks) const;

    enum class LeafWalks { Complete, OverBudget, OutOfMemory };

    // Sets marks[k] to 1 for every entry k, still unmarked, that has an
    // entry of another leaf within the radius (the squared distance taken as
    // the ball queries take it, not greater than the squared radius). One
    // walk per leaf with unmarked entries replaces their ball queries: a node
    // is passed over when its box is farther from the leaf's box than the
    // radius. After MarkCloseLeafPairs, the marks are then exactly "the
    // entry's own ball holds another point", as CountInBallUpTo(.., 2) tells
    // it, provided every coordinate is finite: only then do boxes bound the
    // distances of their points.
    //
    // A leaf's box can be much larger than its points' balls, and a walk
    // then meets many nodes a query would not; the walks stop (OverBudget)
    // once they have visited `nodeBudget` nodes, and the entries still
    // unmarked then need their queries. Every mark set is right either way.
    // OutOfMemory, marks unchanged, when the walk's stack cannot be
    // allocated.
    LeafWalks MarkCloseAcrossLeaves(double radius, uint8_t* marks, uint64_t nodeBudget) const;

    const AABBNode* Root() const { return root_; }
    const PntEntry* Entries() const { return entries_; }
    uint32_t EntryCount() const { return entryCount_; }
    uint32_t NodeCount() const { return nodeCount_; }
    uint32_t LeafSize() const { return leafSize_; }

private:
    template <typename Visit>
    void Walk(const T3DSPHERE& s, const Visit& visit) const;
    template <typename Visit>
    void ForEachLeaf(const Visit& visit) const;

    void* nodeBlock_ = nullptr;  // holds every node
    AABBNode* root_ = nullptr;
    uint32_t nodeCount_ = 0;
    PntEntry* entries_ = nullptr;
    uint32_t entryCount_ = 0;
    const AABBNode** stack_ = nullptr;  // room for a root-to-leaf path plus one
    uint64_t stackSize_ = 0;  // entries of stack_
    uint32_t leafSize_ = 5;
};

}  // namespace meshaudit
