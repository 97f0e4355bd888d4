#include "repair/pipeline/BoxNesting.h"

#include <algorithm>
#include <array>

namespace meshaudit::pipeline {

namespace {

constexpr int kDims = 6;
using Key = std::array<double, kDims>;

// Box j lies within box i exactly when Key(i) >= Key(j) in every place.
Key KeyOf(const NestBox& b)
{
    return {-b.lo[0], -b.lo[1], -b.lo[2], b.hi[0], b.hi[1], b.hi[2]};
}

// A k-d tree over the keys, split at the median along the places in turn,
// each node with the least and the largest key values below it, so that a
// search passes over every node that cannot hold an answer.
class DominanceTree {
public:
    explicit DominanceTree(const WorkArray<NestBox>& boxes)
    {
        for (uint32_t i = 0; i < boxes.size(); ++i) {
            entries_.push_back({KeyOf(boxes[i]), i});
        }
        if (!entries_.empty()) {
            Build(0, static_cast<uint32_t>(entries_.size()), 0);
        }
    }

    // Whether an entry other than `self` has a key at or above `q` in every
    // place (`above`), or at or below it. Each node and entry looked at
    // costs one from `budget`; the answer is void once it is below 0.
    bool Any(const Key& q, uint32_t self, bool above, int64_t& budget) const
    {
        const auto holds = [&](const Key& k) {
            for (int d = 0; d < kDims; ++d) {
                if (above ? k[d] < q[d] : k[d] > q[d]) {
                    return false;
                }
            }
            return true;
        };
        uint32_t stack[64];
        int depth = 0;
        if (!nodes_.empty()) {
            stack[depth++] = 0;
        }
        while (depth > 0 && budget >= 0) {
            const Node& node = nodes_[stack[--depth]];
            --budget;
            if (!holds(above ? node.high : node.low)) {
                continue;
            }
            if (node.left == kLeafNode) {
                for (uint32_t e = node.begin; e < node.end; ++e) {
                    --budget;
                    if (entries_[e].id != self && holds(entries_[e].key)) {
                        return true;
                    }
                }
            } else {
                // Pending nodes stay below the tree's depth plus one.
                stack[depth++] = node.left;
                stack[depth++] = node.right;
            }
        }
        return false;
    }

private:
    static constexpr uint32_t kLeafEntries = 8;
    static constexpr uint32_t kLeafNode = 0xFFFFFFFFu;
    struct Entry {
        Key key;
        uint32_t id;
    };
    struct Node {
        Key low, high;
        uint32_t begin, end, left, right;
    };

    // The node over entries [begin, end), split along place `d`; its index.
    // The depth is about log2 of the count over kLeafEntries, far within the
    // search's stack.
    uint32_t Build(uint32_t begin, uint32_t end, int d)
    {
        const auto at = static_cast<uint32_t>(nodes_.size());
        nodes_.push_back({});
        Node node{};
        node.low = node.high = entries_[begin].key;
        for (uint32_t e = begin; e < end; ++e) {
            for (int k = 0; k < kDims; ++k) {
                node.low[k] = std::min(node.low[k], entries_[e].key[k]);
                node.high[k] = std::max(node.high[k], entries_[e].key[k]);
            }
        }
        node.begin = begin;
        node.end = end;
        node.left = node.right = kLeafNode;
        if (end - begin > kLeafEntries) {
            const uint32_t middle = begin + (end - begin) / 2;
            std::nth_element(entries_.begin() + begin, entries_.begin() + middle, entries_.begin() + end,
                             [d](const Entry& x, const Entry& y) { return x.key[d] < y.key[d]; });
            node.left = Build(begin, middle, (d + 1) % kDims);
            node.right = Build(middle, end, (d + 1) % kDims);
        }
        nodes_[at] = node;
        return at;
    }

    WorkArray<Entry> entries_;
    WorkArray<Node> nodes_;
};

}  // namespace

bool MarkNestingBoxes(const WorkArray<NestBox>& boxes, WorkArray<uint8_t>& nests)
{
    nests.assign(boxes.size(), 0);
    const DominanceTree tree(boxes);
    int64_t budget = 64 * static_cast<int64_t>(boxes.size()) + 4096;
    for (uint32_t i = 0; i < boxes.size(); ++i) {
        const Key key = KeyOf(boxes[i]);
        // A box within another makes both nest; the other is found by its
        // own search for the boxes it holds.
        const bool nesting = tree.Any(key, i, true, budget) || tree.Any(key, i, false, budget);
        if (budget < 0) {
            return false;
        }
        nests[i] = nesting ? 1 : 0;
    }
    return true;
}

}  // namespace meshaudit::pipeline
