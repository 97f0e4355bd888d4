// A hash table from a directed edge (two 32-bit point indices packed into
// one 64-bit key) to the triangle that has it, for the constrained
// triangulation: one flat array probed linearly, with no block per entry.
// Every inserted point and every flip adds and removes a few edges, and a
// node-based map spent more on allocating its nodes than on the geometry.
// Erasing shifts the following entries of the probe run back (no markers
// left behind), so the table never fills with dead slots.
#pragma once

#include "containers/WorkArray.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

class EdgeTable {
public:
    // The value Find returns for a key that is not in the table.
    static constexpr int64_t kAbsent = -1;

    // Sets the triangle of `key`, replacing any it had. `key` must not be
    // UINT64_MAX (the mark of an empty slot; no pair of point indices of a
    // triangulation packs to it).
    void Set(uint64_t key, uint32_t triangle)
    {
        if (2 * (count_ + 1) > slots_.size()) {
            Grow();
        }
        size_t s = Home(key);
        while (slots_[s].key != kEmpty && slots_[s].key != key) {
            s = (s + 1) & mask_;
        }
        count_ += slots_[s].key == kEmpty ? 1 : 0;
        slots_[s] = Slot{key, triangle};
    }

    // The triangle of `key`, or kAbsent.
    int64_t Find(uint64_t key) const
    {
        if (slots_.empty()) {
            return kAbsent;
        }
        for (size_t s = Home(key);; s = (s + 1) & mask_) {
            if (slots_[s].key == key) {
                return slots_[s].triangle;
            }
            if (slots_[s].key == kEmpty) {
                return kAbsent;
            }
        }
    }

    // Removes `key` when present.
    void Erase(uint64_t key)
    {
        if (slots_.empty()) {
            return;
        }
        size_t hole = Home(key);
        while (slots_[hole].key != key) {
            if (slots_[hole].key == kEmpty) {
                return;
            }
            hole = (hole + 1) & mask_;
        }
        // Entries after the hole whose home lies cyclically at or before it
        // would no longer be found past it: each moves into the hole.
        for (size_t s = (hole + 1) & mask_; slots_[s].key != kEmpty; s = (s + 1) & mask_) {
            const size_t home = Home(slots_[s].key);
            const bool stays = hole < s ? (home > hole && home <= s) : (home > hole || home <= s);
            if (!stays) {
                slots_[hole] = slots_[s];
                hole = s;
            }
        }
        slots_[hole].key = kEmpty;
        --count_;
    }

    // Empties the table. Its room is kept for the next user when it is not
    // far larger than what was held, so that clearing costs about what
    // filling it did.
    void Clear()
    {
        if (slots_.size() > 8 * (count_ + 8)) {
            slots_ = WorkArray<Slot>();
            mask_ = 0;
            shift_ = 64;
        } else {
            std::fill(slots_.begin(), slots_.end(), Slot{kEmpty, 0});
        }
        count_ = 0;
    }

private:
    static constexpr uint64_t kEmpty = UINT64_MAX;
    struct Slot {
        uint64_t key;
        uint32_t triangle;
    };

    size_t Home(uint64_t key) const { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_); }

    void Grow()
    {
        WorkArray<Slot> old = std::move(slots_);
        const size_t size = old.empty() ? 64 : 2 * old.size();
        slots_.assign(size, Slot{kEmpty, 0});
        mask_ = size - 1;
        shift_ = 64;
        for (size_t s = size; s > 1; s /= 2) {
            --shift_;
        }
        count_ = 0;
        for (const Slot& e : old) {
            if (e.key != kEmpty) {
                Set(e.key, e.triangle);
            }
        }
    }

    WorkArray<Slot> slots_;  // a power of two in size, at most half full
    size_t mask_ = 0;
    uint32_t shift_ = 64;      // 64 - log2(size): Home takes the top bits of the product
    size_t count_ = 0;
};

}  // namespace meshaudit::arrangement
