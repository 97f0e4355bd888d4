// Disjoint sets over elements 0 .. n - 1 (union-find), each element with a
// parity bit relative to its set's root, so that a set can also carry
// "these two differ / agree" relations and detect a contradiction.
// Path halving keeps the trees flat; the arrays come from the caller.
#pragma once

#include <cstdint>

namespace meshaudit {

class DisjointSets {
public:
    // parent and parity: room for n elements each, contents ignored.
    DisjointSets(uint32_t* parent, uint8_t* parity, uint32_t n) : parent_(parent), parity_(parity)
    {
        for (uint32_t e = 0; e < n; ++e) {
            parent_[e] = e;
            parity_[e] = 0;
        }
    }

    // The root of e's set; `parity` receives e's parity relative to it.
    uint32_t Find(uint32_t e, uint8_t& parity)
    {
        uint8_t sum = 0;
        while (parent_[e] != e) {
            const uint32_t up = parent_[e];
            // Halving: hang e on its grandparent, its parity adding up.
            sum ^= parity_[e];
            if (parent_[up] != up) {
                parity_[e] ^= parity_[up];
                sum ^= parity_[up];
                parent_[e] = parent_[up];
                e = parent_[up];
            } else {
                e = up;
            }
        }
        parity = sum;
        return e;
    }

    // Records that a and b differ in parity by `difference` (0 or 1).
    // Returns false, changing nothing, when their sets already say
    // otherwise; true otherwise. `joined` tells whether two sets merged.
    bool Relate(uint32_t a, uint32_t b, uint8_t difference, bool& joined)
    {
        uint8_t pa = 0;
        uint8_t pb = 0;
        const uint32_t ra = Find(a, pa);
        const uint32_t rb = Find(b, pb);
        joined = ra != rb;
        if (!joined) {
            return (pa ^ pb) == difference;
        }
        // Hang the larger index under the smaller: any fixed rule will do.
        const uint8_t link = static_cast<uint8_t>(pa ^ pb ^ difference);
        if (ra < rb) {
            parent_[rb] = ra;
            parity_[rb] = link;
        } else {
            parent_[ra] = rb;
            parity_[ra] = link;
        }
        return true;
    }

private:
    uint32_t* parent_;
    uint8_t* parity_;
};

}  // namespace meshaudit
