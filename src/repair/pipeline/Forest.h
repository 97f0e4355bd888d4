// A disjoint-set forest with path halving where the smaller root wins, so a
// set's root is its smallest element: the representative every merge of
// the repair keeps.
#pragma once

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

class Forest {
public:
    explicit Forest(size_t count) : up_(count)
    {
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
    // Joins the sets of a and b; false when they were one set already.
    bool Join(uint32_t a, uint32_t b)
    {
        a = Root(a);
        b = Root(b);
        if (a == b) {
            return false;
        }
        if (a < b) {
            up_[b] = a;
        } else {
            up_[a] = b;
        }
        return true;
    }

private:
    std::vector<uint32_t> up_;
};

}  // namespace meshaudit::pipeline
