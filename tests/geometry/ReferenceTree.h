// A bounding-box tree built the plain way (queue, Hoare partition, literal sort)
// as a reference for the trees' shape; it has no safeguard for degenerate inputs.
#pragma once

#include "geometry/Aabb.h"
#include "geometry/LiteralSort.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace meshaudit::testing {

struct RefItem {
    uint32_t index;
    C3DAABB box;
    bool isPoint;  // points sort by their coordinate, triangles by min + max
};

struct RefNode {
    uint32_t first;
    uint32_t last;
    C3DAABB box;
    int left = -1;
    int right = -1;
};

struct RefTree {
    std::vector<uint32_t> order;  // entry indices in tree order
    std::vector<RefNode> nodes;   // breadth-first
};

inline double Coord(const T3DVECF& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

inline RefTree ReferenceBuild(const std::vector<RefItem>& items)
{
    std::vector<const RefItem*> e;
    for (const RefItem& item : items) {
        e.push_back(&item);
    }
    auto boxOf = [&](long first, long last) {
        C3DAABB b;
        for (long k = first; k <= last; ++k) {
            b.Extend(e[k]->box);
        }
        return b;
    };
    RefTree tree;
    const long n = static_cast<long>(e.size());
    tree.nodes.push_back(RefNode{0, static_cast<uint32_t>(n - 1), boxOf(0, n - 1)});
    std::deque<int> queue{0};
    while (!queue.empty()) {
        const int k = queue.front();
        queue.pop_front();
        const long first = tree.nodes[k].first;
        const long last = tree.nodes[k].last;
        if (last < first + 10) {
            continue;
        }
        const C3DAABB box = tree.nodes[k].box;
        const char axisName = box.LongestAxis();
        const int axis = axisName == 'x' ? 0 : axisName == 'y' ? 1 : 2;
        const double split = (Coord(box.min, axis) + Coord(box.max, axis)) * 0.5;
        auto centre = [&](const RefItem* p) {
            return (Coord(p->box.min, axis) + Coord(p->box.max, axis)) * 0.5;
        };
        long i = first;
        long j = last;
        do {
            while (i <= j && centre(e[i]) < split) {
                ++i;
            }
            while (i <= j && !(centre(e[j]) < split)) {
                --j;
            }
            if (i < j) {
                std::swap(e[i], e[j]);
                ++i;
                --j;
            }
        } while (i < j);
        if (!(i >= first + 5 && last + 1 >= i + 5)) {
            LiteralSort(e, first, last, [&](const RefItem* p, const RefItem* q) {
                if (p->isPoint) {
                    return Coord(p->box.min, axis) < Coord(q->box.min, axis);
                }
                return Coord(p->box.min, axis) + Coord(p->box.max, axis) <
                       Coord(q->box.min, axis) + Coord(q->box.max, axis);
            });
            i = first + 5;
        }
        const int left = static_cast<int>(tree.nodes.size());
        tree.nodes.push_back(
            RefNode{static_cast<uint32_t>(first), static_cast<uint32_t>(i - 1), boxOf(first, i - 1)});
        tree.nodes.push_back(
            RefNode{static_cast<uint32_t>(i), static_cast<uint32_t>(last), boxOf(i, last)});
        tree.nodes[k].left = left;
        tree.nodes[k].right = left + 1;
        queue.push_back(left);
        queue.push_back(left + 1);
    }
    for (const RefItem* p : e) {
        tree.order.push_back(p->index);
    }
    return tree;
}

}  // namespace meshaudit::testing
