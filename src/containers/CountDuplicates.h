// The one counting pattern behind every duplicate analysis (points, edges,
// triangles; by indices or by coordinates): items go into a search tree of
// (key, occurrences) pairs, then the pairs seen more than once are summed.
#pragma once

#include "containers/AVLTree.h"
#include "containers/NodePool.h"
#include "containers/Pair.h"
#include "containers/SortedRuns.h"

#include <cstdint>

namespace meshaudit {

// The failure codes an analysis reports for each step of the pattern.
struct DuplicateCodes {
    int32_t createFailed;    // the node pool could not be created
    int32_t setPoolFailed;   // the tree refused the pool
    int32_t insertFailed;    // an insertion found no node
    int32_t findGaveNoNode;  // a search reported a match without a node
};

// Both sums of one count.
struct DuplicateSums {
    uint32_t members = 0;  // items whose key is shared with another item
    uint32_t classes = 0;  // distinct keys shared by two items or more
};

// The class of an item that has no key, or a key no other item shares.
inline constexpr uint32_t kNoClass = UINT32_MAX;

// An item's occurrences in the tree: the number of items with its key, and
// the first of them (the one whose insertion made the node).
struct Occurrences {
    int32_t count;
    uint32_t first;
};

// The tree path of CountDuplicates (see there); it serves every input,
// keys with NaN coordinates included.
//
// Counts the duplicates among items 0 .. itemCount-1. `keyOf(i, key)` fills
// the key of item i and returns true, or returns false to leave item i out.
// Returns 0 with `sums` filled, or one of `codes` (sums then untouched).
// Unless `firstOf` is null, firstOf[i] becomes the first item of item i's
// class, or kNoClass (the classes are those the tree forms, in insertion
// order, which with NaN keys need not be those of any sort).
//
// The pool is created whole, one node per item, before the first insertion,
// so no insertion allocates; the elements are visited through the pool's
// NodeAt rather than by walking the tree. Tree and pool are released on
// every path.
template <typename Key, typename KeyOf>
int32_t CountDuplicatesInTree(uint32_t itemCount, KeyOf keyOf, const DuplicateCodes& codes,
                              DuplicateSums& sums, uint32_t* firstOf = nullptr)
{
    using Element = CPair<Key, Occurrences>;
    using Tree = AVLTree<Element>;

    if (itemCount > static_cast<uint32_t>(INT32_MAX)) {
        return codes.createFailed;
    }
    typename Tree::Pool pool;
    if (!pool.Create(static_cast<int32_t>(itemCount))) {
        return codes.createFailed;
    }
    // Declared after the pool: destroyed (cleared) before it on every path.
    Tree tree;
    if (!tree.SetPool(&pool)) {
        return codes.setPoolFailed;
    }

    Element probe{};
    probe.value.count = 1;
    for (uint32_t i = 0; i < itemCount; ++i) {
        if (firstOf != nullptr) {
            firstOf[i] = kNoClass;
        }
        if (!keyOf(i, probe.key)) {
            continue;
        }
        probe.value.first = i;
        typename Tree::Node* found = nullptr;
        if (tree.Find(probe, found)) {
            if (found == nullptr) {
                return codes.findGaveNoNode;
            }
            ++found->element.value.count;
            if (firstOf != nullptr) {
                firstOf[i] = found->element.value.first;
            }
        } else if (!tree.Insert(probe)) {
            return codes.insertFailed;
        }
    }

    DuplicateSums result;
    const uint32_t count = tree.Count();
    for (uint32_t i = 0; i < count; ++i) {
        const typename Tree::Node* node = pool.NodeAt(i);
        if (node != nullptr && node->element.value.count > 1) {
            ++result.classes;
            result.members += static_cast<uint32_t>(node->element.value.count);
            if (firstOf != nullptr) {
                firstOf[node->element.value.first] = node->element.value.first;
            }
        }
    }
    tree.Clear();
    pool.Release();
    sums = result;
    return 0;
}

// Sums the classes that firstOf (as CountDuplicatesInTree fills it) gives
// items 0 .. itemCount-1, and hands every member to `list(i, first)`, in
// item order, as it counts it: a class's first item comes before the others.
template <typename List>
DuplicateSums SumClassesOf(uint32_t itemCount, const uint32_t* firstOf, List list)
{
    DuplicateSums sums;
    for (uint32_t i = 0; i < itemCount; ++i) {
        const uint32_t first = firstOf[i];
        if (first != kNoClass) {
            ++sums.members;
            sums.classes += first == i ? 1u : 0u;
            list(i, first);
        }
    }
    return sums;
}

// Duplicate counting for keys that a caller can also count as small integer
// tuples (point indices, or point ranks standing for coordinates; see
// TupleDuplicates.h): `tupleCount(members, classes)` runs that count and
// returns its outcome. Its sums are those of the tree path, whose codes it
// shares; when it meets a key with a NaN, the tree path counts instead.
// A caller that wants the classes passes `firstOf` and has tupleCount fill
// it as well; the tree path, when it counts, fills it again from scratch.
template <typename Key, typename KeyOf, typename TupleCount>
int32_t CountDuplicatesByTuples(uint32_t itemCount, KeyOf keyOf, const DuplicateCodes& codes,
                                DuplicateSums& sums, TupleCount tupleCount,
                                uint32_t* firstOf = nullptr)
{
    if (itemCount == 0) {
        // No pool to create: the tree path's own code.
        return CountDuplicatesInTree<Key>(itemCount, keyOf, codes, sums, firstOf);
    }
    uint32_t members = 0;
    uint32_t classes = 0;
    switch (tupleCount(members, classes)) {
    case SortedRunsOutcome::Counted:
        sums.members = members;
        sums.classes = classes;
        return 0;
    case SortedRunsOutcome::OutOfMemory:
        return codes.createFailed;
    case SortedRunsOutcome::HasNaN:
        break;
    }
    return CountDuplicatesInTree<Key>(itemCount, keyOf, codes, sums, firstOf);
}

// Counts the duplicates among items 0 .. itemCount-1: the sums of the tree
// path above, with the same codes. When no key holds a NaN the keys are
// sorted and equal runs counted instead, which gives the same sums (without
// NaN the order is a strict weak one, so the tree's equivalence classes are
// exactly the sorted runs) in a fraction of the time and memory. A key with
// a NaN makes the tree's outcome depend on the insertion order, so such an
// input takes the tree path itself.
template <typename Key, typename KeyOf>
int32_t CountDuplicates(uint32_t itemCount, KeyOf keyOf, const DuplicateCodes& codes,
                        DuplicateSums& sums)
{
    return CountDuplicatesByTuples<Key>(itemCount, keyOf, codes, sums,
                                        [&](uint32_t& members, uint32_t& classes) {
                                            return CountSortedRuns<Key>(itemCount, keyOf, members,
                                                                        classes);
                                        });
}

}  // namespace meshaudit
