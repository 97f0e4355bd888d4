#include "repair/arrangement/Dyadic.h"

#include <bit>
#include <cmath>

namespace meshaudit::arrangement {

Dyadic Dyadic::FromDouble(double value)
{
    Dyadic r;
    if (!std::isfinite(value) || value == 0.0) {
        return r;
    }
    int exp = 0;
    const double fraction = std::frexp(std::fabs(value), &exp);  // in [0.5, 1)
    const auto m = static_cast<uint64_t>(std::ldexp(fraction, 53));  // exact: 53 bits
    // Normalized on the 64-bit word, before any limb exists.
    const int zeros = std::countr_zero(m);
    r.mantissa = BigInt::FromUnsigned(m >> zeros, value < 0.0);
    r.exponent = exp - 53 + zeros;
    return r;
}

Dyadic Dyadic::Difference(double a, double b)
{
    if (a == 0.0 || b == 0.0 || !std::isfinite(a) || !std::isfinite(b)) {
        return FromDouble(a) - FromDouble(b);
    }
    int ea = 0;
    int eb = 0;
    // Signed 53-bit integers: a = ma * 2^(ea - 53), b = mb * 2^(eb - 53).
    const auto ma = static_cast<int64_t>(std::ldexp(std::frexp(a, &ea), 53));
    const auto mb = static_cast<int64_t>(std::ldexp(std::frexp(b, &eb), 53));
    const int low = ea < eb ? ea : eb;
    const int shiftA = ea - low;
    const int shiftB = eb - low;
    if (shiftA > 9 || shiftB > 9) {
        return FromDouble(a) - FromDouble(b);
    }
    // Each term below 2^62 in magnitude: the difference fits.
    const int64_t d = ma * (int64_t{1} << shiftA) - mb * (int64_t{1} << shiftB);
    Dyadic r;
    if (d == 0) {
        return r;
    }
    const uint64_t magnitude = d < 0 ? 0 - static_cast<uint64_t>(d) : static_cast<uint64_t>(d);
    const int zeros = std::countr_zero(magnitude);
    r.mantissa = BigInt::FromUnsigned(magnitude >> zeros, d < 0);
    r.exponent = low - 53 + zeros;
    return r;
}

void Dyadic::Normalize()
{
    if (mantissa.IsZero()) {
        exponent = 0;
        return;
    }
    const uint32_t zeros = mantissa.TrailingZeroBits();
    if (zeros != 0) {
        mantissa = mantissa.ShiftedRight(zeros);
        exponent += static_cast<int32_t>(zeros);
    }
}

double Dyadic::Approximate() const
{
    if (mantissa.IsZero()) {
        return 0.0;
    }
    int32_t shift = 0;
    const uint64_t top = mantissa.TopBits(shift);
    const double magnitude = std::ldexp(static_cast<double>(top), shift + exponent);
    return mantissa.Sign() < 0 ? -magnitude : magnitude;
}

Dyadic operator+(const Dyadic& a, const Dyadic& b)
{
    if (a.IsZeroValue()) {
        return b;
    }
    if (b.IsZeroValue()) {
        return a;
    }
    // The one of the larger exponent is brought down to the other's, so
    // that the mantissas add as integers.
    Dyadic r;
    if (a.exponent >= b.exponent) {
        r.exponent = b.exponent;
        r.mantissa = a.mantissa.ShiftedLeft(static_cast<uint32_t>(a.exponent - b.exponent)) + b.mantissa;
    } else {
        r.exponent = a.exponent;
        r.mantissa = a.mantissa + b.mantissa.ShiftedLeft(static_cast<uint32_t>(b.exponent - a.exponent));
    }
    // Both mantissas are odd: with different exponents the sum is an even
    // number plus an odd one, odd already; only equal exponents can leave
    // trailing zeros.
    if (a.exponent == b.exponent) {
        r.Normalize();
    }
    return r;
}

Dyadic operator-(const Dyadic& a, const Dyadic& b)
{
    return a + b.Negated();
}

Dyadic operator*(const Dyadic& a, const Dyadic& b)
{
    if (a.IsZeroValue() || b.IsZeroValue()) {
        return Dyadic{};
    }
    // Odd times odd is odd: the product needs no normalizing.
    return Dyadic{a.mantissa * b.mantissa, a.exponent + b.exponent};
}

int Compare(const Dyadic& a, const Dyadic& b)
{
    if (a.Sign() != b.Sign()) {
        return a.Sign() < b.Sign() ? -1 : 1;
    }
    // Same sign: compare the magnitudes' top bit positions first, then the
    // mantissas brought to the smaller exponent, without forming the
    // difference.
    if (a.IsZeroValue()) {
        return 0;
    }
    const int64_t topA = static_cast<int64_t>(a.mantissa.BitLength()) + a.exponent;
    const int64_t topB = static_cast<int64_t>(b.mantissa.BitLength()) + b.exponent;
    if (topA != topB) {
        return (topA < topB) == (a.Sign() > 0) ? -1 : 1;
    }
    if (a.exponent >= b.exponent) {
        return Compare(a.mantissa.ShiftedLeft(static_cast<uint32_t>(a.exponent - b.exponent)), b.mantissa);
    }
    return Compare(a.mantissa, b.mantissa.ShiftedLeft(static_cast<uint32_t>(b.exponent - a.exponent)));
}

}  // namespace meshaudit::arrangement
