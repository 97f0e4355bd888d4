// The AVL tree against std::set on random inserts with every invariant
// checked after each, and its node pool's bookkeeping.
#include "containers/AVLTree.h"
#include "containers/Keys.h"
#include "containers/Memory.h"
#include "containers/Pair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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

// Checks the tree against `reference`, the balance and the pre-order listing.
void ExpectTree(const UTree& tree, const std::set<unsigned>& reference)
{
    std::vector<unsigned> inOrder, preOrder;
    const int height = CheckedHeight(tree.Root(), inOrder, preOrder);
    ASSERT_EQ(inOrder, std::vector<unsigned>(reference.begin(), reference.end()));
    ASSERT_EQ(tree.Count(), reference.size());
    EXPECT_LE(height, 1.45 * std::log2(reference.size() + 2.0));
    std::vector<uint32_t> listed(tree.Count() + 1, 0xDEADu);
    uint32_t index = 0;
    CollectPreOrder(tree.Root(), listed.data(), index);
    ASSERT_EQ(index, tree.Count());
    listed.resize(index);
    EXPECT_EQ(listed, preOrder);
}

// Random inserts (small ranges: many repeats) reach every rotation case,
// double rotations with the grandchild left-heavy, even and right-heavy.
TEST(AVLTree, RandomInsertsMatchStdSet)
{
    std::mt19937 random(12345);
    UTree::Pool pool;
    ASSERT_TRUE(pool.Create(400));
    for (int round = 0; round < 60; ++round) {
        const unsigned range = round % 3 == 0 ? 20u : 2000u;
        std::uniform_int_distribution<unsigned> value(0, range);
        UTree tree;
        if (round % 2 == 1) {
            tree.SetPool(&pool);
        }
        std::set<unsigned> reference;
        for (int i = 0; i < 1 + round * 6; ++i) {
            const unsigned v = value(random);
            ASSERT_EQ(tree.Insert(v), reference.insert(v).second);
            ExpectTree(tree, reference);
        }
        for (unsigned probe = 0; probe <= range; probe += 3) {
            UNode* node = nullptr;
            ASSERT_EQ(tree.Find(probe, node), reference.count(probe) == 1);
            ASSERT_TRUE(node == nullptr || node->element == probe);
        }
        tree.Clear();
        EXPECT_EQ(tree.Root(), nullptr);
        EXPECT_EQ(pool.FreeCount(), 400);
    }
    // Nodes given back by Clear are fresh again.
    for (int k = 0; k < 400; ++k) {
        UNode* node = nullptr;
        ASSERT_TRUE(pool.Take(node));
        ASSERT_TRUE(node->balance == BalanceState::Even && node->left == nullptr && node->right == nullptr);
    }
}

TEST(AVLTree, EquivalentElementsAndNaNKeys)
{
    using Pair = CPair<T3DEDGE, int32_t>;
    AVLTree<Pair> pairs;
    ASSERT_TRUE(pairs.Insert(Pair{T3DEDGE{1, 2}, 7}));
    ASSERT_TRUE(pairs.Insert(Pair{T3DEDGE{0, 5}, 1}));
    EXPECT_FALSE(pairs.Insert(Pair{T3DEDGE{1, 2}, 99}));  // the value stays 7
    AVLNode<Pair>* node = nullptr;
    ASSERT_TRUE(pairs.Find(Pair{T3DEDGE{1, 2}, 0}, node));
    EXPECT_EQ(node->element.value, 7);
    AVLNode<Pair>* untouched = node;
    EXPECT_FALSE(pairs.Find(Pair{T3DEDGE{2, 1}, 0}, untouched));
    EXPECT_EQ(untouched, node);

    // A NaN coordinate ends the comparison: equivalent to whatever it meets first.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    AVLTree<T3DVECF> points;
    for (double x : {5.0, 2.0, 8.0, 1.0, 9.0}) {
        ASSERT_TRUE(points.Insert(T3DVECF{x, 0, 0}));
    }
    AVLNode<T3DVECF>* found = nullptr;
    ASSERT_TRUE(points.Find(T3DVECF{nan, 0, 0}, found));
    EXPECT_EQ(found, points.Root());
    EXPECT_FALSE(points.Insert(T3DVECF{nan, 1, 1}));
    EXPECT_EQ(points.Count(), 5u);
}

// An insert that gets no node (pool empty, or allocation failed) leaves the
// tree as it was, balance fields included.
TEST(AVLTree, NoNodeLeavesTheTreeUnchanged)
{
    UTree::Pool pool;
    ASSERT_TRUE(pool.Create(5));
    std::set<unsigned> reference{10, 20, 30, 40, 50};
    {
        UTree tree;
        tree.SetPool(&pool);
        for (unsigned v : reference) {
            ASSERT_TRUE(tree.Insert(v));
        }
        EXPECT_FALSE(tree.Insert(60));  // would rebalance the right side
        EXPECT_FALSE(tree.Insert(5));
        ExpectTree(tree, reference);
    }
    EXPECT_EQ(pool.FreeCount(), 5);  // the destructor gave all back

    memory_testing::ResetAllocationCounter();
    {
        UTree tree;
        ASSERT_TRUE(tree.Insert(1));
        ASSERT_TRUE(tree.Insert(2));
        EXPECT_EQ(memory_testing::AllocationCount(), 2u);
        memory_testing::FailAllocations(3, 1);
        EXPECT_FALSE(tree.Insert(3));
        ExpectTree(tree, {1, 2});
        EXPECT_TRUE(tree.Insert(3));
        ExpectTree(tree, {1, 2, 3});
    }
    memory_testing::ResetAllocationCounter();
}

// Nodes come fresh from the block, the last given first; NodeAt lists the
// taken ones, most recent first; a full pool refuses a node.
TEST(NodePool, TakeGiveAndNodeAt)
{
    memory_testing::ResetAllocationCounter();
    CNodePool<UNode> pool;
    EXPECT_FALSE(pool.Create(0) || pool.Create(-3));
    EXPECT_EQ(memory_testing::AllocationCount(), 0u);
    UNode* node = nullptr;
    EXPECT_FALSE(pool.Take(node));
    for (uint64_t failing = 1; failing <= 2; ++failing) {  // either array
        memory_testing::FailAllocations(failing, 1);
        EXPECT_FALSE(pool.Create(10));
        EXPECT_EQ(pool.Capacity(), 0);
        memory_testing::ResetAllocationCounter();
    }
    ASSERT_TRUE(pool.Create(4));
    EXPECT_EQ(pool.NodeAt(0), nullptr);  // nothing taken yet
    UNode stray{};
    EXPECT_FALSE(pool.Give(&stray));
    UNode* taken[4] = {};
    for (UNode*& n : taken) {
        ASSERT_TRUE(pool.Take(n));
        EXPECT_TRUE(n->balance == BalanceState::Even && n->left == nullptr && n->right == nullptr);
    }
    EXPECT_EQ(std::set<UNode*>(taken, taken + 4).size(), 4u);
    EXPECT_FALSE(pool.Take(node));
    EXPECT_TRUE(pool.NodeAt(0) == taken[3] && pool.NodeAt(3) == taken[0]);
    EXPECT_TRUE(pool.NodeAt(4) == nullptr && pool.NodeAt(0xFFFFFFFFu) == nullptr);
    EXPECT_TRUE(pool.Give(taken[1]) && pool.Give(taken[3]));
    ASSERT_TRUE(pool.Take(node));
    EXPECT_EQ(node, taken[3]);
    EXPECT_TRUE(pool.Release() && pool.Release());
    EXPECT_EQ(pool.FreeCount(), 0);
}

}  // namespace
}  // namespace meshaudit
