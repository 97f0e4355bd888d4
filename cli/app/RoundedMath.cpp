#include "RoundedMath.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace meshaudit::cli {

namespace {

// A double-double: hi + lo with |lo| at most half an ulp of hi.
struct DD {
    double hi = 0.0, lo = 0.0;
};

DD TwoSum(double a, double b)
{
    const double s = a + b;
    const double v = s - a;
    return {s, (a - (s - v)) + (b - v)};
}

DD FastTwoSum(double a, double b)
{
    const double s = a + b;
    return {s, b - (s - a)};
}

// Dekker's exact product, without a fused multiply-add (which WebAssembly
// lacks).
DD TwoProduct(double a, double b)
{
    constexpr double kSplit = 134217729.0;  // 2^27 + 1
    const auto split = [](double v) {
        const double t = kSplit * v;
        const double high = t - (t - v);
        return DD{high, v - high};
    };
    const DD x = split(a), y = split(b);
    const double p = a * b;
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

DD Add(DD a, DD b)
{
    DD s = TwoSum(a.hi, b.hi);
    const DD t = TwoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = FastTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return FastTwoSum(s.hi, s.lo);
}

DD Negate(DD a) { return {-a.hi, -a.lo}; }

DD Multiply(DD a, DD b)
{
    DD p = TwoProduct(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return FastTwoSum(p.hi, p.lo);
}

DD Divide(DD a, DD b)
{
    const double q1 = a.hi / b.hi;
    DD r = Add(a, Negate(Multiply(b, {q1, 0.0})));
    const double q2 = r.hi / b.hi;
    r = Add(r, Negate(Multiply(b, {q2, 0.0})));
    const double q3 = r.hi / b.hi;
    return Add(FastTwoSum(q1, q2), {q3, 0.0});
}

DD Sqrt(DD a)
{
    if (a.hi <= 0.0) {
        return {};
    }
    // One Newton step from the double root doubles its precision.
    const double root = std::sqrt(a.hi);
    const DD square = TwoProduct(root, root);
    const double correction = (Add(a, Negate(square)).hi) / (2.0 * root);
    return FastTwoSum(root, correction);
}

constexpr DD kPi = {3.141592653589793116, 1.2246467991473531772e-16};
constexpr DD kHalfPi = {1.570796326794896558, 6.123233995736765886e-17};

// atan(t) for 0 <= t <= 1: the half-angle step t / (1 + sqrt(1 + t^2))
// five times brings t below 0.025, where the series converges fast.
DD Atan(DD t)
{
    for (int i = 0; i < 5; ++i) {
        t = Divide(t, Add({1.0, 0.0}, Sqrt(Add({1.0, 0.0}, Multiply(t, t)))));
    }
    const DD square = Multiply(t, t);
    DD sum = {}, power = t;
    for (int n = 0; n < 16; ++n) {
        const DD term = Divide(power, {2.0 * n + 1.0, 0.0});
        sum = Add(sum, n % 2 == 0 ? term : Negate(term));
        power = Multiply(power, square);
    }
    return Multiply(sum, {32.0, 0.0});
}

}  // namespace

double RoundedAtan2(double y, double x)
{
    if (std::isnan(x) || std::isnan(y)) {
        return x + y;
    }
    const double sign = std::signbit(y) ? -1.0 : 1.0;
    DD angle;
    if (y == 0.0) {
        return std::signbit(x) ? sign * kPi.hi : sign * 0.0;
    }
    if (std::isinf(x) || std::isinf(y)) {
        const double quarters = std::isinf(y) ? (std::isinf(x) ? (x > 0 ? 1.0 : 3.0) : 2.0) : (x > 0 ? 0.0 : 4.0);
        angle = Multiply(kPi, {quarters / 4.0, 0.0});
    } else if (x == 0.0) {
        angle = kHalfPi;
    } else {
        const double ax = std::fabs(x), ay = std::fabs(y);
        angle = ay <= ax ? Atan(Divide({ay, 0.0}, {ax, 0.0})) : Add(kHalfPi, Negate(Atan(Divide({ax, 0.0}, {ay, 0.0}))));
        if (x < 0.0) {
            angle = Add(kPi, Negate(angle));
        }
    }
    return sign * (angle.hi + angle.lo);
}

double RoundedTan(double x)
{
    if (!std::isfinite(x)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // To [-pi/4, pi/4] by multiples of pi/2; an odd multiple turns the
    // tangent into minus the cotangent.
    const double k = std::nearbyint(x / kHalfPi.hi);
    DD r = Add({x, 0.0}, Negate(Multiply(kHalfPi, {k, 0.0})));
    DD sine = {}, cosine = {}, power = {1.0, 0.0};
    double factorial = 1.0;
    for (int n = 0; n < 27; ++n) {
        if (n > 0) {
            factorial *= n;
        }
        const DD term = Divide(power, {factorial, 0.0});
        const DD signed_ = (n / 2) % 2 == 0 ? term : Negate(term);
        (n % 2 == 0 ? cosine : sine) = Add(n % 2 == 0 ? cosine : sine, signed_);
        power = Multiply(power, r);
    }
    const DD tangent = static_cast<int64_t>(k) % 2 == 0 ? Divide(sine, cosine) : Negate(Divide(cosine, sine));
    return tangent.hi + tangent.lo;
}

}  // namespace meshaudit::cli
