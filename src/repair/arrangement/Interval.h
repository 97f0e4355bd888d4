// Closed intervals of doubles that are certain to contain an exact value:
// every operation rounds its bounds outward by one step (the rounded result
// is within half a step of the exact one under round-to-nearest), so the
// exact result of the same operations on the contained values stays inside.
// The filter in front of every exact predicate of the module: when an
// interval is clear of zero its sign is the exact sign, and the exact path
// (Dyadic arithmetic) runs only when it is not. Overflow to infinity and NaN
// only widen or spoil an interval, which then decides nothing.
#pragma once

#include "containers/BitCast.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace meshaudit::arrangement {

struct Interval {
    double lo;
    double hi;

    static Interval Point(double v) { return Interval{v, v}; }

    // +1 or -1 when every value in the interval has that sign, else 0 (zero
    // inside, or a NaN bound): the sign is then undecided here.
    int CertainSign() const
    {
        if (lo > 0.0) {
            return 1;
        }
        if (hi < 0.0) {
            return -1;
        }
        return 0;
    }
};

// The double next below v, as std::nextafter(v, -infinity) gives it (NaN
// for NaN, -infinity for -infinity), formed on the bits in place: every
// interval operation takes two, and the library call cost more than the
// arithmetic it guards.
inline double Down(double v)
{
    if (v == 0.0) {
        return -std::numeric_limits<double>::denorm_min();
    }
    if (std::isnan(v) || v == -std::numeric_limits<double>::infinity()) {
        return v;
    }
    // A finite nonzero double or +infinity: the next one down is one unit
    // less in magnitude when positive, one more when negative.
    const auto bits = BitCast<uint64_t>(v);
    return BitCast<double>(v > 0.0 ? bits - 1u : bits + 1u);
}

// The double next above v, as std::nextafter(v, +infinity) gives it.
inline double Up(double v)
{
    return -Down(-v);
}

inline Interval operator+(const Interval& a, const Interval& b)
{
    return Interval{Down(a.lo + b.lo), Up(a.hi + b.hi)};
}

inline Interval operator-(const Interval& a, const Interval& b)
{
    return Interval{Down(a.lo - b.hi), Up(a.hi - b.lo)};
}

inline Interval operator*(const Interval& a, const Interval& b)
{
    const double p1 = a.lo * b.lo;
    const double p2 = a.lo * b.hi;
    const double p3 = a.hi * b.lo;
    const double p4 = a.hi * b.hi;
    const double lo = std::fmin(std::fmin(p1, p2), std::fmin(p3, p4));
    const double hi = std::fmax(std::fmax(p1, p2), std::fmax(p3, p4));
    // A NaN product (0 * infinity) must not be dropped by fmin/fmax.
    if (std::isnan(p1) || std::isnan(p2) || std::isnan(p3) || std::isnan(p4)) {
        return Interval{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    }
    return Interval{Down(lo), Up(hi)};
}

}  // namespace meshaudit::arrangement
