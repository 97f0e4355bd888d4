#include "containers/AVLTree.h"
#include "containers/Keys.h"
#include "containers/Pair.h"
#include "TreeCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

namespace meshaudit {
namespace {

using testing::CheckTree;
using testing::InOrder;
using UTree = AVLTree<unsigned int>;

std::vector<unsigned int> Sorted(const UTree& tree)
{
    std::vector<unsigned int> out;
    InOrder<unsigned int>(tree.Root(), out);
    return out;
}

std::vector<unsigned int> PreOrder(const UTree& tree)
{
    std::vector<unsigned int> out(tree.Count() + 1, 0xDEADu);
    uint32_t index = 0;
    CollectPreOrder(tree.Root(), out.data(), index);
    EXPECT_EQ(index, tree.Count());
    out.resize(index);
    return out;
}

void ReferencePreOrder(const AVLNode<unsigned int>* node, std::vector<unsigned int>& out)
{
    if (node != nullptr) {
        out.push_back(node->element);
        ReferencePreOrder(node->left, out);
        ReferencePreOrder(node->right, out);
    }
}

TEST(AVLTree, StartsEmpty)
{
    UTree tree;
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_EQ(tree.Root(), nullptr);
    AVLNode<unsigned int>* node = nullptr;
    EXPECT_FALSE(tree.Find(1u, node));
    tree.Clear();
    EXPECT_EQ(tree.Count(), 0u);
}

// Every insertion order of three values ends as the same balanced triple.
TEST(AVLTree, EveryTripleOrderEndsBalancedAroundTheMiddle)
{
    for (const auto& order : {std::vector<unsigned>{1, 2, 3}, std::vector<unsigned>{3, 1, 2},
                              std::vector<unsigned>{1, 3, 2}, std::vector<unsigned>{3, 2, 1}}) {
        SCOPED_TRACE(::testing::PrintToString(order));
        UTree tree;
        for (unsigned v : order) {
            ASSERT_TRUE(tree.Insert(v));
        }
        EXPECT_EQ(PreOrder(tree), (std::vector<unsigned int>{2, 1, 3}));
        CheckTree(tree);  // and all three balances Even
    }
}

// Each double-rotation case leaves different balance fields on N and its
// child; these sequences end in each of them (the grandchild LeftHeavy,
// Even and RightHeavy, on both sides).
TEST(AVLTree, DoubleRotationBalanceUpdates)
{
    const std::vector<std::vector<unsigned>> sequences = {
        {50, 20, 80, 10, 30, 25},  // left-right, grandchild left-heavy
        {50, 20, 80, 10, 30, 35},  // left-right, grandchild right-heavy
        {50, 20, 80, 60, 90, 55},  // right-left, grandchild left-heavy
        {50, 20, 80, 60, 90, 65},  // right-left, grandchild right-heavy
        {50, 20, 30},              // left-right, grandchild even
        {50, 80, 60},              // right-left, grandchild even
    };
    for (size_t k = 0; k < sequences.size(); ++k) {
        UTree tree;
        for (unsigned v : sequences[k]) {
            ASSERT_TRUE(tree.Insert(v));
            CheckTree(tree);  // balance fields included
        }
        if (k == 0) {
            // 30 rises to the root; 20 keeps 10 and 25, 50 keeps 80.
            EXPECT_EQ(PreOrder(tree), (std::vector<unsigned int>{30, 20, 10, 25, 50, 80}));
        }
    }
}

TEST(AVLTree, RandomSequencesMatchStdSet)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 60; ++round) {
        const unsigned range = round % 3 == 0 ? 20u : 2000u;
        std::uniform_int_distribution<unsigned> value(0, range);
        UTree tree;
        std::set<unsigned> reference;
        const int inserts = 1 + round * 7;
        for (int i = 0; i < inserts; ++i) {
            const unsigned v = value(random);
            const bool fresh = reference.insert(v).second;
            ASSERT_EQ(tree.Insert(v), fresh);
            ASSERT_EQ(tree.Count(), reference.size());
            const int height = CheckTree(tree);
            // An AVL tree of n nodes is at most about 1.44 log2(n + 2) high.
            EXPECT_LE(height, 1.45 * std::log2(reference.size() + 2.0));
        }
        EXPECT_EQ(Sorted(tree), std::vector<unsigned>(reference.begin(), reference.end()));
        std::vector<unsigned int> preOrder;
        ReferencePreOrder(tree.Root(), preOrder);
        EXPECT_EQ(PreOrder(tree), preOrder);
        for (unsigned probe = 0; probe <= range; probe += 3) {
            AVLNode<unsigned int>* node = nullptr;
            ASSERT_EQ(tree.Find(probe, node), reference.count(probe) == 1);
            if (node != nullptr) {
                EXPECT_EQ(node->element, probe);
            }
        }
    }
}

TEST(AVLTree, EquivalentInsertLeavesPairUntouched)
{
    using Pair = CPair<T3DEDGE, int32_t>;
    AVLTree<Pair> tree;
    ASSERT_TRUE(tree.Insert(Pair{T3DEDGE{1, 2}, 7}));
    ASSERT_TRUE(tree.Insert(Pair{T3DEDGE{0, 5}, 1}));
    ASSERT_TRUE(tree.Insert(Pair{T3DEDGE{3, 0}, 1}));
    const auto* rootBefore = tree.Root();
    EXPECT_FALSE(tree.Insert(Pair{T3DEDGE{1, 2}, 99}));
    EXPECT_EQ(tree.Count(), 3u);
    EXPECT_EQ(tree.Root(), rootBefore);
    AVLNode<Pair>* node = nullptr;
    ASSERT_TRUE(tree.Find(Pair{T3DEDGE{1, 2}, 0}, node));
    EXPECT_EQ(node->element.value, 7);
    node->element.value = 8;  // the value may be changed in place
    AVLNode<Pair>* again = nullptr;
    ASSERT_TRUE(tree.Find(Pair{T3DEDGE{1, 2}, 0}, again));
    EXPECT_EQ(again, node);
    EXPECT_EQ(again->element.value, 8);
    AVLNode<Pair>* untouched = node;
    EXPECT_FALSE(tree.Find(Pair{T3DEDGE{2, 1}, 0}, untouched));
    EXPECT_EQ(untouched, node);
}

TEST(AVLTree, NanProbeMatchesRoot)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    AVLTree<T3DVECF> tree;
    for (double x : {5.0, 2.0, 8.0, 1.0, 9.0}) {
        ASSERT_TRUE(tree.Insert(T3DVECF{x, 0, 0}));
    }
    AVLNode<T3DVECF>* node = nullptr;
    ASSERT_TRUE(tree.Find(T3DVECF{nan, 0, 0}, node));
    EXPECT_EQ(node, tree.Root());
    // Equivalent to the root, so not inserted.
    EXPECT_FALSE(tree.Insert(T3DVECF{nan, 1, 1}));
    EXPECT_EQ(tree.Count(), 5u);

    AVLTree<T3DVECF> nanRooted;
    ASSERT_TRUE(nanRooted.Insert(T3DVECF{nan, 0, 0}));
    for (double x : {-1.0, 0.0, 1e300}) {
        AVLNode<T3DVECF>* found = nullptr;
        ASSERT_TRUE(nanRooted.Find(T3DVECF{x, x, x}, found));
        EXPECT_EQ(found, nanRooted.Root());
        EXPECT_FALSE(nanRooted.Insert(T3DVECF{x, x, x}));
    }
    EXPECT_EQ(nanRooted.Count(), 1u);
}

TEST(AVLTree, PoolExhaustionLeavesTreeUnchanged)
{
    UTree::Pool pool;
    ASSERT_TRUE(pool.Create(5));
    {
        UTree tree;
        ASSERT_TRUE(tree.SetPool(&pool));
        for (unsigned v : {10u, 20u, 30u, 40u, 50u}) {
            ASSERT_TRUE(tree.Insert(v));
        }
        EXPECT_EQ(pool.FreeCount(), 0);
        const std::vector<unsigned> before = PreOrder(tree);
        const auto balances = [&] {
            return std::vector<BalanceState>{tree.Root()->balance, tree.Root()->left->balance,
                                             tree.Root()->right->balance};
        };
        const std::vector<BalanceState> balancesBefore = balances();
        // 60 would rebalance the right side if it got a node.
        EXPECT_FALSE(tree.Insert(60));
        EXPECT_FALSE(tree.Insert(5));
        EXPECT_EQ(tree.Count(), 5u);
        EXPECT_EQ(PreOrder(tree), before);
        EXPECT_EQ(balances(), balancesBefore);
        CheckTree(tree);
        // An equivalent element still reports "present" rather than a failure
        // to obtain a node; both are false.
        EXPECT_FALSE(tree.Insert(30));
    }
    // The tree's destructor gave all five nodes back.
    EXPECT_EQ(pool.FreeCount(), 5);
}

TEST(AVLTree, ClearReturnsNodesForRefill)
{
    UTree::Pool pool;
    ASSERT_TRUE(pool.Create(64));
    UTree tree;
    tree.SetPool(&pool);
    for (int round = 0; round < 3; ++round) {
        for (unsigned v = 0; v < 64; ++v) {
            ASSERT_TRUE(tree.Insert((v * 37u + round) % 64u)) << round << " " << v;
        }
        EXPECT_EQ(pool.FreeCount(), 0);
        CheckTree(tree);
        tree.Clear();
        EXPECT_EQ(tree.Count(), 0u);
        EXPECT_EQ(tree.Root(), nullptr);
        EXPECT_EQ(pool.FreeCount(), 64);
    }
    // Nodes given back are fresh again.
    for (uint32_t i = 0; i < 64; ++i) {
        AVLNode<unsigned int>* node = nullptr;
        ASSERT_TRUE(pool.Take(node));
        EXPECT_EQ(node->balance, BalanceState::Even);
        EXPECT_EQ(node->left, nullptr);
        EXPECT_EQ(node->right, nullptr);
    }
}

TEST(AVLTree, TreesShareOnePool)
{
    UTree::Pool pool;
    ASSERT_TRUE(pool.Create(6));
    UTree a;
    UTree b;
    a.SetPool(&pool);
    b.SetPool(&pool);
    EXPECT_TRUE(a.Insert(1));
    EXPECT_TRUE(b.Insert(1));
    EXPECT_TRUE(a.Insert(2));
    EXPECT_TRUE(b.Insert(0));
    EXPECT_EQ(pool.FreeCount(), 2);
    a.Clear();
    EXPECT_EQ(pool.FreeCount(), 4);
    EXPECT_EQ(b.Count(), 2u);
    CheckTree(b);
}

TEST(AVLTree, WithoutPoolAllocationFailureLeavesTreeUnchanged)
{
    memory_testing::ResetAllocationCounter();
    {
        UTree tree;
        ASSERT_TRUE(tree.Insert(1));
        ASSERT_TRUE(tree.Insert(2));
        EXPECT_EQ(memory_testing::AllocationCount(), 2u);
        memory_testing::FailAllocations(3, 1);
        EXPECT_FALSE(tree.Insert(3));
        EXPECT_EQ(tree.Count(), 2u);
        EXPECT_EQ(tree.Root()->balance, BalanceState::RightHeavy);
        CheckTree(tree);
        EXPECT_TRUE(tree.Insert(3));  // the next allocation succeeds
        EXPECT_EQ(tree.Root()->element, 2u);
        CheckTree(tree);
    }
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
