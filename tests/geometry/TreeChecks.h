// Checks shared by the tests of both trees.
#pragma once

#include "geometry/AabbNode.h"
#include "geometry/ReferenceTree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <vector>

namespace meshaudit::testing {

inline bool SameBox(const C3DAABB& a, const C3DAABB& b)
{
    return a.min.x == b.min.x && a.min.y == b.min.y && a.min.z == b.min.z && a.max.x == b.max.x &&
           a.max.y == b.max.y && a.max.z == b.max.z;
}

// Nodes in breadth-first order, by walking the child pointers.
inline std::vector<const AABBNode*> BreadthFirst(const AABBNode* root)
{
    std::vector<const AABBNode*> nodes;
    if (root == nullptr) {
        return nodes;
    }
    std::deque<const AABBNode*> queue{root};
    while (!queue.empty()) {
        const AABBNode* node = queue.front();
        queue.pop_front();
        nodes.push_back(node);
        if (!node->IsLeaf()) {
            queue.push_back(node->Left());
            queue.push_back(node->Right());
        }
    }
    return nodes;
}

// The invariants of every built tree: a range splits into two contiguous ranges of
// at least 5 only above 10 entries, exact union boxes, no index twice.
template <typename EntryBox, typename EntryIndex>
void CheckStructure(const AABBNode* root, uint32_t entryCount, uint32_t nodeCount,
                    uint32_t indexCount, const EntryBox& entryBox, const EntryIndex& entryIndex)
{
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->first, 0u);
    EXPECT_EQ(root->last, entryCount - 1);
    const std::vector<const AABBNode*> nodes = BreadthFirst(root);
    EXPECT_EQ(nodes.size(), nodeCount);
    for (const AABBNode* node : nodes) {
        ASSERT_LE(node->first, node->last);
        C3DAABB box;
        for (uint32_t k = node->first; k <= node->last; ++k) {
            box.Extend(entryBox(k));
        }
        EXPECT_TRUE(SameBox(box, node->box)) << "node " << node->first << ".." << node->last;
        if (node->IsLeaf()) {
            EXPECT_LE(node->Count(), 10u);
            continue;
        }
        const AABBNode* left = node->Left();
        const AABBNode* right = node->Right();
        EXPECT_GT(node->Count(), 10u);
        EXPECT_EQ(left->first, node->first);
        EXPECT_EQ(left->last + 1, right->first);
        EXPECT_EQ(right->last, node->last);
        EXPECT_GE(left->Count(), 5u);
        EXPECT_GE(right->Count(), 5u);
    }
    std::vector<int> seen(indexCount, 0);
    for (uint32_t k = 0; k < entryCount; ++k) {
        const uint32_t index = entryIndex(k);
        ASSERT_LT(index, indexCount);
        EXPECT_EQ(seen[index]++, 0) << "index " << index << " twice";
    }
}

// The tree's shape equals the reference build: same entry order, same node
// ranges in breadth-first order.
template <typename EntryIndex>
void ExpectShapeOfReference(const AABBNode* root, uint32_t entryCount, const EntryIndex& entryIndex,
                            const RefTree& reference)
{
    ASSERT_EQ(entryCount, reference.order.size());
    for (uint32_t k = 0; k < entryCount; ++k) {
        ASSERT_EQ(entryIndex(k), reference.order[k]) << "entry " << k;
    }
    const std::vector<const AABBNode*> nodes = BreadthFirst(root);
    ASSERT_EQ(nodes.size(), reference.nodes.size());
    for (size_t k = 0; k < nodes.size(); ++k) {
        EXPECT_EQ(nodes[k]->first, reference.nodes[k].first) << "node " << k;
        EXPECT_EQ(nodes[k]->last, reference.nodes[k].last) << "node " << k;
        EXPECT_EQ(nodes[k]->IsLeaf(), reference.nodes[k].left < 0) << "node " << k;
    }
}

}  // namespace meshaudit::testing
