// Disjoint sets with path halving where the smaller root wins, so that a
// set's root is its smallest element whatever the order of the joins: the
// shells of solids() are numbered by their first triangle, and every merge
// of the repair keeps its smallest point. `Array` holds the parents: any
// vector of uint32_t with resize() and operator[].
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace meshaudit {

template <typename Array>
class SmallestRootForest {
public:
    explicit SmallestRootForest(size_t count = 0) { Reset(count); }

    // `count` sets of one element each, 0 .. count - 1.
    void Reset(size_t count)
    {
        up_.resize(count);
        for (size_t i = 0; i < count; ++i) {
            up_[i] = static_cast<uint32_t>(i);
        }
    }
    uint32_t Root(uint32_t i)
    {
        while (up_[i] != i) {
            up_[i] = up_[up_[i]];
            i = up_[i];
        }
        return i;
    }
    void Prefetch(uint32_t i) const { __builtin_prefetch(&up_[i]); }
    // Joins the sets of a and b; false when they were one set already.
    bool Join(uint32_t a, uint32_t b)
    {
        a = Root(a);
        b = Root(b);
        if (a == b) {
            return false;
        }
        up_[std::max(a, b)] = std::min(a, b);
        return true;
    }

private:
    Array up_;
};

}  // namespace meshaudit
