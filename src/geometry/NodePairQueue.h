// A first-in first-out queue of node pairs for the dual tree walks (also
// usable as a stack): a ring buffer that doubles when full, through the
// allocation seam.
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

    // Takes the oldest pair; false when the queue is empty.
    bool Pop(Pair& pair);

    // Takes the most recent pair (the queue used as a stack); false when
    // empty. A walk that only pops this way keeps its pending pairs few (one
    // per level) and its nodes warm in the cache.
    bool PopNewest(Pair& pair);

    bool IsEmpty() const { return count_ == 0; }
    uint64_t Count() const { return count_; }

private:
    bool Grow();

    Pair* slots_ = nullptr;
    uint64_t capacity_ = 0;  // a power of two, or 0
    uint64_t head_ = 0;      // position of the oldest pair
    uint64_t count_ = 0;
};

}  // namespace meshaudit
