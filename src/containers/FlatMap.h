// A hash map from keys to 32-bit values in one working array: open
// addressing with linear probing, so that a map of millions of entries is
// one block on the allocation seam instead of a node for each, and a
// lookup touches one or two cache lines. Keys are only ever added; no
// order of iteration is offered, so none can leak into a result.
#pragma once

#include "containers/WorkArray.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace meshaudit {

// A hash of 32-bit ids for FlatMap: ids that follow one another spread
// over the table.
struct IdHash {
    size_t operator()(uint32_t id) const
    {
        const uint64_t h = id * 0x9E3779B97F4A7C15ull;
        return static_cast<size_t>(h ^ (h >> 32));
    }
};

// Hash: a callable giving a size_t for a Key, well mixed in its low bits
// (the table's size is a power of two). Values must not be kNone, which
// marks an empty slot.
template <typename Key, typename Hash>
class FlatMap {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    // Room for `count` entries without growing.
    void Reserve(size_t count)
    {
        size_t capacity = 16;
        while (capacity / 2 < count) {
            capacity *= 2;
        }
        if (capacity > slots_.size()) {
            Rehash(capacity);
        }
    }

    // The value under `key`, or kNone.
    uint32_t Find(const Key& key) const
    {
        if (slots_.empty()) {
            return kNone;
        }
        const size_t mask = slots_.size() - 1;
        for (size_t at = Hash{}(key) & mask;; at = (at + 1) & mask) {
            const Slot& s = slots_[at];
            if (s.value == kNone || s.key == key) {
                return s.value;
            }
        }
    }

    // Adds key -> value unless the key is there: the value held under the
    // key after the call, and whether it was added.
    std::pair<uint32_t, bool> Emplace(const Key& key, uint32_t value)
    {
        if (2 * (count_ + 1) > slots_.size()) {
            Rehash(slots_.empty() ? 16 : 2 * slots_.size());
        }
        const size_t mask = slots_.size() - 1;
        for (size_t at = Hash{}(key) & mask;; at = (at + 1) & mask) {
            Slot& s = slots_[at];
            if (s.value == kNone) {
                s.key = key;
                s.value = value;
                ++count_;
                return {value, true};
            }
            if (s.key == key) {
                return {s.value, false};
            }
        }
    }

    size_t Size() const { return count_; }

    // Empties the map; its room is kept unless far larger than what it
    // held, so that clearing costs about what filling it did.
    void Clear()
    {
        if (slots_.size() > 8 * (count_ + 8)) {
            slots_ = WorkArray<Slot>();
        } else {
            for (Slot& s : slots_) {
                s.value = kNone;
            }
        }
        count_ = 0;
    }

private:
    struct Slot {
        Key key{};
        uint32_t value = kNone;
    };

    void Rehash(size_t capacity)
    {
        WorkArray<Slot> old(capacity);
        old.swap(slots_);
        count_ = 0;
        for (const Slot& s : old) {
            if (s.value != kNone) {
                Emplace(s.key, s.value);
            }
        }
    }

    WorkArray<Slot> slots_;
    size_t count_ = 0;
};

}  // namespace meshaudit
