#include "containers/Memory.h"
#include "containers/Queue.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

using Queue = CQueue<unsigned int>;

TEST(Queue, FirstInFirstOutAndClear)
{
    Queue queue;
    EXPECT_TRUE(queue.IsEmpty());
    for (unsigned v : {1u, 2u, 3u}) {
        ASSERT_TRUE(queue.Push(v));
    }
    EXPECT_EQ(queue.Count(), 3u);
    unsigned value = 0;
    for (unsigned expected : {1u, 2u, 3u}) {
        ASSERT_TRUE(queue.Pop(value));
        EXPECT_EQ(value, expected);
    }
    value = 42;
    EXPECT_FALSE(queue.Pop(value));
    EXPECT_EQ(value, 42u);
    EXPECT_TRUE(queue.IsEmpty());
    // After the queue ran dry the new value is head and tail at once.
    ASSERT_TRUE(queue.Push(9));
    ASSERT_TRUE(queue.Push(10));
    ASSERT_TRUE(queue.Pop(value));
    EXPECT_EQ(value, 9u);
    ASSERT_TRUE(queue.Pop(value));
    EXPECT_EQ(value, 10u);
    EXPECT_TRUE(queue.IsEmpty());
    // Clear, empty and full, without a pool.
    EXPECT_TRUE(queue.Clear());
    for (unsigned v = 0; v < 100; ++v) {
        ASSERT_TRUE(queue.Push(v));
    }
    EXPECT_TRUE(queue.Clear());
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.Count(), 0u);
    ASSERT_TRUE(queue.Push(5));
    ASSERT_TRUE(queue.Pop(value));
    EXPECT_EQ(value, 5u);
}

TEST(Queue, PushFailureLeavesQueueUnchanged)
{
    memory_testing::ResetAllocationCounter();
    {
        Queue queue;
        ASSERT_TRUE(queue.Push(1));
        memory_testing::FailAllocations(2, 1);
        EXPECT_FALSE(queue.Push(2));
        EXPECT_EQ(queue.Count(), 1u);
        ASSERT_TRUE(queue.Push(3));
        unsigned value = 0;
        ASSERT_TRUE(queue.Pop(value));
        EXPECT_EQ(value, 1u);
        ASSERT_TRUE(queue.Pop(value));
        EXPECT_EQ(value, 3u);
        EXPECT_FALSE(queue.Pop(value));
    }
    memory_testing::ResetAllocationCounter();
}

TEST(Queue, PooledNodes)
{
    Queue::Pool pool;
    ASSERT_TRUE(pool.Create(2));
    Queue queue;
    queue.SetPool(&pool);
    EXPECT_TRUE(queue.Push(1));
    EXPECT_TRUE(queue.Push(2));
    EXPECT_FALSE(queue.Push(3));  // pool exhausted
    EXPECT_EQ(queue.Count(), 2u);
    unsigned value = 0;
    ASSERT_TRUE(queue.Pop(value));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(pool.FreeCount(), 1);
    EXPECT_TRUE(queue.Push(4));
    EXPECT_TRUE(queue.Clear());
    EXPECT_EQ(pool.FreeCount(), 2);
    EXPECT_TRUE(queue.IsEmpty());
}

TEST(Queue, ClearStopsAtNodeThePoolRefuses)
{
    Queue::Pool pool;
    ASSERT_TRUE(pool.Create(2));
    Queue queue;
    queue.SetPool(&pool);
    ASSERT_TRUE(queue.Push(1));
    ASSERT_TRUE(queue.Push(2));
    // Hand one node back behind the queue's back: the pool is then full one
    // node early, and the queue's second node is refused.
    QueueNode<unsigned int> stray;
    Queue::Node* taken = nullptr;
    ASSERT_TRUE(pool.Give(&stray));
    EXPECT_FALSE(queue.Clear());
    EXPECT_FALSE(queue.IsEmpty());
    unsigned value = 0;
    ASSERT_TRUE(queue.Pop(value));  // Give refused again; the value still comes out
    EXPECT_EQ(value, 2u);
    EXPECT_TRUE(queue.IsEmpty());
    // The pool holds the first node (given by Clear) above the stray one.
    ASSERT_TRUE(pool.Take(taken));
    EXPECT_NE(taken, &stray);
    ASSERT_TRUE(pool.Take(taken));
    EXPECT_EQ(taken, &stray);
}

}  // namespace
}  // namespace meshaudit
