#include "repair/arrangement/ExactPoint.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace meshaudit::arrangement {

ExactPoint InputPoint(const T3DVECF& p, uint32_t id)
{
    ExactPoint r;
    r.rounded[0] = p.x;
    r.rounded[1] = p.y;
    r.rounded[2] = p.z;
    r.input = true;
    r.id = id;
    return r;
}

namespace {

bool LastBitOdd(double v)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits & 1u) != 0;
}

// The sign of value - (a + b) / 2 * den, exact.
int CompareWithMidpoint(const Dyadic& value, double a, double b, const Dyadic& den)
{
    const Dyadic mid = (Dyadic::FromDouble(a) + Dyadic::FromDouble(b)).Halved();
    return Compare(value, mid * den);
}

// The double nearest to |num| / den when 128-bit arithmetic decides it,
// else 0. With N the top 126 bits of |num| and D the top 64 of den (each
// exact or truncated), the scaled quotient lies in [N / (D + 1), (N + 1) / D],
// hence between the integers lo = floor(N / (D + 1)) and
// hi = ceil((N + 1) / D), both in [2^61, 2^63 + 1]. Rounding to nearest is
// monotone, so when lo and hi round to the same double the quotient does
// too; scaling by a power of two is exact while the result stays a normal
// double.
double RoundQuotientFast(const Dyadic& num, const Dyadic& den)
{
    int32_t shiftNum = 0;
    int32_t shiftDen = 0;
    const WideUnsigned n = num.mantissa.TopBitsAligned(126, shiftNum);
    const WideUnsigned d = den.mantissa.TopBitsAligned(64, shiftDen);
    const auto lo = static_cast<uint64_t>(n / (d + 1));
    const auto hi = static_cast<uint64_t>((n + d) / d);  // ceil((n + 1) / d)
    const double rlo = static_cast<double>(lo);
    if (rlo != static_cast<double>(hi)) {
        return 0.0;
    }
    // The result's binary exponent must be that of a normal double, so that
    // the scaling rounds nothing.
    const int64_t exponent =
        static_cast<int64_t>(std::ilogb(rlo)) + shiftNum + num.exponent - shiftDen - den.exponent;
    if (exponent < -1022 || exponent > 1023) {
        return 0.0;
    }
    return std::ldexp(rlo, static_cast<int>(exponent - std::ilogb(rlo)));
}

// Whether p lies on the line through input points i and j by what it was
// made from (or by being one of them).
bool OnLineByRecipe(const ExactPoint& p, uint32_t i, uint32_t j)
{
    if (p.input) {
        return p.id != kNoId && (p.id == i || p.id == j);
    }
    for (const auto& line : p.lines) {
        if (line[0] == i && line[1] == j) {
            return true;
        }
    }
    return false;
}

// Whether a, b and c lie on one line by what they were made from; false
// says nothing.
bool CollinearByRecipe(const ExactPoint& a, const ExactPoint& b, const ExactPoint& c)
{
    for (const ExactPoint* p : {&a, &b, &c}) {
        if (p->input) {
            continue;
        }
        for (const auto& line : p->lines) {
            if (line[0] != kNoId && OnLineByRecipe(a, line[0], line[1]) && OnLineByRecipe(b, line[0], line[1]) &&
                OnLineByRecipe(c, line[0], line[1])) {
                return true;
            }
        }
    }
    return false;
}

// Whether a and b are one point by what they were made from: one segment
// through one plane; false says nothing.
bool SameByRecipe(const ExactPoint& a, const ExactPoint& b)
{
    return !a.input && !b.input && a.plane[0] != kNoId && a.lines[0][0] != kNoId && a.plane[0] == b.plane[0] &&
           a.plane[1] == b.plane[1] && a.plane[2] == b.plane[2] && a.lines[0][0] == b.lines[0][0] &&
           a.lines[0][1] == b.lines[0][1];
}

}  // namespace

void SetRecipe(ExactPoint& p, uint32_t a, uint32_t b, const uint32_t* planeIds)
{
    if (a == kNoId || b == kNoId || a == b) {
        return;
    }
    const uint32_t lo = a < b ? a : b;
    const uint32_t hi = a < b ? b : a;
    const bool first = p.lines[0][0] == kNoId;
    if (!first && p.lines[1][0] != kNoId) {
        return;
    }
    p.lines[first ? 0 : 1][0] = lo;
    p.lines[first ? 0 : 1][1] = hi;
    if (first && planeIds != nullptr && planeIds[0] != kNoId && planeIds[1] != kNoId && planeIds[2] != kNoId) {
        uint32_t s[3] = {planeIds[0], planeIds[1], planeIds[2]};
        for (int k = 0; k < 2; ++k) {
            for (int m = 0; m + 1 < 3 - k; ++m) {
                if (s[m] > s[m + 1]) {
                    std::swap(s[m], s[m + 1]);
                }
            }
        }
        p.plane[0] = s[0];
        p.plane[1] = s[1];
        p.plane[2] = s[2];
    }
}

void ClearRecipe(ExactPoint& p)
{
    for (auto& line : p.lines) {
        line[0] = line[1] = kNoId;
    }
    p.plane[0] = p.plane[1] = p.plane[2] = kNoId;
}

double RoundQuotient(const Dyadic& num, const Dyadic& den)
{
    if (num.IsZeroValue()) {
        return 0.0;
    }
    if (den.Sign() <= 0) {
        return std::numeric_limits<double>::quiet_NaN();  // outside the contract
    }
    const double fast = RoundQuotientFast(num, den);
    if (fast != 0.0) {
        return num.Sign() < 0 ? -fast : fast;
    }
    const bool negative = num.Sign() < 0;
    const Dyadic magnitude = negative ? num.Negated() : num;
    int32_t shiftNum = 0;
    int32_t shiftDen = 0;
    const double topNum = static_cast<double>(magnitude.mantissa.TopBits(shiftNum));
    const double topDen = static_cast<double>(den.mantissa.TopBits(shiftDen));
    double r = std::ldexp(topNum / topDen, shiftNum + magnitude.exponent - shiftDen - den.exponent);
    if (!(r < std::numeric_limits<double>::infinity())) {
        r = std::numeric_limits<double>::max();
    }
    // The estimate is within a few steps of the answer: walk to the double
    // whose rounding interval holds the value. Each step is decided
    // exactly, and each moves towards the value, so the walk ends.
    const double inf = std::numeric_limits<double>::infinity();
    while (r > 0.0 && CompareWithMidpoint(magnitude, std::nextafter(r, 0.0), r, den) < 0) {
        r = std::nextafter(r, 0.0);
    }
    while (r < std::numeric_limits<double>::max() && CompareWithMidpoint(magnitude, r, std::nextafter(r, inf), den) > 0) {
        r = std::nextafter(r, inf);
    }
    // A value exactly between two doubles goes to the even one.
    if (LastBitOdd(r)) {
        if (r > 0.0 && CompareWithMidpoint(magnitude, std::nextafter(r, 0.0), r, den) == 0) {
            r = std::nextafter(r, 0.0);
        } else if (CompareWithMidpoint(magnitude, r, std::nextafter(r, inf), den) == 0) {
            r = std::nextafter(r, inf);
        }
    }
    return negative ? -r : r;
}

ExactPoint HomogeneousPoint(Dyadic x, Dyadic y, Dyadic z, Dyadic w)
{
    ExactPoint r;
    r.input = false;
    if (w.Sign() < 0) {
        x = x.Negated();
        y = y.Negated();
        z = z.Negated();
        w = w.Negated();
    }
    r.x[0] = std::move(x);
    r.x[1] = std::move(y);
    r.x[2] = std::move(z);
    r.w = std::move(w);
    for (int k = 0; k < 3; ++k) {
        r.rounded[k] = RoundQuotient(r.x[k], r.w);
    }
    return r;
}

Dyadic Numerator(const ExactPoint& p, int axis)
{
    return p.input ? Dyadic::FromDouble(p.rounded[axis]) : p.x[axis];
}

Dyadic Denominator(const ExactPoint& p)
{
    return p.input ? Dyadic::FromDouble(1.0) : p.w;
}

int CompareCoordinate(const ExactPoint& a, const ExactPoint& b, int axis)
{
    if (a.input && b.input) {
        const double u = a.rounded[axis];
        const double v = b.rounded[axis];
        return u < v ? -1 : (u > v ? 1 : 0);
    }
    const int filtered = (CoordinateInterval(a, axis) - CoordinateInterval(b, axis)).CertainSign();
    if (filtered != 0) {
        return filtered;
    }
    if (SameByRecipe(a, b)) {
        return 0;
    }
    return Compare(Numerator(a, axis) * Denominator(b), Numerator(b, axis) * Denominator(a));
}

bool SamePoint(const ExactPoint& a, const ExactPoint& b)
{
    return CompareCoordinate(a, b, 0) == 0 && CompareCoordinate(a, b, 1) == 0 && CompareCoordinate(a, b, 2) == 0;
}

namespace {

// How far a coordinate of p may be from the exact one: nothing for an input
// point; else at most a unit in the last place of v (CoordinateInterval's
// width), which |v| 2^-52 plus the smallest subnormal covers.
double Off(const ExactPoint& p, double v)
{
    return p.input ? 0.0 : std::fabs(v) * 0x1p-52 + 0x1p-1074;
}

// The orientation's sign when the rounded coordinates decide it, else 0: the
// determinant in doubles against a bound on all that the coordinates'
// distance from the exact ones and the rounding of each operation can
// change it. The exact determinant is (a + A)(b + B) - (c + C)(d + D),
// where a to d are the differences computed from the rounded coordinates
// and A to D their distance from the exact differences, at most the
// coordinates' Off plus the subtraction's own rounding (u |.| with u =
// 2^-53, taken here as 2^-52 |.|): it is within |a| B + |b| A + A B +
// |c| D + |d| C + C D of ab - cd, and the two products and their
// difference round by at most 2^-51 (|ab| + |cd|) more. The bound is
// widened by 2^-40 of itself for its own rounding and by 2^-1000 for
// underflow; any overflow or NaN leaves the question open. Where it
// decides, the sign is the exact one, at a fraction of the intervals'
// cost; elsewhere the recipes and exact arithmetic decide.
int Orient2DQuick(const ExactPoint& pa, const ExactPoint& pb, const ExactPoint& pc, int i, int j)
{
    const double ax = pa.rounded[i], ay = pa.rounded[j];
    const double bx = pb.rounded[i], by = pb.rounded[j];
    const double cx = pc.rounded[i], cy = pc.rounded[j];
    const double a = ax - cx, b = by - cy, c = ay - cy, d = bx - cx;
    const double ea = std::fabs(a) * 0x1p-52 + Off(pa, ax) + Off(pc, cx);
    const double eb = std::fabs(b) * 0x1p-52 + Off(pb, by) + Off(pc, cy);
    const double ec = std::fabs(c) * 0x1p-52 + Off(pa, ay) + Off(pc, cy);
    const double ed = std::fabs(d) * 0x1p-52 + Off(pb, bx) + Off(pc, cx);
    const double p = a * b;
    const double q = c * d;
    const double det = p - q;
    const double bound = ((std::fabs(p) + std::fabs(q)) * 0x1p-51 + std::fabs(a) * eb + std::fabs(b) * ea + ea * eb +
                          std::fabs(c) * ed + std::fabs(d) * ec + ec * ed) *
                             (1.0 + 0x1p-40) +
                         0x1p-1000;
    if (!std::isfinite(bound) || !std::isfinite(det) || !(std::fabs(det) > bound)) {
        return 0;
    }
    return det > 0.0 ? 1 : -1;
}

}  // namespace

int Orient2D(const ExactPoint& a, const ExactPoint& b, const ExactPoint& c, int i, int j)
{
    const int filtered = Orient2DQuick(a, b, c, i, j);
    if (filtered != 0) {
        return filtered;
    }
    if (CollinearByRecipe(a, b, c)) {
        return 0;
    }
    // The determinant of the rows (x, y, w): with every w > 0 its sign is
    // that of the orientation of (x/w, y/w).
    const Dyadic a0 = Numerator(a, i);
    const Dyadic a1 = Numerator(a, j);
    const Dyadic a2 = Denominator(a);
    const Dyadic b0 = Numerator(b, i);
    const Dyadic b1 = Numerator(b, j);
    const Dyadic b2 = Denominator(b);
    const Dyadic c0 = Numerator(c, i);
    const Dyadic c1 = Numerator(c, j);
    const Dyadic c2 = Denominator(c);
    const Dyadic det = a0 * (b1 * c2 - b2 * c1) - a1 * (b0 * c2 - b2 * c0) + a2 * (b0 * c1 - b1 * c0);
    return det.Sign();
}

}  // namespace meshaudit::arrangement
