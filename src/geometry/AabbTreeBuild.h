// The top-down, breadth-first build shared by the triangle and the point tree.
// The two differ only in their entries, which a Traits class describes:
//
//   static void Extend(C3DAABB& box, const Entry& e);   // box |= e
//   template <int A> static double Centre(const Entry&); // compared with the split
//   template <int A> static double SortKey(const Entry&); // ordered by the fallback sort
#pragma once

#include "containers/Memory.h"
#include "geometry/AabbNode.h"
#include "geometry/EntryPartition.h"
#include "geometry/EntrySort.h"

#include <cstdint>
#include <new>
#include <utility>

namespace meshaudit {

// A node stays a leaf when it covers at most 2 * kLeafSize entries; every split
// leaves at least kLeafSize entries on each side.
inline constexpr uint32_t kLeafSize = 5;

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

// Sorting is the fallback for a split that leaves fewer than kLeafSize
// entries on one side, and it normally handles few entries. Some inputs make
// it the rule: many coincident points, or a few points far beyond all the
// others, land on one side at every level, so that each level only peels
// kLeafSize entries off its range and the build turns quadratic. Once the
// sorts have handled kSortBudgetPerEntry times as many entries as the tree
// holds, a fallback cuts its sorted range in the middle instead, which ends
// such a chain within a logarithmic number of levels.
inline constexpr uint64_t kSortBudgetPerEntry = 16;
inline constexpr uint64_t kSortBudgetBase = 4096;

// Splits the node's range on axis A and returns the first position of the
// right part.
template <typename Traits, int A, typename Entry>
uint64_t SplitRange(Entry* entries, const AABBNode& node, uint64_t& sortBudget)
{
    const int64_t first = node.first;
    const int64_t last = node.last;
    const double split = (AxisCoordinate<A>(node.box.min) + AxisCoordinate<A>(node.box.max)) * 0.5;
    const int64_t i = Partition<Traits, A>(entries, first, last, split);
    if (i >= first + kLeafSize && last + 1 >= i + kLeafSize) {
        return static_cast<uint64_t>(i);
    }
    SortEntries(entries, first, last, [](const Entry& p, const Entry& q) {
        return Traits::template SortKey<A>(p) < Traits::template SortKey<A>(q);
    });
    const uint64_t count = static_cast<uint64_t>(last - first + 1);
    if (sortBudget >= count) {
        sortBudget -= count;
        return static_cast<uint64_t>(first) + kLeafSize;
    }
    sortBudget = 0;
    return static_cast<uint64_t>(first) + count / 2;
}

}  // namespace detail

// Builds the nodes over entries[0..count-1] (count >= 1), reordering the
// entries. The root boxes everything and covers the whole array; nodes are
// split in first-in first-out order, which is the order in which they are
// appended to the node block, so the block doubles as the work queue. A node
// covering more than 2 * kLeafSize entries is split on the longest axis of its
// box at the box centre; when that leaves fewer than kLeafSize entries on a
// side, the range is sorted on that axis and the first kLeafSize entries go
// left. The finished tree is then copied into a second block depth first,
// sibling pairs together, so that a query's path through the lower levels
// stays within a few cache lines. Returns false, with `out` empty and nothing
// allocated, when a block cannot be allocated.
template <typename Traits, typename Entry>
bool BuildNodes(Entry* entries, uint32_t count, BuiltNodes& out)
{
    out = BuiltNodes{};
    const uint64_t capacity = detail::NodeCapacity(count);
    AABBNode* nodes = nullptr;
    void* block = detail::AllocateNodes(capacity, nodes);
    if (block == nullptr) {
        return false;
    }
    AABBNode* root = new (&nodes[0]) AABBNode;
    root->box = detail::BoxOfRange<Traits>(entries, 0, count - 1);
    root->first = 0;
    root->last = count - 1;
    uint64_t used = 1;
    uint64_t sortBudget = detail::kSortBudgetPerEntry * count + detail::kSortBudgetBase;
    uint32_t depth = 0;
    uint64_t levelEnd = 1;  // nodes before this position lie at most at `depth`
    for (uint64_t k = 0; k < used; ++k) {
        if (k == levelEnd) {
            ++depth;
            levelEnd = used;
        }
        AABBNode& node = nodes[k];
        if (static_cast<uint64_t>(node.last) < static_cast<uint64_t>(node.first) + 2 * kLeafSize) {
            continue;
        }
        uint64_t i = 0;
        switch (node.box.LongestAxis()) {
        case 'x':
            i = detail::SplitRange<Traits, 0>(entries, node, sortBudget);
            break;
        case 'y':
            i = detail::SplitRange<Traits, 1>(entries, node, sortBudget);
            break;
        default:
            i = detail::SplitRange<Traits, 2>(entries, node, sortBudget);
            break;
        }
        AABBNode* left = new (&nodes[used]) AABBNode;
        AABBNode* right = new (&nodes[used + 1]) AABBNode;
        used += 2;
        left->first = node.first;
        left->last = static_cast<uint32_t>(i - 1);
        left->box = detail::BoxOfRange<Traits>(entries, left->first, left->last);
        right->first = static_cast<uint32_t>(i);
        right->last = node.last;
        right->box = detail::BoxOfRange<Traits>(entries, right->first, right->last);
        node.children = left;
    }

    AABBNode* laid = nullptr;
    void* laidBlock = detail::AllocateNodes(used, laid);
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

}  // namespace meshaudit
