// The top-down build shared by the triangle and the point tree.
// The two differ only in their entries, which a Traits class describes:
//
//   static void Extend(C3DAABB& box, const Entry& e);   // box |= e, unless RangeBox
//   template <int A> static double Centre(const Entry&); // compared with the split
//   template <int A> static double SortKey(const Entry&); // ordered by the fallback sort
//   static constexpr uint64_t kEqualKeysCost;              // see SortCost
//
// and may give the box of a range of entries itself instead of Extend, when
// it has a faster way than entry by entry:
//
//   static C3DAABB RangeBox(const Entry*, uint64_t first, uint64_t last);
#pragma once

#include "containers/Memory.h"
#include "geometry/AabbNode.h"
#include "geometry/EntryPartition.h"
#include "geometry/EntrySort.h"

#include <cstdint>
#include <new>
#include <utility>

namespace meshaudit {

// A node stays a leaf when it covers at most 2 * kLeafSize entries (the
// rule's leaves; a build may be asked for wider ones, see BuildNodes); every
// split leaves at least kLeafSize entries on each side.
inline constexpr uint32_t kLeafSize = 5;
inline constexpr uint32_t kRuleLeafMost = 2 * kLeafSize;

// The nodes of a built tree, in one block: `root` points into `block`, which
// is what must be released (with Free).
struct BuiltNodes {
    void* block = nullptr;
    AABBNode* root = nullptr;
    uint32_t count = 0;
    uint32_t height = 0;  // depth of the deepest node, the root at depth 0
};

namespace detail {

// Since every leaf of a split tree holds at least kLeafSize entries, a tree
// over n > 2 * kLeafSize entries has at most n / kLeafSize leaves and twice as
// many nodes less one.
inline uint64_t NodeCapacity(uint64_t entryCount)
{
    if (entryCount <= 2 * kLeafSize) {
        return 1;
    }
    return 2 * (entryCount / kLeafSize) - 1;
}

// Room for `count` nodes starting at a 128-byte boundary plus one node, so
// that when the nodes are placed from index 1 every pair of siblings (at an
// even index) shares one 128-byte block, which processors fetch together.
// Returns the block to release, or null.
inline void* AllocateNodes(uint64_t count, AABBNode*& nodes)
{
    nodes = nullptr;
    if (count > (UINT64_MAX - 256) / sizeof(AABBNode)) {
        return nullptr;
    }
    void* block = Allocate((count + 1) * sizeof(AABBNode) + 128);
    if (block != nullptr) {
        const uintptr_t aligned = (reinterpret_cast<uintptr_t>(block) + 127) & ~uintptr_t{127};
        nodes = reinterpret_cast<AABBNode*>(aligned);
    }
    return block;
}

// The box of entries[first..last]. Two boxes take alternate entries and are
// joined at the end, which halves the chains of dependent min/max operations;
// the result is the same box, since minimum and maximum do not depend on the
// order in which values come.
template <typename Traits, typename Entry>
C3DAABB BoxOfRange(const Entry* entries, uint64_t first, uint64_t last)
{
    if constexpr (requires { Traits::RangeBox(entries, first, last); }) {
        return Traits::RangeBox(entries, first, last);
    } else {
        C3DAABB even;
        C3DAABB odd;
        uint64_t k = first;
        for (; k + 1 <= last; k += 2) {
            Traits::Extend(even, entries[k]);
            Traits::Extend(odd, entries[k + 1]);
        }
        if (k == last) {
            Traits::Extend(even, entries[k]);
        }
        even.Extend(odd);
        return even;
    }
}

// Sorting is the fallback for a split that leaves fewer than kLeafSize
// entries on one side, and it normally handles few entries. Some inputs make
// it the rule: many coincident points, or a few points far beyond all the
// others, land on one side at every level, so that each level only peels
// kLeafSize entries off its range and the build turns quadratic. Once the
// sorts have drawn kSortBudgetPerEntry times as many entries as the tree
// holds (each sort its SortCost), a fallback cuts its sorted range in the
// middle instead, which ends such a chain within a logarithmic number of
// levels.
inline constexpr uint64_t kSortBudgetPerEntry = 16;
inline constexpr uint64_t kSortBudgetBase = 4096;
// The budget of a tree whose searches answer the same on any tree: one
// sorted range per entry. A few triangles far beyond all the others (debris
// beside a body) start such a chain at the root, each level sorting nearly
// the whole mesh, and the rule's budget let it run sixteen levels deep.
inline constexpr uint64_t kSmallSortBudgetPerEntry = 1;

// The fallback sorts of a chain that starts with a range of `count`
// entries and peels kLeafSize of them into a leaf at every level: count,
// count - kLeafSize, ... while more than 2 * kLeafSize are left.
inline uint64_t ChainSortCost(uint64_t count)
{
    if (count <= 2 * kLeafSize) {
        return 0;
    }
    const uint64_t sorts = (count - (2 * kLeafSize + 1)) / kLeafSize + 1;
    return sorts * count - kLeafSize * (sorts * (sorts - 1) / 2);
}

// Whether a fallback on entries[first..last], whose split left `i` as the
// start of the right part, starts a chain of fallbacks that will outrun the
// budget, so that a depth-first build may give up before sorting rather
// than spend what is left of the budget on sorts it then throws away. A
// depth-first build runs such a chain without a break, since each peeled
// leaf is done at once and the rest is split next. Two chains are common:
// - every entry has one centre on every axis (copies of one triangle or one
//   point): no split of such a range has entries on both sides, whatever
//   its axis, so the chain surely runs to its end;
// - fewer than kLeafSize entries lie above the split (a few far points):
//   the sort puts them last and each leaf peels the lowest entries off, so
//   they stay far above the next split too, as a rule.
// The second is a forecast. One that is wrong only hands the build over to
// the breadth-first one, which makes the same tree; the tree never depends
// on it.
template <typename Traits, typename Entry>
bool ChainOutrunsBudget(const Entry* entries, int64_t first, int64_t last, int64_t i, uint64_t sortBudget)
{
    if (ChainSortCost(static_cast<uint64_t>(last - first + 1)) <= sortBudget) {
        return false;
    }
    if (last + 1 < i + kLeafSize) {
        return true;
    }
    const Entry& e0 = entries[first];
    for (int64_t k = first + 1; k <= last; ++k) {
        const Entry& e = entries[k];
        if (!(Traits::template SortKey<0>(e) == Traits::template SortKey<0>(e0) &&
              Traits::template SortKey<1>(e) == Traits::template SortKey<1>(e0) &&
              Traits::template SortKey<2>(e) == Traits::template SortKey<2>(e0))) {
            return false;
        }
    }
    return true;
}

// What a fallback sort of entries[first..last] on axis A draws from the
// budget: one per entry, or Traits::kEqualKeysCost per entry when every key
// is the same. Such a sort orders nothing, and the chains made of it (copies
// of one triangle; a book of triangles on one edge, whose boxes all have one
// centre on the edge's axis) are the ones a tree whose shape decides no
// result may cut short sooner. The cost depends on the range's entries
// alone, never on their order, so both builds charge a node the same.
template <typename Traits, int A, typename Entry>
uint64_t SortCost(const Entry* entries, int64_t first, int64_t last)
{
    const uint64_t count = static_cast<uint64_t>(last - first + 1);
    if constexpr (Traits::kEqualKeysCost > 1) {
        const double key = Traits::template SortKey<A>(entries[first]);
        for (int64_t k = first + 1; k <= last; ++k) {
            if (!(Traits::template SortKey<A>(entries[k]) == key)) {
                return count;
            }
        }
        return count * Traits::kEqualKeysCost;
    }
    return count;
}

// Splits the node's range on axis A and returns the first position of the
// right part. With kStopWhenShort, a fallback sort that the budget cannot
// pay for, now or within the chain it starts (ChainOutrunsBudget), returns
// 0 (never a valid split: both parts hold entries) without sorting and
// leaves the budget as it was.
template <typename Traits, int A, bool kStopWhenShort, typename Entry>
uint64_t SplitRange(Entry* entries, const AABBNode& node, uint64_t& sortBudget)
{
    const int64_t first = node.first;
    const int64_t last = node.last;
    const double split = (AxisCoordinate<A>(node.box.min) + AxisCoordinate<A>(node.box.max)) * 0.5;
    const int64_t i = Partition<Traits, A>(entries, first, last, split);
    if (i >= first + kLeafSize && last + 1 >= i + kLeafSize) {
        return static_cast<uint64_t>(i);
    }
    const uint64_t count = static_cast<uint64_t>(last - first + 1);
    const uint64_t cost = SortCost<Traits, A>(entries, first, last);
    if constexpr (kStopWhenShort) {
        if (sortBudget < cost ||
            ChainOutrunsBudget<Traits>(entries, first, last, i, sortBudget / (cost / count))) {
            return 0;
        }
    }
    SortEntries(entries, first, last, [](const Entry& p, const Entry& q) {
        return Traits::template SortKey<A>(p) < Traits::template SortKey<A>(q);
    });
    if (sortBudget >= cost) {
        sortBudget -= cost;
        return static_cast<uint64_t>(first) + kLeafSize;
    }
    sortBudget = 0;
    return static_cast<uint64_t>(first) + count / 2;
}

// Splits the node's range on the longest axis of its box (see SplitRange).
template <typename Traits, bool kStopWhenShort, typename Entry>
uint64_t SplitNode(Entry* entries, const AABBNode& node, uint64_t& sortBudget)
{
    switch (node.box.LongestAxis()) {
    case 'x':
        return SplitRange<Traits, 0, kStopWhenShort>(entries, node, sortBudget);
    case 'y':
        return SplitRange<Traits, 1, kStopWhenShort>(entries, node, sortBudget);
    default:
        return SplitRange<Traits, 2, kStopWhenShort>(entries, node, sortBudget);
    }
}

// Sets the node's children to `left` and `right` (fresh nodes) over
// first..i-1 and i..last.
template <typename Traits, typename Entry>
void AttachChildren(const Entry* entries, AABBNode& node, uint64_t i, AABBNode* left, AABBNode* right)
{
    left->first = node.first;
    left->last = static_cast<uint32_t>(i - 1);
    left->box = BoxOfRange<Traits>(entries, left->first, left->last);
    right->first = static_cast<uint32_t>(i);
    right->last = node.last;
    right->box = BoxOfRange<Traits>(entries, right->first, right->last);
    node.children = left;
}

inline uint64_t InitialSortBudget(uint32_t count, uint64_t perEntry)
{
    return perEntry * count + kSortBudgetBase;
}

// The build as its rule states it: nodes split in first-in first-out order
// (appended to a first block, which doubles as the work queue), then copied
// depth first into the final block. The fallback sorts draw on the budget in
// this order, so this is the build that decides the tree when the budget
// runs short.
template <typename Traits, typename Entry>
bool BuildBreadthFirst(Entry* entries, uint32_t count, uint32_t leafMost, uint64_t budgetPerEntry, BuiltNodes& out)
{
    out = BuiltNodes{};
    const uint64_t capacity = NodeCapacity(count);
    AABBNode* nodes = nullptr;
    void* block = AllocateNodes(capacity, nodes);
    if (block == nullptr) {
        return false;
    }
    AABBNode* root = new (&nodes[0]) AABBNode;
    root->box = BoxOfRange<Traits>(entries, 0, count - 1);
    root->first = 0;
    root->last = count - 1;
    uint64_t used = 1;
    uint64_t sortBudget = InitialSortBudget(count, budgetPerEntry);
    uint32_t depth = 0;
    uint64_t levelEnd = 1;  // nodes before this position lie at most at `depth`
    for (uint64_t k = 0; k < used; ++k) {
        if (k == levelEnd) {
            ++depth;
            levelEnd = used;
        }
        AABBNode& node = nodes[k];
        if (static_cast<uint64_t>(node.last) < static_cast<uint64_t>(node.first) + leafMost) {
            continue;
        }
        const uint64_t i = SplitNode<Traits, false>(entries, node, sortBudget);
        AABBNode* left = new (&nodes[used]) AABBNode;
        AABBNode* right = new (&nodes[used + 1]) AABBNode;
        used += 2;
        AttachChildren<Traits>(entries, node, i, left, right);
    }

    AABBNode* laid = nullptr;
    void* laidBlock = AllocateNodes(used, laid);
    struct Move {
        const AABBNode* from;
        uint64_t to;
    };
    // A depth-first walk holds at most one pending right child per level
    // above the current node, plus the two children just pushed.
    Move* stack = AllocateArray<Move>(uint64_t{depth} + 2);
    if (laidBlock == nullptr || stack == nullptr) {
        Free(laidBlock);
        Free(stack);
        Free(block);
        return false;
    }
    new (&laid[1]) AABBNode(nodes[0]);
    uint64_t next = 2;
    uint64_t top = 0;
    stack[top++] = Move{&nodes[0], 1};
    while (top != 0) {
        const Move m = stack[--top];
        if (m.from->IsLeaf()) {
            continue;
        }
        new (&laid[next]) AABBNode(*m.from->Left());
        new (&laid[next + 1]) AABBNode(*m.from->Right());
        laid[m.to].children = &laid[next];
        stack[top++] = Move{m.from->Right(), next + 1};
        stack[top++] = Move{m.from->Left(), next};
        next += 2;
    }
    Free(stack);
    Free(block);
    out.block = laidBlock;
    out.root = &laid[1];
    out.count = static_cast<uint32_t>(used);
    out.height = depth;
    return true;
}

enum class DepthFirstBuild { Built, BudgetShort, OutOfMemory };

// The same tree built depth first, straight into the final block: a node is
// split when it is taken from a stack, its two children go to the next two
// free places and are pushed right then left, which is exactly the order in
// which the breadth-first build lays its finished tree out. Splitting a
// subtree while its entries are still in the cache, and writing the nodes
// once, is what makes it faster.
//
// Which nodes are split, and how, depends only on each node's own entries as
// long as every fallback sort is paid by the budget. If the fallbacks of the
// whole tree together cost at most the budget, each of them finds enough left
// in whatever order they come, so both builds make the same tree. When a
// fallback here finds the budget short, the orders can disagree: the build
// stops with BudgetShort, its entries sorted in part, and the breadth-first
// build must decide. It also stops as soon as a fallback starts a chain that
// is bound to outrun the budget (ChainOutrunsBudget), before sorting.
template <typename Traits, typename Entry>
DepthFirstBuild BuildDepthFirst(Entry* entries, uint32_t count, uint32_t leafMost, uint64_t budgetPerEntry,
                                BuiltNodes& out)
{
    out = BuiltNodes{};
    const uint64_t capacity = NodeCapacity(count);
    AABBNode* nodes = nullptr;
    void* block = AllocateNodes(capacity, nodes);
    // Every split takes at least kLeafSize entries off the range it passes
    // on, so no path is longer than count / kLeafSize nodes; the stack holds
    // one pending right child per node of the path, and the two children just
    // pushed.
    struct Pending {
        uint32_t node;
        uint32_t depth;
    };
    Pending* stack = AllocateArray<Pending>(uint64_t{count} / kLeafSize + 2);
    if (block == nullptr || stack == nullptr) {
        Free(block);
        Free(stack);
        return DepthFirstBuild::OutOfMemory;
    }
    AABBNode* root = new (&nodes[1]) AABBNode;
    root->box = BoxOfRange<Traits>(entries, 0, count - 1);
    root->first = 0;
    root->last = count - 1;
    uint64_t next = 2;
    uint64_t sortBudget = InitialSortBudget(count, budgetPerEntry);
    uint32_t height = 0;
    uint64_t top = 0;
    stack[top++] = Pending{1, 0};
    while (top != 0) {
        const Pending p = stack[--top];
        AABBNode& node = nodes[p.node];
        if (static_cast<uint64_t>(node.last) < static_cast<uint64_t>(node.first) + leafMost) {
            continue;
        }
        const uint64_t i = SplitNode<Traits, true>(entries, node, sortBudget);
        if (i == 0) {
            Free(block);
            Free(stack);
            return DepthFirstBuild::BudgetShort;
        }
        AABBNode* left = new (&nodes[next]) AABBNode;
        AABBNode* right = new (&nodes[next + 1]) AABBNode;
        AttachChildren<Traits>(entries, node, i, left, right);
        height = p.depth + 1 > height ? p.depth + 1 : height;
        stack[top++] = Pending{static_cast<uint32_t>(next + 1), p.depth + 1};
        stack[top++] = Pending{static_cast<uint32_t>(next), p.depth + 1};
        next += 2;
    }
    Free(stack);
    out.block = block;
    out.root = root;
    out.count = static_cast<uint32_t>(next - 1);
    out.height = height;
    return DepthFirstBuild::Built;
}

}  // namespace detail

// Builds the nodes over entries[0..count-1] (count >= 1), reordering the
// entries. The root boxes everything and covers the whole array; nodes are
// split in first-in first-out order. A node covering more than `leafMost`
// entries is split on the longest axis of its box at the box centre; when
// that leaves fewer than kLeafSize entries on a side, the range is sorted on
// that axis and the first kLeafSize entries go left. The finished tree is
// laid out depth first in one block, sibling pairs together, so that a
// query's path through the lower levels stays within a few cache lines.
//
// The tree is normally built depth first (BuildDepthFirst), which makes the
// same tree faster; only when the fallback sorts outrun their budget is the
// breadth-first build needed, on the entries in their first order again,
// which `refill()` must restore (it writes entries[0..count-1] as they were
// before the call). Returns false, with `out` empty and nothing allocated,
// when a block cannot be allocated.
//
// `leafMost` is the most entries a leaf covers: kRuleLeafMost for the rule's
// tree, more for a tree whose small subtrees no search walks into (a node of
// up to leafMost entries is then left whole: it is not split at all, so the
// nodes below it are never made). Less than kRuleLeafMost is taken as
// kRuleLeafMost, since a split must leave kLeafSize entries on each side.
//
// `budgetPerEntry` is the fallback sorts' budget per entry (above):
// kSortBudgetPerEntry for a tree whose shape may decide a result, less for
// one whose searches give the same answer on any tree.
template <typename Traits, typename Entry, typename Refill>
bool BuildNodes(Entry* entries, uint32_t count, uint32_t leafMost, BuiltNodes& out, const Refill& refill,
                uint64_t budgetPerEntry = detail::kSortBudgetPerEntry)
{
    leafMost = leafMost < kRuleLeafMost ? kRuleLeafMost : leafMost;
    switch (detail::BuildDepthFirst<Traits>(entries, count, leafMost, budgetPerEntry, out)) {
    case detail::DepthFirstBuild::Built:
        return true;
    case detail::DepthFirstBuild::OutOfMemory:
        return false;
    default:
        refill();
        return detail::BuildBreadthFirst<Traits>(entries, count, leafMost, budgetPerEntry, out);
    }
}

}  // namespace meshaudit
