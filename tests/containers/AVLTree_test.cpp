// The AVL tree against std::set on random inserts, every invariant checked
// after each: its balance decides the pre-order in which a point's
// neighbours, and so the edges, are listed.
#include "containers/AVLTree.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace meshaudit {
namespace {

using UTree = AVLTree<unsigned int>;
using UNode = AVLNode<unsigned int>;

// Height under `node`; fails for a balance field that disagrees with the
// subtrees' heights, a difference above one, or keys out of order.
int CheckedHeight(const UNode* node, std::vector<unsigned>& inOrder, std::vector<unsigned>& preOrder)
{
    if (node == nullptr) {
        return 0;
    }
    preOrder.push_back(node->element);
    const int left = CheckedHeight(node->left, inOrder, preOrder);
    inOrder.push_back(node->element);
    const int right = CheckedHeight(node->right, inOrder, preOrder);
    EXPECT_LE(std::abs(right - left), 1);
    EXPECT_EQ(node->balance, right < left   ? BalanceState::LeftHeavy
                             : right > left ? BalanceState::RightHeavy
                                            : BalanceState::Even);
    return 1 + std::max(left, right);
}

// Random inserts (small ranges: many repeats) reach every rotation case,
// double rotations with the grandchild left-heavy, even and right-heavy.
TEST(AVLTree, RandomInsertsKeepOrderBalanceAndPreOrder)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 60; ++round) {
        const unsigned range = round % 3 == 0 ? 20u : 2000u;
        std::uniform_int_distribution<unsigned> value(0, range);
        UTree tree;
        std::set<unsigned> reference;
        for (int i = 0; i < 1 + round * 6; ++i) {
            const unsigned v = value(random);
            ASSERT_EQ(tree.Insert(v), reference.insert(v).second);
            std::vector<unsigned> inOrder, preOrder;
            CheckedHeight(tree.Root(), inOrder, preOrder);
            ASSERT_EQ(inOrder, std::vector<unsigned>(reference.begin(), reference.end()));
            std::vector<uint32_t> listed(tree.Count() + 1, 0xDEADu);
            uint32_t index = 0;
            CollectPreOrder(tree.Root(), listed.data(), index);
            listed.resize(index);
            ASSERT_EQ(listed, preOrder);
        }
        tree.Clear();
    }
}

// An insert that gets no node (its pool is empty) leaves the tree as it was,
// balance fields included.
TEST(AVLTree, NoNodeLeavesTheTreeUnchanged)
{
    for (unsigned size : {1u, 2u, 5u, 12u, 31u}) {
        UTree::Pool pool;
        ASSERT_TRUE(pool.Create(size));
        UTree tree;
        tree.SetPool(&pool);
        for (unsigned v = 0; v < size; ++v) {
            ASSERT_TRUE(tree.Insert(v * 7 % size));
        }
        std::vector<unsigned> inOrder, preOrder, inAfter, preAfter;
        CheckedHeight(tree.Root(), inOrder, preOrder);
        for (unsigned v : {size, size + 9, 0u - 1u}) {
            EXPECT_FALSE(tree.Insert(v));
        }
        CheckedHeight(tree.Root(), inAfter, preAfter);
        EXPECT_EQ(preAfter, preOrder);
        EXPECT_EQ(tree.Count(), size);
    }
}

}  // namespace
}  // namespace meshaudit
