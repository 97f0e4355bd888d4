#include "repair/pipeline/EdgeSides.h"
#include "containers/SortFew.h"

#include <algorithm>

namespace meshaudit::pipeline {

namespace {

// Calls visit(side, start, end) for every side, triangle by triangle: the
// corners read once per triangle, not divided out of each side's number.
template <typename Visit>
void ForEachSide(const WorkArray<TRIANGLE>& triangles, Visit&& visit)
{
    for (size_t t = 0; t < triangles.size(); ++t) {
        const TRIANGLE& tri = triangles[t];
        const auto s = static_cast<uint32_t>(3 * t);
        visit(s, tri.a, tri.b);
        visit(s + 1, tri.b, tri.c);
        visit(s + 2, tri.c, tri.a);
    }
}

}  // namespace

EdgeSides::EdgeSides(const WorkArray<TRIANGLE>& triangles, uint32_t pointCount)
{
    const size_t sideCount = triangles.size() * 3;
    WorkArray<uint32_t> start(static_cast<size_t>(pointCount) + 1, 0);
    ForEachSide(triangles, [&](uint32_t, uint32_t a, uint32_t b) {
        if (a != b) {
            ++start[std::min(a, b) + 1];
        }
    });
    for (size_t p = 0; p < pointCount; ++p) {
        start[p + 1] += start[p];
    }
    // Each side as its larger end over its number, bucketed by its smaller
    // end; sorting a bucket's keys groups it by edge, sides ascending.
    WorkArray<uint64_t> keys(start[pointCount]);
    {
        WorkArray<uint32_t> fill(start.begin(), start.end() - 1);
        ForEachSide(triangles, [&](uint32_t s, uint32_t a, uint32_t b) {
            if (a != b) {
                keys[fill[std::min(a, b)]++] = (uint64_t{std::max(a, b)} << 32) | s;
            }
        });
    }
    groupOf_.assign(sideCount, kNone);
    sides_.resize(keys.size());
    first_.reserve(keys.size() / 2 + 2);
    for (size_t p = 0; p < pointCount; ++p) {
        uint64_t* begin = keys.data() + start[p];
        uint64_t* end = keys.data() + start[p + 1];
        SortFew(begin, end, 16);
        for (uint64_t* k = begin; k != end; ++k) {
            const size_t at = static_cast<size_t>(k - keys.data());
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

void EdgeSides::Flip(uint32_t t)
{
    const uint32_t s0 = 3 * t, s2 = 3 * t + 2;
    const uint32_t g0 = groupOf_[s0], g2 = groupOf_[s2];
    if (g0 == g2) {
        return;  // both on one edge, or on none: nothing moves
    }
    groupOf_[s0] = g2;
    groupOf_[s2] = g0;
    Replace(g0, s0, s2);
    Replace(g2, s2, s0);
}

void EdgeSides::Replace(uint32_t g, uint32_t from, uint32_t to)
{
    if (g == kNone) {
        return;
    }
    uint32_t* begin = sides_.data() + first_[g];
    uint32_t* end = sides_.data() + first_[g + 1];
    uint32_t* at = std::lower_bound(begin, end, from);
    *at = to;
    // `to` is within two of `from`: it passes at most the triangle's own
    // side 1, when a repeated point puts that on the same edge.
    for (; at + 1 < end && at[0] > at[1]; ++at) {
        std::swap(at[0], at[1]);
    }
    for (; at > begin && at[-1] > at[0]; --at) {
        std::swap(at[-1], at[0]);
    }
}

}  // namespace meshaudit::pipeline
