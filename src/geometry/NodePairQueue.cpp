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
    slots_[count_] = Pair{a, b};
    ++count_;
    return true;
}

bool NodePairQueue::PopNewest(Pair& pair)
{
    if (count_ == 0) {
        return false;
    }
    --count_;
    pair = slots_[count_];
    return true;
}

// Doubles the storage, the pending pairs copied in order.
bool NodePairQueue::Grow()
{
    const uint64_t capacity = capacity_ == 0 ? 256 : capacity_ * 2;
    Pair* slots = AllocateArray<Pair>(capacity);
    if (slots == nullptr) {
        return false;
    }
    for (uint64_t k = 0; k < count_; ++k) {
        slots[k] = slots_[k];
    }
    Free(slots_);
    slots_ = slots;
    capacity_ = capacity;
    return true;
}

}  // namespace meshaudit
