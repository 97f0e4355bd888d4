#include "geometry/PntAabbTree.h"

#include "containers/Memory.h"
#include "geometry/AabbTreeBuild.h"
#include "model/RecordChecks.h"

namespace meshaudit {

namespace {

struct PntTraits {
    static void Extend(C3DAABB& box, const PntEntry& e) { box.Extend(e.point); }

    template <int A>
    static double Centre(const PntEntry& e)
    {
        return AxisCoordinate<A>(e.point);
    }

    template <int A>
    static double SortKey(const PntEntry& e)
    {
        return AxisCoordinate<A>(e.point);
    }

    // The shape fixes the order in which the ball queries return points, on
    // which the sums of the epsilon classes depend: every sort costs alike.
    static constexpr uint64_t kEqualKeysCost = 1;
};

}  // namespace

C3DPntAABBTree::~C3DPntAABBTree()
{
    Reset();
}

void C3DPntAABBTree::Reset()
{
    Free(stack_);
    stack_ = nullptr;
    Free(nodeBlock_);
    nodeBlock_ = nullptr;
    root_ = nullptr;
    nodeCount_ = 0;
    Free(entries_);
    entries_ = nullptr;
    entryCount_ = 0;
    stackSize_ = 0;
}

int C3DPntAABBTree::Build(const MeshRecord& mesh)
{
    Reset();
    if (CheckRecord(mesh) != 0) {
        return 0;
    }
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    entries_ = AllocateArray<PntEntry>(pointCount);
    if (entries_ == nullptr) {
        return 0;
    }
    entryCount_ = pointCount;
    PntEntry* entries = entries_;
    auto fill = [entries, points, pointCount] {
        for (uint32_t i = 0; i < pointCount; ++i) {
            entries[i].index = i;
            entries[i].point = points[i];
        }
    };
    fill();
    BuiltNodes built;
    if (!BuildNodes<PntTraits>(entries_, pointCount, kRuleLeafMost, built, fill)) {
        Reset();
        return 0;
    }
    nodeBlock_ = built.block;
    root_ = built.root;
    nodeCount_ = built.count;
    // A depth-first walk holds at most one pending right child per level above
    // the current node, plus the two children just pushed.
    stackSize_ = static_cast<uint64_t>(built.height) + 2;
    stack_ = AllocateArray<const AABBNode*>(stackSize_);
    if (stack_ == nullptr) {
        Reset();
        return 0;
    }
    return 1;
}

// Depth-first walk with an explicit stack (a degenerate tree can be deep):
// pruned by BoxMeetsBall, whole subtrees accepted by BoxInsideBall, leaves
// tested entry by entry. `visit(first, last, test)` receives each range of
// entries, `test` telling whether each entry must still be classified, and
// returns true to end the walk there.
template <typename Visit>
void C3DPntAABBTree::Walk(const T3DSPHERE& s, const Visit& visit) const
{
    if (root_ == nullptr) {
        return;
    }
    const AABBNode** stack = stack_;
    uint32_t top = 0;
    stack[top++] = root_;
    while (top != 0) {
        const AABBNode* node = stack[--top];
        // Start fetching the children (one 128-byte pair) while this node's
        // box is tested: on large trees the walk waits on memory, not on
        // arithmetic.
        if (node->children != nullptr) {
            __builtin_prefetch(node->children);
            __builtin_prefetch(node->children + 1);
        }
        if (BoxMeetsBall(node->box, s) == '0') {
            continue;
        }
        if (BoxInsideBall(node->box, s) == '1') {
            if (visit(node->first, node->last, false)) {
                return;
            }
        } else if (node->IsLeaf()) {
            if (visit(node->first, node->last, true)) {
                return;
            }
        } else {
            stack[top++] = node->Right();
            stack[top++] = node->Left();
        }
    }
}

void C3DPntAABBTree::CountInBall(const T3DSPHERE& s, uint32_t& counter) const
{
    CountInBallUpTo(s, counter, UINT32_MAX);
}

void C3DPntAABBTree::CountInBallUpTo(const T3DSPHERE& s, uint32_t& counter, uint32_t limit) const
{
    const PntEntry* entries = entries_;
    const double r2 = s.radius * s.radius;
    Walk(s, [&](uint32_t first, uint32_t last, bool test) {
        if (!test) {
            counter += last - first + 1;
            return counter >= limit;
        }
        for (uint32_t k = first; k <= last; ++k) {
            // Not '0' for ClassifyPointBall: anything but "strictly farther".
            if (!(SquaredDistance(entries[k].point, s.centre) > r2)) {
                ++counter;
            }
        }
        return counter >= limit;
    });
}

// Every leaf, depth first, on the tree's own stack (it has room for any
// path): leaves come in the order of their entries.
template <typename Visit>
void C3DPntAABBTree::ForEachLeaf(const Visit& visit) const
{
    if (root_ == nullptr) {
        return;
    }
    const AABBNode** stack = stack_;
    uint32_t top = 0;
    stack[top++] = root_;
    while (top != 0) {
        const AABBNode* node = stack[--top];
        if (node->IsLeaf()) {
            visit(*node);
        } else {
            stack[top++] = node->Right();
            stack[top++] = node->Left();
        }
    }
}

void C3DPntAABBTree::MarkCloseLeafPairs(double radius, uint8_t* marks) const
{
    const PntEntry* entries = entries_;
    const double r2 = radius * radius;
    ForEachLeaf([&](const AABBNode& leaf) {
        for (uint32_t k = leaf.first; k <= leaf.last; ++k) {
            for (uint32_t m = k + 1; m <= leaf.last; ++m) {
                if (!(SquaredDistance(entries[m].point, entries[k].point) > r2)) {
                    marks[k] = 1;
                    marks[m] = 1;
                }
            }
        }
    });
}

namespace {

// Adds the square of low - high when low lies above high.
inline void AddGap(double& d, double low, double high)
{
    if (low > high) {
        d += (low - high) * (low - high);
    }
}

// The squared gap between two boxes, axis by axis as SquaredDistance sums:
// for finite coordinates it is never greater than the squared distance of a
// point of one box from a point of the other, since rounded subtraction,
// squaring and addition are monotonic and an axis without a gap adds 0.
inline double SquaredGap(const C3DAABB& a, const C3DAABB& b)
{
    double d = 0.0;
    AddGap(d, b.min.x, a.max.x);
    AddGap(d, a.min.x, b.max.x);
    AddGap(d, b.min.y, a.max.y);
    AddGap(d, a.min.y, b.max.y);
    AddGap(d, b.min.z, a.max.z);
    AddGap(d, a.min.z, b.max.z);
    return d;
}

}  // namespace

C3DPntAABBTree::LeafWalks C3DPntAABBTree::MarkCloseAcrossLeaves(double radius, uint8_t* marks,
                                                                uint64_t nodeBudget) const
{
    if (root_ == nullptr) {
        return LeafWalks::Complete;
    }
    // The leaves are visited on the tree's own stack, each leaf's walk runs
    // on a second one of the same size.
    const AABBNode** walk = AllocateArray<const AABBNode*>(stackSize_);
    if (walk == nullptr) {
        return LeafWalks::OutOfMemory;
    }
    uint64_t visited = 0;
    const PntEntry* entries = entries_;
    const double r2 = radius * radius;
    // Leaves come in the order of their entries, so consecutive walks pass
    // through the same nodes, still in cache.
    ForEachLeaf([&](const AABBNode& leaf) {
        uint32_t unmarked = 0;
        for (uint32_t k = leaf.first; k <= leaf.last; ++k) {
            unmarked += marks[k] == 0 ? 1u : 0u;
        }
        uint32_t top = 0;
        walk[top++] = root_;
        while (top != 0 && unmarked != 0 && visited < nodeBudget) {
            const AABBNode* node = walk[--top];
            ++visited;
            if (node == &leaf || SquaredGap(node->box, leaf.box) > r2) {
                continue;
            }
            if (!node->IsLeaf()) {
                walk[top++] = node->Right();
                walk[top++] = node->Left();
                continue;
            }
            for (uint32_t k = leaf.first; k <= leaf.last; ++k) {
                if (marks[k] != 0) {
                    continue;
                }
                for (uint32_t m = node->first; m <= node->last; ++m) {
                    if (!(SquaredDistance(entries[m].point, entries[k].point) > r2)) {
                        marks[k] = 1;
                        --unmarked;
                        break;
                    }
                }
            }
        }
    });
    Free(walk);
    return visited < nodeBudget ? LeafWalks::Complete : LeafWalks::OverBudget;
}

void C3DPntAABBTree::CollectInBall(const T3DSPHERE& s, uint32_t* out, uint32_t& count) const
{
    const PntEntry* entries = entries_;
    const double r2 = s.radius * s.radius;
    Walk(s, [&](uint32_t first, uint32_t last, bool test) {
        for (uint32_t k = first; k <= last; ++k) {
            if (!test || !(SquaredDistance(entries[k].point, s.centre) > r2)) {
                out[count++] = entries[k].index;
            }
        }
        return false;
    });
}

void C3DPntAABBTree::CollectEntriesInBall(const T3DSPHERE& s, uint32_t* out, uint32_t& count) const
{
    const PntEntry* entries = entries_;
    const double r2 = s.radius * s.radius;
    Walk(s, [&](uint32_t first, uint32_t last, bool test) {
        for (uint32_t k = first; k <= last; ++k) {
            if (!test || !(SquaredDistance(entries[k].point, s.centre) > r2)) {
                out[count++] = k;
            }
        }
        return false;
    });
}

}  // namespace meshaudit
