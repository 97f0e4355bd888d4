// A fixed-capacity pool of nodes carved out of one block. Trees and queues
// that know an upper bound of their size take their nodes here, so filling
// them costs two allocations in all and emptying them costs no free.
#pragma once

#include "containers/Memory.h"

#include <cstdint>
#include <type_traits>

namespace meshaudit {

// Node must be an aggregate whose fresh (default) state is all zero bytes,
// and trivially destructible: the block is zero-filled memory, and
// releasing the pool frees it without visiting nodes.
template <typename Node>
class CNodePool {
    static_assert(std::is_trivially_destructible_v<Node> && std::is_aggregate_v<Node>);

public:
    CNodePool() = default;
    ~CNodePool() { Release(); }
    CNodePool(const CNodePool&) = delete;
    CNodePool& operator=(const CNodePool&) = delete;

    // Allocates n fresh nodes in one block and a free list naming them all.
    // False (nothing allocated, earlier storage kept) when n < 1; false
    // (earlier storage released) when an allocation fails.
    //
    // Both arrays come zero-filled and are not written here: a fresh node is
    // all zero bytes, and a null free-list entry i stands for the i-th node
    // of the block. Large pools thus cost no pass over their memory up front,
    // and pages a user never reaches are never touched.
    bool Create(int32_t n)
    {
        if (n < 1) {
            return false;
        }
        Release();
        Node* block = AllocateZeroedArray<Node>(static_cast<uint32_t>(n));
        if (block == nullptr) {
            return false;
        }
        Node** freeList = AllocateZeroedArray<Node*>(static_cast<uint32_t>(n));
        if (freeList == nullptr) {
            Free(block);
            return false;
        }
        block_ = block;
        freeList_ = freeList;
        capacity_ = n;
        freeCount_ = n;
        return true;
    }

    // Frees the block and the free list. Every node handed out is invalid
    // afterwards; the trees and queues using them must be emptied first.
    bool Release()
    {
        Free(block_);
        Free(freeList_);
        block_ = nullptr;
        freeList_ = nullptr;
        capacity_ = 0;
        freeCount_ = 0;
        return true;
    }

    // Hands out the most recently freed node; false when none is free.
    bool Take(Node*& node)
    {
        if (freeCount_ < 1) {
            return false;
        }
        --freeCount_;
        node = EntryAt(static_cast<uint32_t>(freeCount_));
        return true;
    }

    // Takes a node back; false (the node is then neither reused nor freed)
    // when every node is already free.
    bool Give(Node* node)
    {
        if (freeCount_ >= capacity_) {
            return false;
        }
        freeList_[freeCount_] = node;
        ++freeCount_;
        return true;
    }

    // The i-th node handed out and not given back, most recent first; null
    // beyond them. After k takes and no give, NodeAt(0 .. k-1) are exactly the
    // k nodes taken, which lets a user visit a tree's elements without a walk.
    Node* NodeAt(uint32_t i) const
    {
        const uint64_t at = static_cast<uint64_t>(static_cast<uint32_t>(freeCount_)) + i;
        if (at >= static_cast<uint64_t>(static_cast<uint32_t>(capacity_))) {
            return nullptr;
        }
        return EntryAt(static_cast<uint32_t>(at));
    }

    int32_t Capacity() const { return capacity_; }
    int32_t FreeCount() const { return freeCount_; }

private:
    Node* EntryAt(uint32_t i) const
    {
        Node* node = freeList_[i];
        return node != nullptr ? node : &block_[i];
    }

    Node* block_ = nullptr;
    Node** freeList_ = nullptr;
    int32_t capacity_ = 0;
    int32_t freeCount_ = 0;
};

}  // namespace meshaudit
