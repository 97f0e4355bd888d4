// The pending node pairs of the dual tree walk, taken newest first (a
// stack): the walk then keeps few pairs pending, one per level, and its nodes
// warm in the cache. The storage doubles when full, through the allocation
// seam.
#pragma once

#include "geometry/AabbNode.h"

#include <cstdint>

namespace meshaudit {

class NodePairQueue {
public:
    struct Pair {
        const AABBNode* a;
        const AABBNode* b;
    };

    NodePairQueue() = default;
    ~NodePairQueue();
    NodePairQueue(const NodePairQueue&) = delete;
    NodePairQueue& operator=(const NodePairQueue&) = delete;

    // Appends a pair; false, with the queue unchanged, when it cannot grow.
    bool Push(const AABBNode* a, const AABBNode* b);

    // Takes the most recent pair; false when empty.
    bool PopNewest(Pair& pair);

    bool IsEmpty() const { return count_ == 0; }
    uint64_t Count() const { return count_; }

private:
    bool Grow();

    Pair* slots_ = nullptr;
    uint64_t capacity_ = 0;
    uint64_t count_ = 0;
};

}  // namespace meshaudit
