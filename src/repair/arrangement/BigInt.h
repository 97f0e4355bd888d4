// Signed integers of any size, for the exact constructions of intersection
// points: sums, differences and products of determinants of input
// coordinates outgrow every fixed width, and the module must build with the
// standard library alone (it is also compiled to WebAssembly). Magnitude
// and sign, the magnitude as 32-bit limbs, least significant first, with no
// leading zero limb (zero has no limbs and is never negative).
#pragma once

#include "repair/arrangement/Limbs.h"

#include <cstddef>
#include <cstdint>

namespace meshaudit::arrangement {

// 128-bit unsigned integers (a compiler extension that GCC and Clang share,
// also on WebAssembly): the fast path of exact rounding divides them.
__extension__ typedef unsigned __int128 WideUnsigned;

class BigInt {
public:
    BigInt() = default;

    // The integer `magnitude` with the given sign (negative ignored for 0).
    static BigInt FromUnsigned(uint64_t magnitude, bool negative);

    // -1, 0 or +1.
    int Sign() const { return limbs_.empty() ? 0 : (negative_ ? -1 : 1); }
    bool IsZero() const { return limbs_.empty(); }

    BigInt Negated() const;
    // The value times 2^bits.
    BigInt ShiftedLeft(uint32_t bits) const;
    // The value divided by 2^bits, which the caller knows to divide it
    // (bits <= TrailingZeroBits()).
    BigInt ShiftedRight(uint32_t bits) const;
    // Zero bits below the lowest set bit; 0 for zero.
    uint32_t TrailingZeroBits() const;
    // Bits of the magnitude up to its highest set bit; 0 for zero.
    uint32_t BitLength() const;
    // The 64 highest bits of the magnitude (fewer when it is shorter) and
    // their place: |value| = top * 2^shift + (lower bits dropped).
    uint64_t TopBits(int32_t& shift) const;
    // The `count` (1 .. 127) highest bits of the magnitude, left-aligned:
    // |value| = top * 2^shift + (lower bits dropped, fewer than 2^shift),
    // with 2^(count-1) <= top < 2^count for a nonzero value (0 for zero).
    // A value shorter than `count` bits is shifted up (shift < 0) and then
    // exact.
    WideUnsigned TopBitsAligned(uint32_t count, int32_t& shift) const;

    // The magnitude's limbs as they are held, least significant first, and
    // their count: what a store of many values packs, to give back with
    // FromLimbs.
    const uint32_t* LimbData() const { return limbs_.data(); }
    size_t LimbCount() const { return limbs_.size(); }
    bool IsNegative() const { return negative_; }
    // The value of `count` limbs (least significant first) with the sign,
    // taken as they are: limbs and sign as LimbData, LimbCount and
    // IsNegative gave them.
    static BigInt FromLimbs(const uint32_t* limbs, size_t count, bool negative);

    friend BigInt operator+(const BigInt& a, const BigInt& b);
    friend BigInt operator-(const BigInt& a, const BigInt& b);
    friend BigInt operator*(const BigInt& a, const BigInt& b);
    // -1, 0 or +1 as a <, ==, > b.
    friend int Compare(const BigInt& a, const BigInt& b);

private:
    static int CompareMagnitudes(const Limbs& a, const Limbs& b);
    static Limbs AddMagnitudes(const Limbs& a, const Limbs& b);
    // a - b for |a| >= |b|.
    static Limbs SubtractMagnitudes(const Limbs& a,
                                                    const Limbs& b);
    static BigInt SignedSum(const BigInt& a, bool bNegative, const BigInt& b);
    void Trim();

    Limbs limbs_;
    bool negative_ = false;
};

}  // namespace meshaudit::arrangement
