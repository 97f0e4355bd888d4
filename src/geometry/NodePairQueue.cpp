#include "geometry/NodePairQueue.h"

#include "containers/Memory.h"

namespace meshaudit {

NodePairQueue::~NodePairQueue()
{
    Free(slots_);
}

bool NodePairQueue::Push(const AABBNode* a, const AABBNode* b)
{
    if (count_ == capacity_ && !Grow()) {
        return false;
    }
    slots_[(head_ + count_) & (capacity_ - 1)] = Pair{a, b};
    ++count_;
    return true;
}

bool NodePairQueue::Pop(Pair& pair)
{
    if (count_ == 0) {
        return false;
    }
    pair = slots_[head_];
    head_ = (head_ + 1) & (capacity_ - 1);
    --count_;
    return true;
}

bool NodePairQueue::PopNewest(Pair& pair)
{
    if (count_ == 0) {
        return false;
    }
    --count_;
    pair = slots_[(head_ + count_) & (capacity_ - 1)];
    return true;
}

// Doubles the ring, unrolling its content to the start of the new one.
bool NodePairQueue::Grow()
{
    const uint64_t capacity = capacity_ == 0 ? 256 : capacity_ * 2;
    Pair* slots = AllocateArray<Pair>(capacity);
    if (slots == nullptr) {
        return false;
    }
    for (uint64_t k = 0; k < count_; ++k) {
        slots[k] = slots_[(head_ + k) & (capacity_ - 1)];
    }
    Free(slots_);
    slots_ = slots;
    capacity_ = capacity;
    head_ = 0;
    return true;
}

}  // namespace meshaudit
