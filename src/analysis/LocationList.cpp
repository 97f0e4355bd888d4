#include "analysis/LocationList.h"

#include "containers/Memory.h"

#include <cstring>

namespace meshaudit {

LocationList::~LocationList()
{
    Free(items_);
}

void LocationList::Open(uint32_t arity, uint64_t cap)
{
    arity_ = arity;
    cap_ = cap;
    stored_ = 0;
    total_ = 0;
    failed_ = false;
    sealed_ = false;
}

// Doubles the storage (from 64 entries), never past the cap. A failure keeps
// what is stored, stops keeping more, and is reported by Failed().
bool LocationList::Grow()
{
    if (failed_) {
        return false;
    }
    uint64_t entries = capacity_ == 0 ? 64 : capacity_ * 2;
    if (entries > cap_) {
        entries = cap_;
    }
    if (entries > (uint64_t{1} << 60) / arity_) {
        failed_ = true;
        return false;
    }
    auto* grown = AllocateArray<uint32_t>(static_cast<std::size_t>(entries * arity_));
    if (grown == nullptr) {
        failed_ = true;
        return false;
    }
    if (stored_ != 0) {
        std::memcpy(grown, items_, static_cast<std::size_t>(stored_ * arity_) * sizeof(uint32_t));
    }
    Free(items_);
    items_ = grown;
    capacity_ = entries;
    return true;
}

}  // namespace meshaudit
