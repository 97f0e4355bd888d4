// A hash map from keys to 32-bit values in one working array: open
// addressing with linear probing, so that a map of millions of entries is
// one block on the allocation seam instead of a node for each, and a
// lookup touches one or two cache lines. No order of iteration is offered,
// so none can leak into a result.
#pragma once

#include "containers/WorkArray.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace meshaudit {

// A hash of ids for FlatMap (32 bits, or two of them in 64): ids that
// follow one another spread over the table.
struct IdHash {
    size_t operator()(uint64_t id) const
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
    uint32_t Find(const Key& key) const { return slots_.empty() ? kNone : slots_[SlotOf(key)].value; }

    // Adds key -> value unless the key is there: the value held under the
    // key after the call, and whether it was added.
    std::pair<uint32_t, bool> Emplace(const Key& key, uint32_t value)
    {
        if (2 * (count_ + 1) > slots_.size()) {
            Rehash(slots_.empty() ? 16 : 2 * slots_.size());
        }
        Slot& s = slots_[SlotOf(key)];
        if (s.value != kNone) {
            return {s.value, false};
        }
        s.key = key;
        s.value = value;
        ++count_;
        return {value, true};
    }

    // Sets key -> value, replacing any value the key had.
    void Set(const Key& key, uint32_t value)
    {
        if (2 * (count_ + 1) > slots_.size()) {
            Rehash(slots_.empty() ? 16 : 2 * slots_.size());
        }
        Slot& s = slots_[SlotOf(key)];
        count_ += s.value == kNone ? 1 : 0;
        s.key = key;
        s.value = value;
    }

    // Removes the key when present. The entries after it in its probe run
    // that would no longer be found past the gap move back into it, so that
    // erasing leaves no marks behind and the table never fills with them.
    void Erase(const Key& key)
    {
        if (slots_.empty()) {
            return;
        }
        const size_t mask = slots_.size() - 1;
        size_t hole = SlotOf(key);
        if (slots_[hole].value == kNone) {
            return;
        }
        for (size_t at = (hole + 1) & mask; slots_[at].value != kNone; at = (at + 1) & mask) {
            const size_t home = Hash{}(slots_[at].key) & mask;
            const bool stays = hole < at ? (home > hole && home <= at) : (home > hole || home <= at);
            if (!stays) {
                slots_[hole] = slots_[at];
                hole = at;
            }
        }
        slots_[hole].value = kNone;
        --count_;
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
    // The slot holding `key`, or the empty one where it would go.
    size_t SlotOf(const Key& key) const
    {
        const size_t mask = slots_.size() - 1;
        size_t at = Hash{}(key) & mask;
        while (slots_[at].value != kNone && !(slots_[at].key == key)) {
            at = (at + 1) & mask;
        }
        return at;
    }

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
