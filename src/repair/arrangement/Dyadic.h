// Exact dyadic rationals m * 2^e (m a BigInt, e an int32): every finite
// double is one, and sums, differences and products of them are again, so
// determinants of input coordinates come out exact. Kept with m odd (or
// zero with e = 0), so that equal values have equal representations and
// the mantissas stay as short as the values allow.
#pragma once

#include "repair/arrangement/BigInt.h"

#include <cstdint>

namespace meshaudit::arrangement {

struct Dyadic {
    BigInt mantissa;
    int32_t exponent = 0;

    // The exact value of a finite double (NaN and infinity are the caller's
    // to exclude: they give 0).
    static Dyadic FromDouble(double value);
    // The exact value of a - b for finite doubles (the same value as
    // FromDouble(a) - FromDouble(b)), on one 64-bit word when their binary
    // exponents are close, as they are for coordinates of one mesh.
    static Dyadic Difference(double a, double b);

    int Sign() const { return mantissa.Sign(); }
    Dyadic Negated() const { return Dyadic{mantissa.Negated(), exponent}; }
    // The value halved (exact: the exponent drops by one).
    Dyadic Halved() const { return IsZeroValue() ? *this : Dyadic{mantissa, exponent - 1}; }
    bool IsZeroValue() const { return mantissa.IsZero(); }

    // A double near the value: within a few units in the last place when the
    // value is in double range (the top 64 bits of the mantissa, rounded
    // once more); 0 for zero, +-infinity or 0 outside the range. Only for
    // estimates: exact decisions never rest on it.
    double Approximate() const;

    // Moves trailing zero bits of the mantissa into the exponent.
    void Normalize();
};

// Exact sum, difference and product (the mantissas brought to the smaller
// exponent for the first two, the result normalized).
Dyadic operator+(const Dyadic& a, const Dyadic& b);
Dyadic operator-(const Dyadic& a, const Dyadic& b);
Dyadic operator*(const Dyadic& a, const Dyadic& b);
// -1, 0 or +1 as a <, ==, > b.
int Compare(const Dyadic& a, const Dyadic& b);

}  // namespace meshaudit::arrangement
