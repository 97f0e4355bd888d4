// Whether a mesh intersects itself: a triangle tree searched against itself
// until the first pair of triangles that share no point index meets.
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/mesh/MeshSteps.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/TriAabbTree.h"

namespace meshaudit {

int8_t TestSelfIntersection(const MeshRecord& mesh)
{
    C3DTriAABBTree tree;
    if (tree.Build(mesh, TriLeaves::Wide) == 0) {
        return 0;
    }
    // 1 found, 0 none; -1 when the search ran out of memory before an
    // answer, which stays "not computable" rather than "none".
    return static_cast<int8_t>(FindIntersectingPair(&tree, &tree));
}

namespace {

// The flag of TestSelfIntersection, found by the search for every pair, each
// added to `pairs`. When that search runs out of memory the pairs are
// dropped and the flag is searched for as without a list.
int8_t ListSelfIntersection(const MeshRecord& mesh, LocationList& pairs)
{
    C3DTriAABBTree tree;
    if (tree.Build(mesh, TriLeaves::Wide) == 0) {
        return 0;
    }
    CBitVector marks;
    if (MarkIntersectingPairs(&tree, &tree, marks, &pairs) != 1) {
        pairs.Clear();
        return static_cast<int8_t>(FindIntersectingPair(&tree, &tree));
    }
    return pairs.Total() != 0 ? 1 : 0;
}

}  // namespace

int8_t SelfintersectionStep(AnalysisContext& context)
{
    LocationList* pairs = context.CurrentList();
    if (pairs != nullptr && pairs->Sealed()) {
        // The count succeeded in this analysis and listed every pair: it
        // answers, as below.
        return context.StoredCount(Category::Triangles, TRI_CountIntersected) >= 1 ? 1 : 0;
    }
    // A positive count from the triangle category already answers. A count
    // not yet computed (or a failure) is left alone: the search below stops
    // at the first pair, which is all this flag needs.
    if (context.StoredCount(Category::Triangles, TRI_CountIntersected) >= 1) {
        return 1;
    }
    // A count of 0 computed in this analysis walked the same tree over the
    // same pairs and found none intersecting: the search would find none.
    if (context.Memo().NoIntersectingPair() &&
        context.StoredCount(Category::Triangles, TRI_CountIntersected) == 0) {
        return 0;
    }
    if (pairs != nullptr) {
        return ListSelfIntersection(context.mesh, *pairs);
    }
    return TestSelfIntersection(context.mesh);
}

}  // namespace meshaudit
