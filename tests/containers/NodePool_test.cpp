#include "containers/AVLTree.h"
#include "containers/Memory.h"
#include "containers/NodePool.h"

#include <gtest/gtest.h>

#include <set>

namespace meshaudit {
namespace {

using Node = AVLNode<unsigned int>;

TEST(NodePool, CreateRefusesNonPositiveSizes)
{
    memory_testing::ResetAllocationCounter();
    CNodePool<Node> pool;
    EXPECT_FALSE(pool.Create(0));
    EXPECT_FALSE(pool.Create(-3));
    EXPECT_EQ(memory_testing::AllocationCount(), 0u);
    Node* node = nullptr;
    EXPECT_FALSE(pool.Take(node));
    EXPECT_EQ(pool.NodeAt(0), nullptr);
}

TEST(NodePool, FreshNodesAndLastInFirstOut)
{
    CNodePool<Node> pool;
    ASSERT_TRUE(pool.Create(4));
    EXPECT_EQ(pool.Capacity(), 4);
    EXPECT_EQ(pool.FreeCount(), 4);
    EXPECT_EQ(pool.NodeAt(0), nullptr);  // nothing taken yet
    Node stray;
    EXPECT_FALSE(pool.Give(&stray));  // a full pool refuses
    EXPECT_EQ(pool.FreeCount(), 4);
    Node* taken[4] = {};
    std::set<Node*> distinct;
    for (Node*& node : taken) {
        ASSERT_TRUE(pool.Take(node));
        EXPECT_EQ(node->balance, BalanceState::Even);
        EXPECT_EQ(node->left, nullptr);
        EXPECT_EQ(node->right, nullptr);
        distinct.insert(node);
    }
    EXPECT_EQ(distinct.size(), 4u);
    Node* extra = taken[0];
    EXPECT_FALSE(pool.Take(extra));
    EXPECT_EQ(extra, taken[0]);
    // Give back two; the next take gets the last one given.
    EXPECT_TRUE(pool.Give(taken[1]));
    EXPECT_TRUE(pool.Give(taken[3]));
    Node* again = nullptr;
    ASSERT_TRUE(pool.Take(again));
    EXPECT_EQ(again, taken[3]);
}

TEST(NodePool, NodeAtListsTakenNodesMostRecentFirst)
{
    CNodePool<Node> pool;
    ASSERT_TRUE(pool.Create(5));
    Node* taken[3] = {};
    for (Node*& node : taken) {
        ASSERT_TRUE(pool.Take(node));
    }
    EXPECT_EQ(pool.NodeAt(0), taken[2]);
    EXPECT_EQ(pool.NodeAt(1), taken[1]);
    EXPECT_EQ(pool.NodeAt(2), taken[0]);
    EXPECT_EQ(pool.NodeAt(3), nullptr);
    EXPECT_EQ(pool.NodeAt(4), nullptr);
    EXPECT_EQ(pool.NodeAt(0xFFFFFFFFu), nullptr);
}

TEST(NodePool, ReleaseAndRecreate)
{
    CNodePool<Node> pool;
    ASSERT_TRUE(pool.Create(3));
    EXPECT_TRUE(pool.Release());
    EXPECT_EQ(pool.Capacity(), 0);
    EXPECT_EQ(pool.FreeCount(), 0);
    EXPECT_TRUE(pool.Release());  // twice is harmless
    ASSERT_TRUE(pool.Create(7));
    ASSERT_TRUE(pool.Create(2));  // replaces the earlier storage
    EXPECT_EQ(pool.Capacity(), 2);
}

TEST(NodePool, AllocationFailureOfEitherArray)
{
    for (uint64_t failing = 1; failing <= 2; ++failing) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(failing, 1);
        CNodePool<Node> pool;
        EXPECT_FALSE(pool.Create(10));
        EXPECT_EQ(pool.Capacity(), 0);
        EXPECT_EQ(memory_testing::FailedAllocationCount(), 1u);
        Node* node = nullptr;
        EXPECT_FALSE(pool.Take(node));
        memory_testing::ResetAllocationCounter();
        EXPECT_TRUE(pool.Create(10));  // the next attempt succeeds
    }
    memory_testing::ResetAllocationCounter();
}

}  // namespace
}  // namespace meshaudit
