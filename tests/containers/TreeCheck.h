// Test helper: walks an AVLTree and checks every invariant it promises.
#pragma once

#include "containers/AVLTree.h"

#include <gtest/gtest.h>

#include <vector>

namespace meshaudit::testing {

// Height of the subtree under `node` (0 for empty), recording a failure for
// every node whose balance field disagrees with its subtrees' heights or
// whose subtrees differ by more than one level.
template <typename T>
int CheckedHeight(const AVLNode<T>* node, std::size_t& nodes)
{
    if (node == nullptr) {
        return 0;
    }
    ++nodes;
    const int left = CheckedHeight(node->left, nodes);
    const int right = CheckedHeight(node->right, nodes);
    const int diff = right - left;
    EXPECT_LE(diff, 1);
    EXPECT_GE(diff, -1);
    const BalanceState expected = diff < 0   ? BalanceState::LeftHeavy
                                  : diff > 0 ? BalanceState::RightHeavy
                                             : BalanceState::Even;
    EXPECT_EQ(node->balance, expected);
    return 1 + (left > right ? left : right);
}

template <typename T>
void InOrder(const AVLNode<T>* node, std::vector<T>& out)
{
    if (node == nullptr) {
        return;
    }
    InOrder(node->left, out);
    out.push_back(node->element);
    InOrder(node->right, out);
}

// Checks balance fields, heights, node count and strict in-order ascent;
// returns the height.
template <typename T>
int CheckTree(const AVLTree<T>& tree)
{
    std::size_t nodes = 0;
    const int height = CheckedHeight<T>(tree.Root(), nodes);
    EXPECT_EQ(nodes, tree.Count());
    std::vector<T> order;
    InOrder<T>(tree.Root(), order);
    for (std::size_t i = 1; i < order.size(); ++i) {
        EXPECT_TRUE(order[i - 1] < order[i]) << "in-order position " << i;
    }
    return height;
}

}  // namespace meshaudit::testing
