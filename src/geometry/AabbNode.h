// A node of the bounding-box trees.
#pragma once

#include "geometry/Aabb.h"

#include <cstdint>

namespace meshaudit {

// A node covers the entries first..last (inclusive) of its tree's entry array
// and boxes all of them. It has two children or none; the two children of a
// node are stored side by side, left then right, so one pointer reaches both.
// All nodes of a tree live in one block that the tree owns (the pointers own
// nothing), and a node fills exactly one 64-byte cache line.
struct AABBNode {
    C3DAABB box;
    AABBNode* children = nullptr;  // left child; the right one follows it
    uint32_t first = 1;            // first = 1, last = 0: covers nothing yet
    uint32_t last = 0;

    bool IsLeaf() const { return children == nullptr; }
    const AABBNode* Left() const { return children; }
    const AABBNode* Right() const { return children == nullptr ? nullptr : children + 1; }

    // Number of entries covered (0 for a node that covers nothing).
    uint32_t Count() const { return last - first + 1; }
};

static_assert(sizeof(AABBNode) == 64, "a node is one cache line");

}  // namespace meshaudit
