// Every pair of overlapping boxes among a set, found by a bounding-volume
// tree walked against itself: the candidate triangle pairs of an
// arrangement round. Unlike the library's intersecting-pair search it keeps
// the pairs that share point indices, since triangles that share one point
// may still cross elsewhere, and those that share an edge may fold over
// each other. Boxes are closed: touching boxes overlap.
#pragma once

#include "containers/WorkArray.h"

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace meshaudit::arrangement {

struct Box {
    double lo[3];
    double hi[3];
};

inline bool BoxesOverlap(const Box& a, const Box& b)
{
    return !(a.lo[0] > b.hi[0] || b.lo[0] > a.hi[0] || a.lo[1] > b.hi[1] || b.lo[1] > a.hi[1] ||
             a.lo[2] > b.hi[2] || b.lo[2] > a.hi[2]);
}

class BoxPairs {
public:
    // Builds the tree over `boxes` (read during the build only; the tree
    // keeps its own copy in tree order). Entries whose box has a NaN bound
    // never overlap anything.
    explicit BoxPairs(const WorkArray<Box>& boxes);

    // Calls onPair(i, j), i != j, once for every unordered pair of
    // overlapping boxes (indices into the constructor's vector), in the
    // order of the walk. An onPair that returns bool ends the walk by
    // returning false. With `wanted` (one entry per box), only the pairs in
    // which wanted[i] or wanted[j] is not 0, in the same order: the walk
    // drops the pairs of subtrees that hold no wanted box, so that a round
    // that looks only at the few triangles the last one changed does not
    // visit every neighbouring pair of the mesh.
    template <typename OnPair>
    void ForEach(const OnPair& onPair, const WorkArray<uint8_t>* wanted = nullptr) const;

private:
    struct Node {
        Box box;
        uint32_t first;  // into order_
        uint32_t count;
        uint32_t left;   // children left, left + 1; 0 for a leaf
    };
    static constexpr uint32_t kLeaf = 8;

    // The nodes over order_[0 .. count - 1], indices into `boxes`.
    void Build(const WorkArray<Box>& boxes, uint32_t count);

    WorkArray<uint32_t> order_;
    // The boxes in tree order (placed_[k] is the box of order_[k]), so that
    // the pair loops over two leaves read two short runs of memory rather
    // than boxes scattered over the whole array.
    WorkArray<Box> placed_;
    WorkArray<Node> nodes_;
};

template <typename OnPair>
void BoxPairs::ForEach(const OnPair& onPair, const WorkArray<uint8_t>* wanted) const
{
    if (nodes_.empty()) {
        return;
    }
    // Whether each node holds a wanted box; children come after their
    // parent, so one pass from the end meets them first.
    WorkArray<uint8_t> holds;
    if (wanted != nullptr) {
        holds.resize(nodes_.size());
        for (size_t k = nodes_.size(); k-- > 0;) {
            const Node& node = nodes_[k];
            uint8_t any = 0;
            if (node.left == 0) {
                for (uint32_t e = node.first; e < node.first + node.count; ++e) {
                    any |= (*wanted)[order_[e]] != 0 ? 1 : 0;
                }
            } else {
                any = holds[node.left] | holds[node.left + 1];
            }
            holds[k] = any;
        }
    }
    const auto visit = [&onPair, wanted](uint32_t i, uint32_t j) {
        if (wanted != nullptr && (*wanted)[i] == 0 && (*wanted)[j] == 0) {
            return true;
        }
        if constexpr (std::is_same_v<decltype(onPair(i, j)), bool>) {
            return onPair(i, j);
        } else {
            onPair(i, j);
            return true;
        }
    };
    WorkArray<std::pair<uint32_t, uint32_t>> stack{{0u, 0u}};
    while (!stack.empty()) {
        const auto [ia, ib] = stack.back();
        stack.pop_back();
        const Node& a = nodes_[ia];
        const Node& b = nodes_[ib];
        if (!holds.empty() && holds[ia] == 0 && holds[ib] == 0) {
            continue;
        }
        if (ia == ib) {
            if (a.left == 0) {
                for (uint32_t i = a.first; i < a.first + a.count; ++i) {
                    for (uint32_t j = i + 1; j < a.first + a.count; ++j) {
                        if (BoxesOverlap(placed_[i], placed_[j]) && !visit(order_[i], order_[j])) {
                            return;
                        }
                    }
                }
            } else {
                stack.push_back({a.left, a.left});
                stack.push_back({a.left, a.left + 1});
                stack.push_back({a.left + 1, a.left + 1});
            }
            continue;
        }
        if (!BoxesOverlap(a.box, b.box)) {
            continue;
        }
        if (a.left == 0 && b.left == 0) {
            for (uint32_t i = a.first; i < a.first + a.count; ++i) {
                for (uint32_t j = b.first; j < b.first + b.count; ++j) {
                    if (BoxesOverlap(placed_[i], placed_[j]) && !visit(order_[i], order_[j])) {
                        return;
                    }
                }
            }
        } else if (b.left == 0 || (a.left != 0 && a.count >= b.count)) {
            stack.push_back({a.left, ib});
            stack.push_back({a.left + 1, ib});
        } else {
            stack.push_back({ia, b.left});
            stack.push_back({ia, b.left + 1});
        }
    }
}

}  // namespace meshaudit::arrangement
