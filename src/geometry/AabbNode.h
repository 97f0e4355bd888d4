// A node of the bounding-box trees.
#pragma once

#include "geometry/Aabb.h"

#include <cstdint>

namespace meshaudit {

// A node covers the entries first..last (inclusive) of its tree's entry array
// and boxes all of them. It has two children or none. All nodes of a tree
// live in one block that the tree owns, so the child pointers point into that
// block and own nothing themselves.
struct AABBNode {
    AABBNode* left = nullptr;
    AABBNode* right = nullptr;
    C3DAABB box;
    uint32_t first = 1;  // first = 1, last = 0: covers nothing yet
    uint32_t last = 0;

    bool IsLeaf() const { return left == nullptr; }

    // Number of entries covered (0 for a node that covers nothing).
    uint32_t Count() const { return last - first + 1; }
};

}  // namespace meshaudit
