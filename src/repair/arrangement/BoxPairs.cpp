// Median splits along the longest side of the box of the entries' centres:
// a tree of depth log n whatever the input order.
#include "repair/arrangement/BoxPairs.h"
#include "containers/WorkArray.h"

#include <algorithm>
#include <limits>

namespace meshaudit::arrangement {

BoxPairs::BoxPairs(const WorkArray<Box>& boxes)
{
    order_.reserve(boxes.size());
    for (uint32_t k = 0; k < boxes.size(); ++k) {
        const Box& b = boxes[k];
        bool usable = true;
        for (int a = 0; a < 3; ++a) {
            usable = usable && b.lo[a] == b.lo[a] && b.hi[a] == b.hi[a];
        }
        if (usable) {
            order_.push_back(k);
        }
    }
    if (!order_.empty()) {
        nodes_.reserve(4 * (order_.size() / kLeaf + 1));
        Build(boxes, static_cast<uint32_t>(order_.size()));
        placed_.resize(order_.size());
        for (size_t k = 0; k < order_.size(); ++k) {
            placed_[k] = boxes[order_[k]];
        }
    }
}

void BoxPairs::Build(const WorkArray<Box>& boxes, uint32_t count)
{
    // The root is node 0; every other node is made with its sibling, so
    // that children are always adjacent.
    nodes_.push_back(Node{Box{}, 0, count, 0});
    WorkArray<uint32_t> pending{0u};
    struct Keyed {
        double key;
        uint32_t index;
    };
    WorkArray<Keyed> keyed;
    while (!pending.empty()) {
        const uint32_t at = pending.back();
        pending.pop_back();
        Node node = nodes_[at];
        Box box{{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), std::numeric_limits<double>::max()},
                {-std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}};
        double cLo[3] = {box.lo[0], box.lo[1], box.lo[2]};
        double cHi[3] = {box.hi[0], box.hi[1], box.hi[2]};
        for (uint32_t k = node.first; k < node.first + node.count; ++k) {
            const Box& b = boxes[order_[k]];
            for (int a = 0; a < 3; ++a) {
                box.lo[a] = std::min(box.lo[a], b.lo[a]);
                box.hi[a] = std::max(box.hi[a], b.hi[a]);
                const double c = 0.5 * b.lo[a] + 0.5 * b.hi[a];
                cLo[a] = std::min(cLo[a], c);
                cHi[a] = std::max(cHi[a], c);
            }
        }
        node.box = box;
        node.left = 0;
        if (node.count > kLeaf) {
            int axis = 0;
            for (int a = 1; a < 3; ++a) {
                if (cHi[a] - cLo[a] > cHi[axis] - cLo[axis]) {
                    axis = a;
                }
            }
            // The median by the sum of the bounds along the axis: the keys
            // are read once into a run beside their entries, so that the
            // selection compares neighbouring memory rather than two boxes
            // anywhere in the array. It compares the same keys in the same
            // sequence as over the indices alone, so the order is the same.
            const uint32_t half = node.count / 2;
            uint32_t* begin = order_.data() + node.first;
            keyed.resize(node.count);
            for (uint32_t k = 0; k < node.count; ++k) {
                const Box& b = boxes[begin[k]];
                keyed[k] = {b.lo[axis] + b.hi[axis], begin[k]};
            }
            std::nth_element(keyed.begin(), keyed.begin() + half, keyed.end(),
                             [](const Keyed& p, const Keyed& q) { return p.key < q.key; });
            for (uint32_t k = 0; k < node.count; ++k) {
                begin[k] = keyed[k].index;
            }
            node.left = static_cast<uint32_t>(nodes_.size());
            nodes_.push_back(Node{Box{}, node.first, half, 0});
            nodes_.push_back(Node{Box{}, node.first + half, node.count - half, 0});
            pending.push_back(node.left);
            pending.push_back(node.left + 1);
        }
        nodes_[at] = node;
    }
}

}  // namespace meshaudit::arrangement
