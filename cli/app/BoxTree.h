// A static tree of axis-aligned boxes, for finding the boxes a query may
// touch without looking at every box. Built once, then only read.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace meshaudit::cli {

// Corners lo and hi in x, y, z, compared exactly as doubles.
struct Box {
    double lo[3];
    double hi[3];
};

class BoxTree {
public:
    // A tree of boxes[0 .. size): entry i is boxes[i], which the tree copies.
    explicit BoxTree(std::vector<Box> boxes) : boxes_(std::move(boxes)), order_(boxes_.size())
    {
        for (size_t i = 0; i < order_.size(); ++i) {
            order_[i] = static_cast<uint32_t>(i);
        }
        if (!order_.empty()) {
            nodes_.reserve(2 * order_.size() / kLeaf + 2);
            Build(0, order_.size());
        }
    }

    // Calls visit(entry) for each entry whose box passes `enter`, which must
    // pass every box holding a box it passes (a test of containment of a
    // point, or of overlap with a region, does): nodes it refuses are not
    // entered. Entries come in the tree's order, which depends on the boxes
    // alone.
    template <class Enter, class Visit>
    void Walk(Enter enter, Visit visit) const
    {
        if (nodes_.empty()) {
            return;
        }
        std::vector<uint32_t> pending{0};
        while (!pending.empty()) {
            const Node& node = nodes_[pending.back()];
            pending.pop_back();
            if (!enter(node.box)) {
                continue;
            }
            if (node.count == 0) {
                pending.push_back(node.right);
                pending.push_back(node.left);
                continue;
            }
            for (uint32_t i = node.first; i < node.first + node.count; ++i) {
                if (enter(boxes_[order_[i]])) {
                    visit(order_[i]);
                }
            }
        }
    }

    // Calls visit(entry, otherEntry) for pairs of an entry of this tree and
    // one of `other` whose boxes meet (closed boxes: touching counts), until
    // a call returns true; returns whether one did. Node pairs whose boxes
    // are apart are not entered, so that the cost follows the places where
    // the two sets of boxes come close.
    template <class Visit>
    bool WalkPairs(const BoxTree& other, Visit visit) const
    {
        if (nodes_.empty() || other.nodes_.empty()) {
            return false;
        }
        std::vector<std::pair<uint32_t, uint32_t>> pending{{0, 0}};
        while (!pending.empty()) {
            const auto [i, j] = pending.back();
            pending.pop_back();
            const Node& a = nodes_[i];
            const Node& b = other.nodes_[j];
            if (!Meet(a.box, b.box)) {
                continue;
            }
            // The inner node of more entries is split; two leaves are paired.
            const bool splitA = a.count == 0 && (b.count != 0 || a.size >= b.size);
            if (splitA) {
                pending.emplace_back(a.right, j);
                pending.emplace_back(a.left, j);
            } else if (b.count == 0) {
                pending.emplace_back(i, b.right);
                pending.emplace_back(i, b.left);
            } else {
                for (uint32_t x = a.first; x < a.first + a.count; ++x) {
                    for (uint32_t y = b.first; y < b.first + b.count; ++y) {
                        if (Meet(boxes_[order_[x]], other.boxes_[other.order_[y]]) &&
                            visit(order_[x], other.order_[y])) {
                            return true;
                        }
                    }
                }
            }
        }
        return false;
    }

    // Closed boxes that share a point.
    static bool Meet(const Box& a, const Box& b)
    {
        return a.lo[0] <= b.hi[0] && b.lo[0] <= a.hi[0] && a.lo[1] <= b.hi[1] && b.lo[1] <= a.hi[1] &&
               a.lo[2] <= b.hi[2] && b.lo[2] <= a.hi[2];
    }

private:
    static constexpr size_t kLeaf = 8;

    struct Node {
        Box box;
        uint32_t first = 0, count = 0;  // a leaf's entries in order_; count 0 for an inner node
        uint32_t left = 0, right = 0;
        uint32_t size = 0;  // entries below
    };

    // Splits at the median of the box centres along the widest extent, so
    // that the depth stays near log2 of the count.
    uint32_t Build(size_t begin, size_t end)
    {
        Box box = boxes_[order_[begin]];
        for (size_t i = begin + 1; i < end; ++i) {
            for (int k = 0; k < 3; ++k) {
                box.lo[k] = std::min(box.lo[k], boxes_[order_[i]].lo[k]);
                box.hi[k] = std::max(box.hi[k], boxes_[order_[i]].hi[k]);
            }
        }
        const uint32_t index = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back(Node{box});
        nodes_[index].size = static_cast<uint32_t>(end - begin);
        if (end - begin <= kLeaf) {
            nodes_[index].first = static_cast<uint32_t>(begin);
            nodes_[index].count = static_cast<uint32_t>(end - begin);
            return index;
        }
        int axis = 0;
        for (int k = 1; k < 3; ++k) {
            if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) {
                axis = k;
            }
        }
        const size_t middle = begin + (end - begin) / 2;
        // Half sums: the centre of two finite doubles without overflow.
        std::nth_element(order_.begin() + static_cast<ptrdiff_t>(begin), order_.begin() + static_cast<ptrdiff_t>(middle),
                         order_.begin() + static_cast<ptrdiff_t>(end), [&](uint32_t a, uint32_t b) {
                             const Box& x = boxes_[a];
                             const Box& y = boxes_[b];
                             return x.lo[axis] / 2 + x.hi[axis] / 2 < y.lo[axis] / 2 + y.hi[axis] / 2;
                         });
        const uint32_t left = Build(begin, middle);
        const uint32_t right = Build(middle, end);
        nodes_[index].left = left;
        nodes_[index].right = right;
        return index;
    }

    std::vector<Box> boxes_;
    std::vector<uint32_t> order_;
    std::vector<Node> nodes_;
};

}  // namespace meshaudit::cli
