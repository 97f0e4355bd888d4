// A height-balanced (AVL) search tree holding unique elements under T's
// operator<. Two elements are equivalent when neither is less than the other;
// the tree never holds two equivalent elements. Nodes come from an attached
// CNodePool or, without one, from the allocation seam one by one.
//
// Insertion is recursive over links (the root field or a child field) with a
// growth flag telling whether the subtree under the link got one level
// higher; the rebalancing cases and the balance updates of the double
// rotations are the textbook ones, written out so that each case can be
// checked against the invariant by the tests.
#pragma once

#include "containers/Memory.h"
#include "containers/NodePool.h"

#include <cstdint>

namespace meshaudit {

// Which subtree of a node is higher (by one level at most), as the signed
// height difference right minus left. Even is 0 so that a zero-filled node
// is a fresh one (the node pools rely on it).
enum class BalanceState : int32_t {
    LeftHeavy = -1,
    Even = 0,
    RightHeavy = 1,
};

template <typename T>
struct AVLNode {
    T element{};
    BalanceState balance = BalanceState::Even;
    AVLNode* left = nullptr;
    AVLNode* right = nullptr;
};

template <typename T>
class AVLTree final {
public:
    using Node = AVLNode<T>;
    using Pool = CNodePool<Node>;

    AVLTree() = default;
    virtual ~AVLTree() { Clear(); }
    AVLTree(const AVLTree&) = delete;
    AVLTree& operator=(const AVLTree&) = delete;

    // From now on nodes are taken from and given back to `pool`, which must
    // outlive every node the tree holds. Always true.
    bool SetPool(Pool* pool)
    {
        pool_ = pool;
        return true;
    }

    // Adds a copy of `element` unless an equivalent one is present. False,
    // with the tree untouched, when one is present or no node can be had.
    bool Insert(const T& element)
    {
        bool grew = false;
        if (!InsertAt(root_, element, grew)) {
            return false;
        }
        ++count_;
        return true;
    }

    // True and the node of the equivalent element when there is one; `node`
    // is untouched otherwise. The caller may change the non-key part of the
    // found element, never its key.
    bool Find(const T& element, Node*& node) const
    {
        Node* at = root_;
        while (at != nullptr) {
            if (element < at->element) {
                at = at->left;
            } else if (at->element < element) {
                at = at->right;
            } else {
                node = at;
                return true;
            }
        }
        return false;
    }

    // Releases every node (to the pool when one is attached).
    void Clear()
    {
        ClearFrom(root_);
        root_ = nullptr;
        count_ = 0;
    }

    uint32_t Count() const { return count_; }
    Node* Root() const { return root_; }

private:
    bool ObtainNode(Node*& node)
    {
        if (pool_ != nullptr) {
            return pool_->Take(node);
        }
        node = New<Node>();
        return node != nullptr;
    }

    bool InsertAt(Node*& link, const T& element, bool& grew)
    {
        Node* node = link;
        if (node == nullptr) {
            Node* fresh = nullptr;
            if (!ObtainNode(fresh)) {
                grew = false;
                return false;
            }
            fresh->element = element;
            fresh->balance = BalanceState::Even;
            fresh->left = nullptr;
            fresh->right = nullptr;
            link = fresh;
            grew = true;
            return true;
        }
        if (element < node->element) {
            const bool inserted = InsertAt(node->left, element, grew);
            if (grew) {
                switch (node->balance) {
                case BalanceState::LeftHeavy:
                    RebalanceLeft(link);
                    grew = false;
                    break;
                case BalanceState::Even:
                    node->balance = BalanceState::LeftHeavy;
                    break;
                case BalanceState::RightHeavy:
                    node->balance = BalanceState::Even;
                    grew = false;
                    break;
                }
            }
            return inserted;
        }
        if (!(node->element < element)) {
            grew = false;  // equivalent: already present
            return false;
        }
        const bool inserted = InsertAt(node->right, element, grew);
        if (grew) {
            switch (node->balance) {
            case BalanceState::LeftHeavy:
                node->balance = BalanceState::Even;
                grew = false;
                break;
            case BalanceState::Even:
                node->balance = BalanceState::RightHeavy;
                break;
            case BalanceState::RightHeavy:
                RebalanceRight(link);
                grew = false;
                break;
            }
        }
        return inserted;
    }

    // The right child R of the node N in `link` takes N's place; R's left
    // subtree becomes N's right one. Balance fields are left as they are.
    static void RotateLeft(Node*& link)
    {
        Node* n = link;
        if (n == nullptr || n->right == nullptr) {
            return;
        }
        Node* r = n->right;
        n->right = r->left;
        r->left = n;
        link = r;
    }

    // Mirror image of RotateLeft.
    static void RotateRight(Node*& link)
    {
        Node* n = link;
        if (n == nullptr || n->left == nullptr) {
            return;
        }
        Node* l = n->left;
        n->left = l->right;
        l->right = n;
        link = l;
    }

    // The node N in `link` was LeftHeavy and its left subtree grew.
    static void RebalanceLeft(Node*& link)
    {
        Node* n = link;
        Node* l = n->left;
        switch (l->balance) {
        case BalanceState::LeftHeavy:
            n->balance = BalanceState::Even;
            l->balance = BalanceState::Even;
            RotateRight(link);
            break;
        case BalanceState::Even:  // not produced by insertion
            n->balance = BalanceState::LeftHeavy;
            l->balance = BalanceState::RightHeavy;
            RotateRight(link);
            break;
        case BalanceState::RightHeavy: {
            Node* g = l->right;
            switch (g->balance) {
            case BalanceState::LeftHeavy:
                n->balance = BalanceState::RightHeavy;
                l->balance = BalanceState::Even;
                break;
            case BalanceState::Even:
                n->balance = BalanceState::Even;
                l->balance = BalanceState::Even;
                break;
            case BalanceState::RightHeavy:
                n->balance = BalanceState::Even;
                l->balance = BalanceState::LeftHeavy;
                break;
            }
            g->balance = BalanceState::Even;
            RotateLeft(n->left);
            RotateRight(link);
            break;
        }
        }
    }

    // The node N in `link` was RightHeavy and its right subtree grew.
    static void RebalanceRight(Node*& link)
    {
        Node* n = link;
        Node* r = n->right;
        switch (r->balance) {
        case BalanceState::RightHeavy:
            n->balance = BalanceState::Even;
            r->balance = BalanceState::Even;
            RotateLeft(link);
            break;
        case BalanceState::Even:  // not produced by insertion
            n->balance = BalanceState::RightHeavy;
            r->balance = BalanceState::LeftHeavy;
            RotateLeft(link);
            break;
        case BalanceState::LeftHeavy: {
            Node* g = r->left;
            switch (g->balance) {
            case BalanceState::LeftHeavy:
                n->balance = BalanceState::Even;
                r->balance = BalanceState::RightHeavy;
                break;
            case BalanceState::Even:
                n->balance = BalanceState::Even;
                r->balance = BalanceState::Even;
                break;
            case BalanceState::RightHeavy:
                n->balance = BalanceState::LeftHeavy;
                r->balance = BalanceState::Even;
                break;
            }
            g->balance = BalanceState::Even;
            RotateRight(n->right);
            RotateLeft(link);
            break;
        }
        }
    }

    // Post-order: children first, so a node is released after its subtrees.
    void ClearFrom(Node* node)
    {
        if (node == nullptr) {
            return;
        }
        ClearFrom(node->left);
        ClearFrom(node->right);
        if (pool_ != nullptr) {
            node->balance = BalanceState::Even;
            node->left = nullptr;
            node->right = nullptr;
            pool_->Give(node);
        } else {
            Delete(node);
        }
    }

    uint32_t count_ = 0;
    Node* root_ = nullptr;
    Pool* pool_ = nullptr;
};

// Writes the keys under `node` in pre-order (node, left subtree, right
// subtree) at out[index], out[index + 1], ..., advancing index; from Root()
// with index 0 it lays out one whole tree, root first.
inline void CollectPreOrder(const AVLNode<unsigned int>* node, uint32_t* out, uint32_t& index)
{
    while (node != nullptr) {
        out[index] = node->element;
        ++index;
        CollectPreOrder(node->left, out, index);
        node = node->right;  // the right subtree last: loop instead of recursing
    }
}

}  // namespace meshaudit
