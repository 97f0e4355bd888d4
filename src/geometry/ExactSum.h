// An exact sum of doubles and of products of two or three doubles, for
// the signs of sums of determinants that the adaptive predicates do not
// cover. Shared by the shell nesting and the union's winding rays.
#pragma once

#include "geometry/ExactArithmetic.h"

#include <cmath>
#include <cstdint>

namespace meshaudit {

// An exact sum of doubles: each term's 53-bit significand added, in 32-bit
// pieces, into 64-bit counters spanning every binary exponent a double can
// have; carries are settled before a counter could overflow.
class ExactSum {
public:
    void Add(double x)
    {
        if (x == 0.0) {
            return;
        }
        if (!std::isfinite(x)) {
            // A product of huge coordinates overflowed: past the range where
            // doubles are exact, the sum's sign is unknown.
            overflowed_ = true;
            return;
        }
        int exponent = 0;
        const double fraction = std::frexp(x, &exponent);
        // x = significand * 2^(exponent - 53), the significand a whole number.
        const int64_t significand = static_cast<int64_t>(std::ldexp(fraction, 53));
        const int bit = exponent - 53 + kBias;
        const uint64_t magnitude = static_cast<uint64_t>(significand < 0 ? -significand : significand);
        const int sign = significand < 0 ? -1 : 1;
        const int word = bit / 32, shift = bit % 32;
        // The significand in two halves, each shifted in place: the pieces
        // added to each counter stay below 2^33.
        const uint64_t low = (magnitude & 0xFFFFFFFFu) << shift, high = (magnitude >> 32) << shift;
        words_[word] += sign * static_cast<int64_t>(low & 0xFFFFFFFFu);
        words_[word + 1] += sign * static_cast<int64_t>((low >> 32) + (high & 0xFFFFFFFFu));
        words_[word + 2] += sign * static_cast<int64_t>(high >> 32);
        if (++pending_ == kSettleEvery) {
            Settle();
        }
    }

    // x * y, exactly (two-product).
    void AddProduct(double x, double y)
    {
        double hi = 0.0, lo = 0.0;
        exact::TwoProduct(x, y, hi, lo);
        Add(hi);
        Add(lo);
    }

    // x * y * z, exactly: each part of x * y times z.
    void AddProduct(double x, double y, double z)
    {
        double hi = 0.0, lo = 0.0;
        exact::TwoProduct(x, y, hi, lo);
        for (const double part : {hi, lo}) {
            double p = 0.0, q = 0.0;
            exact::TwoProduct(part, z, p, q);
            Add(p);
            Add(q);
        }
    }

    // Whether a term was not finite (a product of huge coordinates
    // overflowed): the sum's sign is then unknown.
    bool Overflowed() const { return overflowed_; }

    // The sign of the sum; 0 also when a term overflowed.
    int Sign()
    {
        if (overflowed_) {
            return 0;
        }
        Settle();
        for (int i = kWords - 1; i >= 0; --i) {
            if (words_[i] != 0) {
                return words_[i] > 0 ? 1 : -1;
            }
        }
        return 0;
    }

private:
    // Every counter back to [0, 2^32), its carry (or borrow) moved up; the
    // top counter keeps the sign of the whole.
    void Settle()
    {
        for (int i = 0; i + 1 < kWords; ++i) {
            const int64_t carry = words_[i] >> 32;  // floor division by 2^32
            words_[i] -= carry * (int64_t{1} << 32);
            words_[i + 1] += carry;
        }
        pending_ = 0;
    }

    // The smallest subnormal is 2^-1074: significand bits start at 2^-1126.
    static constexpr int kBias = 1126;
    static constexpr int kWords = (kBias + 1024 + 96) / 32 + 1;
    // Each addition adds less than 2^33 to a counter that settling left in
    // [0, 2^32): 2^20 additions stay far from 2^63.
    static constexpr int kSettleEvery = 1 << 20;
    int64_t words_[kWords] = {};
    int pending_ = 0;
    bool overflowed_ = false;
};

}  // namespace meshaudit
