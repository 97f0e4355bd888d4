#include "repair/pipeline/EdgeSides.h"

#include <algorithm>

namespace meshaudit::pipeline {

EdgeSides::EdgeSides(const WorkArray<TRIANGLE>& triangles, uint32_t pointCount)
{
    const size_t sideCount = triangles.size() * 3;
    WorkArray<uint32_t> start(static_cast<size_t>(pointCount) + 1, 0);
    for (size_t s = 0; s < sideCount; ++s) {
        const uint32_t a = SideStart(triangles, static_cast<uint32_t>(s));
        const uint32_t b = SideEnd(triangles, static_cast<uint32_t>(s));
        if (a != b) {
            ++start[std::min(a, b) + 1];
        }
    }
    for (size_t p = 0; p < pointCount; ++p) {
        start[p + 1] += start[p];
    }
    // Each side as its larger end over its number, bucketed by its smaller
    // end; sorting a bucket's keys groups it by edge, sides ascending.
    WorkArray<uint64_t> keys(start[pointCount]);
    {
        WorkArray<uint32_t> fill(start.begin(), start.end() - 1);
        for (size_t s = 0; s < sideCount; ++s) {
            const uint32_t a = SideStart(triangles, static_cast<uint32_t>(s));
            const uint32_t b = SideEnd(triangles, static_cast<uint32_t>(s));
            if (a != b) {
                keys[fill[std::min(a, b)]++] = (uint64_t{std::max(a, b)} << 32) | s;
            }
        }
    }
    groupOf_.assign(sideCount, kNone);
    sides_.resize(keys.size());
    first_.reserve(keys.size() / 2 + 2);
    for (size_t p = 0; p < pointCount; ++p) {
        const auto begin = keys.begin() + start[p], end = keys.begin() + start[p + 1];
        if (end - begin > 1) {
            std::sort(begin, end);
        }
        for (auto k = begin; k != end; ++k) {
            const size_t at = static_cast<size_t>(k - keys.begin());
            if (k == begin || (*k >> 32) != (*(k - 1) >> 32)) {
                first_.push_back(static_cast<uint32_t>(at));
            }
            const auto side = static_cast<uint32_t>(*k);
            sides_[at] = side;
            groupOf_[side] = static_cast<uint32_t>(first_.size() - 1);
        }
    }
    first_.push_back(static_cast<uint32_t>(sides_.size()));
}

}  // namespace meshaudit::pipeline
