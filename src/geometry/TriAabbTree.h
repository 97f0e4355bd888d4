// A bounding-box tree over the triangles of a mesh, walked pairwise against
// another (or the same) tree by the intersecting-pair searches.
#pragma once

#include "geometry/AabbNode.h"
#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// A triangle's box in single precision, each bound rounded outward, so that
// it contains the box of the corners in double precision. Half the size of
// that box: on a mesh of ten million triangles the entries are the largest
// block of an analysis, and every page of it is a fresh one from the
// system, cleared before first use.
struct FloatBox {
    float minX, minY, minZ;
    float maxX, maxY, maxZ;
};

// The bounds of `box` in single precision: each one itself where a float
// holds it, else rounded outward. `exact` is set false when a bound had to
// be rounded (left as it is otherwise). An empty box (min +DBL_MAX, max
// -DBL_MAX) stays empty.
FloatBox OutwardFloatBox(const C3DAABB& box, bool& exact);

// The double box of a float box; exact, every float being a double.
inline C3DAABB WidenBox(const FloatBox& b)
{
    C3DAABB box;
    box.min = T3DVECF{b.minX, b.minY, b.minZ};
    box.max = T3DVECF{b.maxX, b.maxY, b.maxZ};
    return box;
}

// A triangle of the tree: its index in the mesh, a copy of its three point
// indices (which the pair searches compare for every pair they consider, and
// read faster here than from the mesh) and its box rounded outward. Since
// that box may meet boxes that the exact one is apart from, the searches
// test the exact boxes of a pair again before its triangles (see
// IntersectingPairs.cpp). 40 bytes.
struct TriEntry {
    uint32_t index;
    TRIANGLE triangle;
    FloatBox box;
};

static_assert(sizeof(TriEntry) == 40, "an entry is ten words");

// The leaves a build makes: the rule's, of at most 10 entries, or wide ones
// of up to kWideLeafEntries. The pair searches compare any subtree of that
// many entries or fewer as one flat range, whatever its shape, so in a tree
// built only for them the splits below such a subtree and their nodes are
// work and memory spent for nothing. Both trees give the searches the same
// pairs.
enum class TriLeaves { Rule, Wide };
inline constexpr uint32_t kWideLeafEntries = 32;

// What the build may spend on the sorts that stand in for a split leaving
// too few entries on one side (AabbTreeBuild.h): the rule's budget, or a
// sixteenth of it (Small) for a tree searched only for an answer that no
// order of the pairs met changes (whether any pair meets; the least pair
// found for each pair of shells). Trees within the smaller budget are the
// rule's; beyond it their lower levels are cut in the middle.
enum class TreeSorts { Rule, Small };

// The tree owns its entries (one block, in tree order: every node covers a
// contiguous range) and its nodes (one block), and keeps a copy of the mesh
// record it was built over; the mesh's arrays stay the caller's and must
// outlive every use of the tree. Node bounds are floats, being those of
// entry boxes.
class C3DTriAABBTree {
public:
    C3DTriAABBTree() = default;
    ~C3DTriAABBTree();
    C3DTriAABBTree(const C3DTriAABBTree&) = delete;
    C3DTriAABBTree& operator=(const C3DTriAABBTree&) = delete;

    // Builds over the triangles of the mesh. Returns 1, or 0 when the mesh has
    // no point array, no triangle array, no points or no triangles, or when an
    // allocation fails; a failed build leaves the tree empty. Calls Reset
    // first.
    //
    // Out-of-range indices: a triangle with an index >= pointCount has no
    // corners to read and is not entered in the tree at all, so no search
    // ever reports it. When no triangle is in range the build succeeds with
    // no entries and no root.
    //
    // `leaves` (default the rule's): see TriLeaves; `sorts` (default the
    // rule's): see TreeSorts.
    int Build(const MeshRecord& mesh, TriLeaves leaves = TriLeaves::Rule, TreeSorts sorts = TreeSorts::Rule);

    // Releases nodes and entries and forgets the mesh; the tree is empty again
    // (root null).
    void Reset();

    const AABBNode* Root() const { return root_; }
    const TriEntry* Entries() const { return entries_; }
    uint32_t EntryCount() const { return entryCount_; }
    uint32_t NodeCount() const { return nodeCount_; }
    const MeshRecord& Mesh() const { return mesh_; }
    uint32_t LeafSize() const { return leafSize_; }
    // Whether every entry's float box is its exact box, bound for bound:
    // then two entry boxes are apart exactly when their exact boxes are.
    bool ExactBoxes() const { return exactBoxes_; }

private:
    void* nodeBlock_ = nullptr;  // holds every node
    AABBNode* root_ = nullptr;
    uint32_t nodeCount_ = 0;
    MeshRecord mesh_{nullptr, 0, nullptr, 0};
    void* entryBlock_ = nullptr;  // holds the entries, from a 64-byte boundary on
    TriEntry* entries_ = nullptr;
    uint32_t entryCount_ = 0;
    uint32_t leafSize_ = 5;
    bool exactBoxes_ = true;
};

}  // namespace meshaudit
