// The limbs of a BigInt: a short array kept inline, spilling to the heap
// only past kInline limbs. Intersection points of coordinates of similar
// size need a few limbs, and a heap block for each of the many
// temporaries of an exact construction cost more than the arithmetic.
#pragma once

#include "containers/WorkArray.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

// The subset of WorkArray<uint32_t> that BigInt uses, with its meaning.
class Limbs {
public:
    static constexpr size_t kInline = 12;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    uint32_t* data() { return heap_.empty() ? inline_ : heap_.data(); }
    const uint32_t* data() const { return heap_.empty() ? inline_ : heap_.data(); }
    uint32_t& operator[](size_t k) { return data()[k]; }
    uint32_t operator[](size_t k) const { return data()[k]; }
    uint32_t back() const { return data()[size_ - 1]; }
    void pop_back() { --size_; }
    void clear() { size_ = 0; }
    void reserve(size_t) {}

    void push_back(uint32_t v)
    {
        if (heap_.empty() && size_ == kInline) {
            heap_.assign(inline_, inline_ + kInline);
        }
        if (!heap_.empty()) {
            if (heap_.size() <= size_) {
                heap_.resize(2 * size_ + 1);
            }
            heap_[size_++] = v;
        } else {
            inline_[size_++] = v;
        }
    }

    // n limbs, the new ones 0.
    void resize(size_t n)
    {
        if (n > kInline || !heap_.empty()) {
            if (heap_.empty()) {
                heap_.assign(inline_, inline_ + size_);
            }
            heap_.resize(n > heap_.size() ? n : heap_.size(), 0u);
        } else {
            for (size_t k = size_; k < n; ++k) {
                inline_[k] = 0;
            }
        }
        size_ = n;
    }

    // n limbs of value v.
    void assign(size_t n, uint32_t v)
    {
        clear();
        for (size_t k = 0; k < n; ++k) {
            push_back(v);
        }
    }

    void assign(const uint32_t* first, const uint32_t* last)
    {
        clear();
        for (; first != last; ++first) {
            push_back(*first);
        }
    }

private:
    uint32_t inline_[kInline] = {};
    WorkArray<uint32_t> heap_;  // in use when not empty
    size_t size_ = 0;
};

}  // namespace meshaudit::arrangement
