// A first-in first-out queue of values in singly linked nodes. Nodes are
// allocated one by one through the seam, or taken from an attached pool.
#pragma once

#include "containers/Memory.h"
#include "containers/NodePool.h"

#include <cstdint>

namespace meshaudit {

template <typename T>
struct QueueNode {
    T value{};
    QueueNode* next = nullptr;
};

template <typename T>
class CQueue final {
public:
    using Node = QueueNode<T>;
    using Pool = CNodePool<Node>;

    CQueue() = default;
    virtual ~CQueue() { Clear(); }
    CQueue(const CQueue&) = delete;
    CQueue& operator=(const CQueue&) = delete;

    // Nodes are taken from and given back to `pool` from now on (null: the
    // seam). Attach it only while the queue is empty.
    void SetPool(Pool* pool) { pool_ = pool; }

    // Appends value; false, the queue unchanged, when no node can be had.
    bool Push(T value)
    {
        Node* node = nullptr;
        if (pool_ != nullptr) {
            if (!pool_->Take(node)) {
                return false;
            }
        } else {
            node = New<Node>();
            if (node == nullptr) {
                return false;
            }
        }
        node->value = value;
        node->next = nullptr;
        if (head_ != nullptr) {
            tail_->next = node;
        } else {
            head_ = node;
        }
        tail_ = node;
        ++count_;
        return true;
    }

    // Removes the oldest value into `value`; false when the queue is empty.
    bool Pop(T& value)
    {
        Node* node = head_;
        if (node == nullptr) {
            return false;
        }
        value = node->value;
        head_ = node->next;
        Release(node);
        --count_;
        return true;
    }

    bool IsEmpty() const { return head_ == nullptr; }
    uint32_t Count() const { return count_; }

    // Releases every node. With a pool, a node the pool refuses stops the
    // walk: false, and the queue keeps that node and those after it.
    bool Clear()
    {
        while (head_ != nullptr) {
            Node* node = head_;
            Node* next = node->next;
            if (!Release(node)) {
                return false;
            }
            head_ = next;
            --count_;
        }
        head_ = nullptr;
        tail_ = nullptr;
        count_ = 0;
        return true;
    }

private:
    bool Release(Node* node)
    {
        if (pool_ != nullptr) {
            return pool_->Give(node);
        }
        Delete(node);
        return true;
    }

    Node* head_ = nullptr;
    Node* tail_ = nullptr;  // meaningful only while head_ is not null
    uint32_t count_ = 0;
    Pool* pool_ = nullptr;
};

}  // namespace meshaudit
