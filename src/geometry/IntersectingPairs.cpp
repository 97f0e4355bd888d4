// Dual-tree search for intersecting triangles within one tree: a pair of
// overlapping boxes is refined by splitting the node with more entries (or
// the one that is not a leaf), and two leaves are compared entry by entry,
// cheap index and box tests before the exact one. Each unordered pair of
// nodes is visited once.
#include "geometry/IntersectingPairs.h"

#include "analysis/LocationList.h"
#include "containers/Memory.h"
#include "geometry/AabbTreeBuild.h"
#include "geometry/BoxOverlapSweep.h"
#include "geometry/NodePairQueue.h"
#include "geometry/TriangleIntersection.h"

#include <bit>

namespace meshaudit {

namespace {

// Without branches, like BoxesApart: the gathering loops meet degenerate
// triangles in no predictable order.
inline bool RepeatsAnIndex(const TRIANGLE& t)
{
    return (t.a == t.b) | (t.a == t.c) | (t.b == t.c);
}

// ClassifyBoxes(a, b) == '0': the same six comparisons, all made and joined
// without branches, since the pair loops meet boxes that are apart or not in
// no order a processor could predict.
inline bool BoxesApart(const C3DAABB& a, const C3DAABB& b)
{
    return (b.min.x > a.max.x) | (a.min.x > b.max.x) | (b.min.y > a.max.y) | (a.min.y > b.max.y) |
           (b.min.z > a.max.z) | (a.min.z > b.max.z);
}

// The same comparisons between entry boxes, in single precision. Their
// bounds are rounded outward, so boxes found apart here are apart exactly
// too.
inline bool BoxesApart(const FloatBox& a, const FloatBox& b)
{
    return (b.minX > a.maxX) | (a.minX > b.maxX) | (b.minY > a.maxY) | (a.minY > b.maxY) |
           (b.minZ > a.maxZ) | (a.minZ > b.maxZ);
}

// A node's box in single precision, to be compared with entry boxes. Its
// bounds are the minimum and maximum of its entries' bounds, floats
// already (RangeBox in TriAabbTree.cpp), so the conversion is exact.
inline FloatBox NodeFloatBox(const AABBNode& node)
{
    const C3DAABB& b = node.box;
    return FloatBox{static_cast<float>(b.min.x), static_cast<float>(b.min.y), static_cast<float>(b.min.z),
                    static_cast<float>(b.max.x), static_cast<float>(b.max.y), static_cast<float>(b.max.z)};
}

// The exact box of a triangle's corners, as the tree's build makes it
// before rounding.
inline C3DAABB CornerBox(const T3DVECF* corners)
{
    C3DAABB box;
    box.Extend(corners[0]);
    box.Extend(corners[1]);
    box.Extend(corners[2]);
    return box;
}

enum class WalkResult { Completed, Stopped, OutOfMemory, OverBudget };

// Which search runs, for the tests that compare them: both in a race (the
// rule), or only one.
thread_local pair_search_testing::Search g_search = pair_search_testing::Search::Race;

constexpr uint32_t kNoSharedCorner = 0xFFFFFFFFu;

// The smallest corner index that every triangle of entries first..last has,
// or kNoSharedCorner.
uint32_t SmallestSharedCorner(const TriEntry* entries, uint32_t first, uint32_t last)
{
    const TRIANGLE& t0 = entries[first].triangle;
    uint32_t candidates[3] = {t0.a, t0.b, t0.c};
    bool alive[3] = {true, true, true};
    for (uint32_t k = first + 1; k <= last; ++k) {
        const TRIANGLE& t = entries[k].triangle;
        for (int c = 0; c < 3; ++c) {
            alive[c] = alive[c] && (t.a == candidates[c] || t.b == candidates[c] || t.c == candidates[c]);
        }
    }
    uint32_t smallest = kNoSharedCorner;
    for (int c = 0; c < 3; ++c) {
        smallest = alive[c] && candidates[c] < smallest ? candidates[c] : smallest;
    }
    return smallest;
}

// For every node, by its position in the node block, a corner index shared
// by all the triangles under it, or kNoSharedCorner: a leaf's smallest
// shared corner, an inner node's when both children name the same one. Two
// nodes that name the same corner hold only pairs that share an index, none
// of which is ever tested, so the walk drops them whole: a fan around one
// point, a book of triangles on one edge or copies of one triangle would
// otherwise have every overlapping pair of their boxes visited only to be
// refused pair by pair. Nodes come after their parent in the block, so one
// pass from the end meets children first. Null when the array cannot be
// had; the walk then simply prunes nothing, with the same result.
uint32_t* SharedCorners(const C3DTriAABBTree& tree)
{
    const AABBNode* root = tree.Root();
    const uint32_t count = tree.NodeCount();
    uint32_t* shared = root == nullptr ? nullptr : AllocateArray<uint32_t>(count);
    if (shared == nullptr) {
        return nullptr;
    }
    for (uint32_t k = count; k-- > 0;) {
        const AABBNode& node = root[k];
        if (node.Count() == 0) {
            shared[k] = kNoSharedCorner;
        } else if (node.IsLeaf()) {
            shared[k] = SmallestSharedCorner(tree.Entries(), node.first, node.last);
        } else {
            const auto left = static_cast<uint32_t>(node.Left() - root);
            const uint32_t corner = shared[left];
            shared[k] = corner == shared[left + 1] ? corner : kNoSharedCorner;
        }
    }
    return shared;
}

// For every node, by its position in the node block, the group (groups[]
// by triangle index) of every triangle under it when they are all of one,
// else kNoSharedCorner: two nodes of one group hold only pairs the grouped
// search skips, and the walk drops them whole, as for a shared corner.
// Null when `groups` is, or the array cannot be had: nothing is pruned.
uint32_t* NodeGroups(const C3DTriAABBTree& tree, const uint32_t* groups)
{
    const AABBNode* root = tree.Root();
    const uint32_t count = tree.NodeCount();
    uint32_t* group = root == nullptr || groups == nullptr ? nullptr : AllocateArray<uint32_t>(count);
    if (group == nullptr) {
        return nullptr;
    }
    const TriEntry* entries = tree.Entries();
    for (uint32_t k = count; k-- > 0;) {
        const AABBNode& node = root[k];
        if (node.Count() == 0) {
            group[k] = kNoSharedCorner;
        } else if (node.IsLeaf()) {
            uint32_t g = groups[entries[node.first].index];
            for (uint32_t e = node.first + 1; e <= node.last; ++e) {
                g = groups[entries[e].index] == g ? g : kNoSharedCorner;
            }
            group[k] = g;
        } else {
            const auto left = static_cast<uint32_t>(node.Left() - root);
            group[k] = group[left] == group[left + 1] ? group[left] : kNoSharedCorner;
        }
    }
    return group;
}

// What the walk may compare before the sweep takes a turn: entry boxes per
// entry, and a floor for small meshes.
constexpr uint64_t kWalkBudgetPerEntry = 256;
constexpr uint64_t kWalkBudgetBase = uint64_t{1} << 20;

// The walk of a tree against itself, meeting every unordered pair of
// triangles once: a pair of one node with itself is split into (left, left),
// (left, right) and (right, right), a leaf with itself compares its entries
// i < j only, and a pair of two different nodes (always two disjoint
// subtrees, since such pairs only come from a (left, right) split) is refined
// by splitting the node with more entries, or the one that is not a leaf.
// Nodes of at most kFlat entries are not split further: their entry ranges
// are compared as if they were leaves.
//
// It tests exactly the pairs of entries whose boxes are not apart and that
// pass the index rules, each in one of its two orders:
// - A node's box contains the box of each of its descendants (both are the
//   minimum and maximum of the same entry boxes, the parent's over more of
//   them), and two boxes that are apart stay apart when each is replaced by a
//   box it contains (b.min > a.max only grows more true as b.min grows and
//   a.max shrinks). So dropping a pair of nodes whose boxes are apart drops
//   only pairs of entries whose boxes are apart, and every other pair of
//   entries is reached through the pairs of nodes that hold them.
// - Every rule that skips a pair (repeated index, shared index, boxes apart)
//   gives the same answer in both orders, and so does TriTriIntersect: it is
//   "some edge of the first meets the second, or some edge of the second
//   meets the first", a symmetric or of two deterministic tests. So the
//   order in which a pair is met never changes the marks.
//
// The leaf comparisons also drop, before the pairwise loop, the entries whose
// box is apart from the other leaf's box: they are apart from every entry box
// in it, for the reason above, so no pair that could be tested is lost.
class SelfWalk {
public:
    // The walk gives up (OverBudget) once it has compared more than
    // `budget` entry boxes.
    SelfWalk(const C3DTriAABBTree& tree, const uint32_t* sharedCorners, const uint32_t* nodeGroups, uint64_t budget)
        : entries_(tree.Entries()), points_(tree.Mesh().points), root_(tree.Root()), shared_(sharedCorners),
          groups_(nodeGroups), recheck_(!tree.ExactBoxes()), budget_(budget)
    {
    }

    template <typename OnPair>
    WalkResult Run(const AABBNode* root, const OnPair& onPair) const
    {
        if (root == nullptr || root->Count() == 0) {
            return WalkResult::Completed;
        }
        // A pair is queued only when its boxes are not apart, tested while
        // the parent's children (one 128-byte block) have just been read; the
        // pairs taken from the queue need no test.
        NodePairQueue queue;
        if (!Offer(queue, root, root)) {
            return WalkResult::OutOfMemory;
        }
        NodePairQueue::Pair pair;
        while (queue.PopNewest(pair)) {
            if (compared_ > budget_) {
                return WalkResult::OverBudget;
            }
            const AABBNode* a = pair.a;
            const AABBNode* b = pair.b;
            bool pushed = true;
            if (a == b) {
                if (a->IsLeaf() || a->Count() <= kFlat) {
                    if (CompareWithItself(*a, onPair)) {
                        return WalkResult::Stopped;
                    }
                } else {
                    pushed = Offer(queue, a->Left(), a->Left()) &&
                             Offer(queue, a->Left(), a->Right()) &&
                             Offer(queue, a->Right(), a->Right());
                }
            } else if (a->Count() <= kFlat && b->Count() <= kFlat) {
                if (CompareLeaves(*a, *b, onPair)) {
                    return WalkResult::Stopped;
                }
            } else if (!a->IsLeaf() && (b->IsLeaf() || a->Count() > b->Count())) {
                pushed = Offer(queue, a->Left(), b) && Offer(queue, a->Right(), b);
            } else if (!b->IsLeaf()) {
                pushed = Offer(queue, a, b->Left()) && Offer(queue, a, b->Right());
            } else if (CompareLeaves(*a, *b, onPair)) {
                return WalkResult::Stopped;
            }
            if (!pushed) {
                return WalkResult::OutOfMemory;
            }
        }
        return WalkResult::Completed;
    }

private:
    // Node pairs whose subtrees are both this small are compared as two
    // flat ranges of entries, which are contiguous, instead of walked down
    // to their leaves: the pairs tested are the same (see above: a pair of
    // entries is tested exactly when their boxes are not apart, whatever
    // nodes hold them), and comparing a few more entry boxes in a warm range
    // costs far less than the node pairs it spares, each of which waits on
    // memory. A tree built with wide leaves (TriLeaves::Wide) stops at
    // subtrees this small.
    static constexpr uint32_t kFlat = kWideLeafEntries;

    // Entries gathered from a range at a time: a leaf of either width or a
    // flat range at once (CompareWithItself relies on it); CompareLeaves
    // takes the other side of a pair in pieces of this size.
    static constexpr uint32_t kGather = kFlat;
    static_assert(kRuleLeafMost <= kGather && kWideLeafEntries <= kGather, "a leaf is gathered at once");

    void Corners(const TRIANGLE& t, T3DVECF* corners) const
    {
        corners[0] = points_[t.a];
        corners[1] = points_[t.b];
        corners[2] = points_[t.c];
    }

    // Whether every triangle under a and every one under b have a corner
    // index in common (see SharedCorners).
    bool SharesACorner(const AABBNode* a, const AABBNode* b) const
    {
        if (shared_ == nullptr) {
            return false;
        }
        const uint32_t corner = shared_[a - root_];
        return corner != kNoSharedCorner && corner == shared_[b - root_];
    }

    // Whether all triangles under a and b are of one group (see NodeGroups).
    bool OneGroup(const AABBNode* a, const AABBNode* b) const
    {
        return groups_ != nullptr && groups_[a - root_] != kNoSharedCorner && groups_[a - root_] == groups_[b - root_];
    }

    // Queues the pair of nodes unless their boxes are apart or all their
    // pairs share an index; false when the queue cannot grow.
    bool Offer(NodePairQueue& queue, const AABBNode* a, const AABBNode* b) const
    {
        return BoxesApart(a->box, b->box) || SharesACorner(a, b) || OneGroup(a, b) || queue.Push(a, b);
    }

    // The entries still to be compared, gathered from a range: their
    // positions, their boxes axis by axis and their corner indices, so that
    // one entry is tested against all of them in a loop without branches
    // over a few cache lines.
    struct Gathered {
        static_assert(kGather <= 32, "one bit per gathered entry");
        float minX[kGather];
        float maxX[kGather];
        float minY[kGather];
        float maxY[kGather];
        float minZ[kGather];
        float maxZ[kGather];
        uint32_t a[kGather];
        uint32_t b[kGather];
        uint32_t c[kGather];
        uint32_t position[kGather];
        uint32_t count = 0;

        void Add(const TriEntry& e, uint32_t at)
        {
            minX[count] = e.box.minX;
            maxX[count] = e.box.maxX;
            minY[count] = e.box.minY;
            maxY[count] = e.box.maxY;
            minZ[count] = e.box.minZ;
            maxZ[count] = e.box.maxZ;
            a[count] = e.triangle.a;
            b[count] = e.triangle.b;
            c[count] = e.triangle.c;
            position[count] = at;
            ++count;
        }

        // Add when `keep`, without a branch: the entry is written in the
        // next place either way and counted only when kept. The caller
        // leaves room for it (count < kGather).
        void AddIf(const TriEntry& e, uint32_t at, bool keep)
        {
            const uint32_t kept = count;
            Add(e, at);
            count = kept + static_cast<uint32_t>(keep);
        }
    };

    // Tests entry `ea` against the gathered entries from..count-1, in
    // gathered order; its corners are fetched on first need. True to stop.
    // The box test (BoxesApart's six comparisons) and the shared index test
    // (nine) are made for all of them first, without branches: on a surface
    // most boxes that meet belong to neighbours, which share a corner, few
    // pairs pass both, and in no order a processor could predict. Written
    // field array by field array, with nothing carried from one entry to the
    // next, that pass becomes vector operations over several entries at
    // once, which beat testing one entry at a time. Kept inline in both
    // callers by force: with the exact box test it is large enough for the
    // compiler to make it a call, and as a call the walk runs more
    // instructions.
    template <typename OnPair>
    [[gnu::always_inline]] bool TestAgainst(const TriEntry& ea, const Gathered& g, uint32_t from, const OnPair& onPair) const
    {
        const FloatBox& box = ea.box;
        const TRIANGLE ta = ea.triangle;
        compared_ += g.count - from;
        uint32_t kept[kGather];
        for (uint32_t k = from; k < g.count; ++k) {
            const bool apart = (g.minX[k] > box.maxX) | (box.minX > g.maxX[k]) | (g.minY[k] > box.maxY) |
                               (box.minY > g.maxY[k]) | (g.minZ[k] > box.maxZ) | (box.minZ > g.maxZ[k]);
            const bool shares = (g.a[k] == ta.a) | (g.a[k] == ta.b) | (g.a[k] == ta.c) | (g.b[k] == ta.a) |
                                (g.b[k] == ta.b) | (g.b[k] == ta.c) | (g.c[k] == ta.a) | (g.c[k] == ta.b) |
                                (g.c[k] == ta.c);
            kept[k] = static_cast<uint32_t>(!(apart | shares));
        }
        uint32_t candidates = 0;
        for (uint32_t k = from; k < g.count; ++k) {
            candidates |= kept[k] << k;
        }
        T3DVECF cornersA[3];
        C3DAABB exactA;
        bool haveCornersA = false;
        while (candidates != 0) {
            const int k = std::countr_zero(candidates);
            candidates &= candidates - 1;
            const TriEntry& eb = entries_[g.position[k]];
            if (!haveCornersA) {
                Corners(ta, cornersA);
                exactA = recheck_ ? CornerBox(cornersA) : C3DAABB{};
                haveCornersA = true;
            }
            T3DVECF cornersB[3];
            Corners(eb.triangle, cornersB);
            // Rounded boxes meet where exact ones may be apart; the pair is
            // tested only if the exact ones meet, so that the same pairs are
            // tested as with exact entry boxes.
            if (recheck_ && BoxesApart(exactA, CornerBox(cornersB))) {
                continue;
            }
            if (onPair(ea.index, eb.index, cornersA, cornersB)) {
                return true;
            }
        }
        return false;
    }

    // Every pair of entries i < j of one leaf (or flat range); true to stop.
    // Its entries without a repeated index are gathered once, each tested
    // against those after it: a leaf of either width, and a flat range,
    // hold at most kGather entries.
    template <typename OnPair>
    bool CompareWithItself(const AABBNode& leaf, const OnPair& onPair) const
    {
        Gathered g;
        for (uint32_t j = leaf.first; j <= leaf.last; ++j) {
            if (!RepeatsAnIndex(entries_[j].triangle)) {
                g.Add(entries_[j], j);
            }
        }
        for (uint32_t k = 0; k + 1 < g.count; ++k) {
            if (TestAgainst(entries_[g.position[k]], g, k + 1, onPair)) {
                return true;
            }
        }
        return false;
    }

    // Every pair of an entry of `a` with an entry of `b`, two leaves (or flat
    // ranges) with no entry in common; true to stop.
    template <typename OnPair>
    bool CompareLeaves(const AABBNode& a, const AABBNode& b, const OnPair& onPair) const
    {
        const FloatBox boxA = NodeFloatBox(a);
        const FloatBox boxB = NodeFloatBox(b);
        Gathered g;
        for (uint32_t start = b.first; start <= b.last; start += kGather) {
            const uint32_t end = b.last - start < kGather ? b.last : start + kGather - 1;
            g.count = 0;
            // Which entries meet a's box is as unpredictable as in the pair
            // tests, so they are gathered without a branch too.
            for (uint32_t j = start; j <= end; ++j) {
                const TriEntry& eb = entries_[j];
                const bool apart = BoxesApart(eb.box, boxA);
                const bool repeats = RepeatsAnIndex(eb.triangle);
                g.AddIf(eb, j, !(apart | repeats));
            }
            if (g.count != 0) {
                for (uint32_t i = a.first; i <= a.last; ++i) {
                    const TriEntry& ea = entries_[i];
                    if (BoxesApart(ea.box, boxB) || RepeatsAnIndex(ea.triangle)) {
                        continue;
                    }
                    if (TestAgainst(ea, g, 0, onPair)) {
                        return true;
                    }
                }
            }
            if (end == b.last) {
                break;
            }
        }
        return false;
    }

    const TriEntry* entries_;
    const T3DVECF* points_;
    const AABBNode* root_;
    const uint32_t* shared_;  // may be null: nothing pruned
    const uint32_t* groups_;  // may be null: nothing pruned
    bool recheck_;            // some entry boxes were rounded outward
    uint64_t budget_;
    mutable uint64_t compared_ = 0;
};

// A walk over the tree with its shared corners, released afterwards.
template <typename OnPair>
WalkResult WalkTree(const C3DTriAABBTree& tree, uint64_t budget, const OnPair& onPair, const uint32_t* groups)
{
    uint32_t* shared = SharedCorners(tree);
    uint32_t* nodeGroups = NodeGroups(tree, groups);
    const WalkResult result = SelfWalk(tree, shared, nodeGroups, budget).Run(tree.Root(), onPair);
    Free(shared);
    Free(nodeGroups);
    return result;
}

// The same pairs as the walk's, under the same rules, found by the sweep
// over the entry boxes (BoxOverlapSweep.h); OverBudget after `budget` pairs
// of boxes that meet.
template <typename OnPair>
WalkResult SweepTree(const C3DTriAABBTree& tree, uint64_t budget, const OnPair& onPair)
{
    const TriEntry* entries = tree.Entries();
    const uint32_t count = tree.EntryCount();
    uint32_t* positions = AllocateArray<uint32_t>(count);
    FloatBox* boxes = AllocateArray<FloatBox>(count);
    if (positions == nullptr || boxes == nullptr) {
        Free(positions);
        Free(boxes);
        return WalkResult::OutOfMemory;
    }
    uint32_t n = 0;
    for (uint32_t k = 0; k < count; ++k) {
        if (!RepeatsAnIndex(entries[k].triangle)) {
            positions[n] = k;
            boxes[n++] = entries[k].box;
        }
    }
    const T3DVECF* points = tree.Mesh().points;
    const bool recheck = !tree.ExactBoxes();
    uint64_t met = 0;
    bool over = false;
    const int swept = ForEachMeetingBoxPair(boxes, n, [&](uint32_t i, uint32_t j) {
        if (++met > budget) {
            over = true;
            return true;
        }
        const TriEntry& ea = entries[positions[i]];
        const TriEntry& eb = entries[positions[j]];
        const TRIANGLE& a = ea.triangle;
        const TRIANGLE& b = eb.triangle;
        if (a.a == b.a || a.a == b.b || a.a == b.c || a.b == b.a || a.b == b.b || a.b == b.c || a.c == b.a ||
            a.c == b.b || a.c == b.c) {
            return false;
        }
        const T3DVECF ca[3] = {points[a.a], points[a.b], points[a.c]};
        const T3DVECF cb[3] = {points[b.a], points[b.b], points[b.c]};
        if (recheck && BoxesApart(CornerBox(ca), CornerBox(cb))) {
            return false;
        }
        return onPair(ea.index, eb.index, ca, cb);
    });
    Free(positions);
    Free(boxes);
    if (over) {
        return WalkResult::OverBudget;
    }
    return swept == 1 ? WalkResult::Completed : swept == 0 ? WalkResult::Stopped : WalkResult::OutOfMemory;
}

// The walk is fast on surfaces, whose node boxes meet little beyond their
// neighbours', and its order of pairs is the one the lists have always had;
// the sweep's cost follows the number of entry boxes that meet, whatever
// the shape, but ignores the shared corners that let the walk skip a fan or
// a book whole. So the two take turns on budgets that grow fourfold, each
// turn starting afresh (`restart` forgets what the last one found), until
// one finishes: the total stays within a constant factor of the better of
// the two. A surface finishes within the walk's first budget, so its pairs
// come in the walk's order as before.
template <typename OnPair, typename Restart>
WalkResult SearchTree(const C3DTriAABBTree& tree, const OnPair& onPair, const Restart& restart,
                      const uint32_t* groups = nullptr)
{
    using pair_search_testing::Search;
    if (g_search != Search::Race) {
        return g_search == Search::Walk ? WalkTree(tree, UINT64_MAX, onPair, groups)
                                        : SweepTree(tree, UINT64_MAX, onPair);
    }
    uint64_t budget = kWalkBudgetPerEntry * tree.EntryCount() + kWalkBudgetBase;
    for (;;) {
        WalkResult result = WalkTree(tree, budget, onPair, groups);
        if (result != WalkResult::OverBudget) {
            return result;
        }
        restart();
        result = SweepTree(tree, budget, onPair);
        if (result != WalkResult::OverBudget) {
            return result;
        }
        restart();
        budget = budget > UINT64_MAX / 4 ? UINT64_MAX : budget * 4;
    }
}

}  // namespace

int MarkIntersectingPairs(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB,
                          CBitVector& bits, LocationList* pairs, const uint32_t* groups)
{
    if (treeA == nullptr || treeA != treeB) {
        return 0;
    }
    // Bits are indexed by triangle, and a tree may leave triangles out, so
    // the vector follows the mesh rather than the number of entries.
    if (!bits.Create(treeA->Mesh().triangleCount)) {
        return 0;
    }
    if (pairs != nullptr) {
        // Every pair is wanted, so none is skipped; the walk meets each
        // unordered pair once.
        const WalkResult result = SearchTree(
            *treeA,
            [&bits, pairs, groups](uint32_t ta, uint32_t tb, const T3DVECF* ca, const T3DVECF* cb) {
                if ((groups == nullptr || groups[ta] != groups[tb]) && TriTriIntersect(ca, cb) == '1') {
                    bits.Set(ta);
                    bits.Set(tb);
                    pairs->Add(ta < tb ? ta : tb, ta < tb ? tb : ta);
                }
                return false;
            },
            // Marks stay right from turn to turn: each is a triangle of an
            // intersecting pair, which the next turn finds again.
            [pairs] { pairs->Clear(); }, groups);
        return result == WalkResult::Completed ? 1 : 0;
    }
    // Marks stay right from turn to turn, as above.
    const WalkResult result = SearchTree(
        *treeA,
        [&bits, groups](uint32_t ta, uint32_t tb, const T3DVECF* ca, const T3DVECF* cb) {
            // A pair of two triangles already known to intersect something
            // cannot change the marks.
            if ((groups == nullptr || groups[ta] != groups[tb]) && !(bits.IsSet(ta) && bits.IsSet(tb)) &&
                TriTriIntersect(ca, cb) == '1') {
                bits.Set(ta);
                bits.Set(tb);
            }
            return false;
        },
        [] {}, groups);
    return result == WalkResult::Completed ? 1 : 0;
}

void pair_search_testing::Use(Search search)
{
    g_search = search;
}

int FindIntersectingPair(const C3DTriAABBTree* treeA, const C3DTriAABBTree* treeB)
{
    if (treeA == nullptr || treeB == nullptr) {
        return 0;
    }
    if (treeA != treeB) {
        return -1;
    }
    const WalkResult result = SearchTree(
        *treeA, [](uint32_t, uint32_t, const T3DVECF* ca, const T3DVECF* cb) { return TriTriIntersect(ca, cb) == '1'; },
        [] {});
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
