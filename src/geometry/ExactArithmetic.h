// Error-free transformations of double arithmetic and the expansion arithmetic
// built on them, after J. R. Shewchuk, "Adaptive Precision Floating-Point
// Arithmetic and Fast Robust Geometric Predicates" (1997). Theorem numbers
// below refer to that paper.
//
// An expansion is an array of doubles whose exact (unrounded) sum is the value
// it stands for. Its components are non-overlapping (the lowest set bit of
// each is above the highest set bit of the one before) and sorted by
// increasing magnitude. The zero-eliminating routines drop zero components,
// except that a zero value keeps a single zero component, so an expansion is
// never empty.
//
// Everything here relies on IEEE 754 double arithmetic with round-to-nearest-
// even, no extended-precision intermediates and no fused multiply-add
// contraction. The first two hold for x86-64 (SSE2) and AArch64; the third
// only with -ffp-contract=off, which the build passes, since GCC and Clang
// fuse a * b + c wherever the target has the instruction, even in ISO C++
// mode. Overflow and underflow are outside the theorems; NaN and infinity
// only propagate.
#pragma once

#include "geometry/PredicateConstants.h"

// What the preprocessor can tell of the assumptions above: a build that
// breaks them would give wrong signs without a word, so it does not build.
#if defined(__FAST_MATH__)
#error "the exact predicates need IEEE arithmetic: build without -ffast-math"
#endif
#if defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ != 0
#error "the exact predicates need each double operation rounded to double: build for SSE2 or later"
#endif

#include <cmath>

namespace meshaudit::exact {

// ---- Sums and differences of two doubles -------------------------------

// x = fl(a + b) and y its rounding error, so that a + b = x + y exactly, for
// |a| >= |b|: the error of the rounded sum is then itself a double that
// b - (x - a) computes without rounding (Dekker's Fast-Two-Sum, Theorem 6).
inline void FastTwoSum(double a, double b, double& x, double& y)
{
    x = a + b;
    const double bVirtual = x - a;
    y = b - bVirtual;
}

// The rounding error of x = fl(a + b) for any order of magnitudes: the
// "virtual" parts of a and b that made it into x are recovered and their
// roundoffs summed, all exactly (Knuth's Two-Sum, Theorem 7).
inline double TwoSumTail(double a, double b, double x)
{
    const double bVirtual = x - a;
    const double aVirtual = x - bVirtual;
    const double bRoundoff = b - bVirtual;
    const double aRoundoff = a - aVirtual;
    return aRoundoff + bRoundoff;
}

// x = fl(a + b) and y its exact rounding error (Two-Sum, Theorem 7).
inline void TwoSum(double a, double b, double& x, double& y)
{
    x = a + b;
    y = TwoSumTail(a, b, x);
}

// The rounding error of x = fl(a - b): Two-Sum applied to a and -b, with the
// negation folded into the steps (Theorem 7).
inline double TwoDiffTail(double a, double b, double x)
{
    const double bVirtual = a - x;
    const double aVirtual = x + bVirtual;
    const double bRoundoff = bVirtual - b;
    const double aRoundoff = a - aVirtual;
    return aRoundoff + bRoundoff;
}

// x = fl(a - b) and y its exact rounding error, a - b = x + y (Theorem 7).
inline void TwoDiff(double a, double b, double& x, double& y)
{
    x = a - b;
    y = TwoDiffTail(a, b, x);
}

// ---- Products of two doubles --------------------------------------------

// Splits a into hi + lo = a where hi holds the upper 26 bits of the 53-bit
// significand and lo the rest (with its sign), each fitting in 26 bits, so
// that products of halves are exact (Veltkamp/Dekker splitting, Theorem 17).
inline void Split(double a, double& hi, double& lo)
{
    const double c = g_predicateConstants.splitter * a;
    const double aBig = c - a;
    hi = c - aBig;
    lo = a - hi;
}

// The rounding error of x = fl(a * b) when b is already split into bHi + bLo:
// the four partial products of the halves are exact, and subtracting them
// from x in decreasing size leaves the error exactly (Dekker's Two-Product,
// Theorem 18).
inline double TwoProductTailPresplit(double a, double bHi, double bLo, double x)
{
    double aHi = 0.0;
    double aLo = 0.0;
    Split(a, aHi, aLo);
    const double err1 = x - (aHi * bHi);
    const double err2 = err1 - (aLo * bHi);
    const double err3 = err2 - (aHi * bLo);
    return (aLo * bLo) - err3;
}

// x = fl(a * b) and y its exact rounding error, a * b = x + y (Theorem 18).
inline void TwoProduct(double a, double b, double& x, double& y)
{
    x = a * b;
    double bHi = 0.0;
    double bLo = 0.0;
    Split(b, bHi, bLo);
    y = TwoProductTailPresplit(a, bHi, bLo, x);
}

// Two-Product with b split once by the caller, for several products by the
// same factor (Theorem 18).
inline void TwoProductPresplit(double a, double b, double bHi, double bLo, double& x, double& y)
{
    x = a * b;
    y = TwoProductTailPresplit(a, bHi, bLo, x);
}

// x = fl(a * a) and y its exact rounding error: Two-Product with the two
// cross terms aHi * aLo merged into one (exact, a doubling) step (Theorem 18).
inline void TwoSquare(double a, double& x, double& y)
{
    x = a * a;
    double aHi = 0.0;
    double aLo = 0.0;
    Split(a, aHi, aLo);
    const double err1 = x - (aHi * aHi);
    const double err3 = err1 - ((aHi + aHi) * aLo);
    y = (aLo * aLo) - err3;
}

// ---- Small expansions, unrolled ------------------------------------------

// (a1 + a0) - b as the three-component expansion x2 + x1 + x0, for a two-
// component expansion a1 + a0: Grow-Expansion (Theorem 10) by -b, unrolled.
inline void TwoOneDiff(double a1, double a0, double b, double& x2, double& x1, double& x0)
{
    double i = 0.0;
    TwoDiff(a0, b, i, x0);
    TwoSum(a1, i, x2, x1);
}

// (a1 + a0) - (b1 + b0) as the four-component expansion x3 + x2 + x1 + x0:
// two Grow-Expansion steps (Theorem 10). Components may be zero.
inline void TwoTwoDiff(double a1, double a0, double b1, double b0,
                       double& x3, double& x2, double& x1, double& x0)
{
    double j = 0.0;
    double zero = 0.0;
    TwoOneDiff(a1, a0, b0, j, zero, x0);
    TwoOneDiff(j, zero, b1, x3, x2, x1);
}

// (a1 + a0) * b as the four-component expansion x3 + x2 + x1 + x0 for a two-
// component expansion a1 + a0: Scale-Expansion (Theorem 19) unrolled for
// two components, b split once.
inline void TwoOneProduct(double a1, double a0, double b,
                          double& x3, double& x2, double& x1, double& x0)
{
    double bHi = 0.0;
    double bLo = 0.0;
    Split(b, bHi, bLo);
    double i = 0.0;
    TwoProductPresplit(a0, b, bHi, bLo, i, x0);
    double j = 0.0;
    double zero = 0.0;
    TwoProductPresplit(a1, b, bHi, bLo, j, zero);
    double k = 0.0;
    TwoSum(i, zero, k, x1);
    FastTwoSum(j, k, x3, x2);
}

// ---- Expansions of any length --------------------------------------------

// A one-double approximation of an expansion: the plain sum of its
// components (the largest dominates, so this is within a few ulps).
inline double Estimate(int length, const double* e)
{
    double q = e[0];
    for (int i = 1; i < length; ++i) {
        q += e[i];
    }
    return q;
}

// h = e + f for two non-empty expansions; returns the length of h (at most
// eLength + fLength, at least 1). The components of both inputs are merged by
// increasing magnitude and accumulated into a running sum whose rounding
// errors become the components of h, zeros dropped. Because every new
// component is at least as large as everything below it, the errors come out
// non-overlapping and increasing (Fast-Expansion-Sum, Theorem 13). h must not
// alias e or f.
inline int FastExpansionSumZeroElim(int eLength, const double* e, int fLength, const double* f,
                                    double* h)
{
    int ei = 0;
    int fi = 0;
    // Next component by magnitude; ties and NaN take from f, both valid.
    const auto takeSmaller = [&]() -> double {
        if (fi == fLength || (ei < eLength && std::fabs(e[ei]) < std::fabs(f[fi]))) {
            return e[ei++];
        }
        return f[fi++];
    };

    double q = takeSmaller();
    int length = 0;
    const int total = eLength + fLength;
    for (int taken = 1; taken < total; ++taken) {
        const double next = takeSmaller();
        double sum = 0.0;
        double error = 0.0;
        if (taken == 1) {
            // The first two components are in magnitude order, so the cheaper
            // Fast-Two-Sum is exact; later the running sum may be the larger.
            FastTwoSum(next, q, sum, error);
        } else {
            TwoSum(q, next, sum, error);
        }
        q = sum;
        if (error != 0.0) {
            h[length++] = error;
        }
    }
    if (q != 0.0 || length == 0) {
        h[length++] = q;
    }
    return length;
}

// h = b * e for a non-empty expansion e; returns the length of h (at most
// 2 * eLength, at least 1). Each component's exact product (Two-Product) is
// added into the running value, and the two rounding errors per step, both
// below everything that follows, become components of h, zeros dropped
// (Scale-Expansion, Theorem 19). h must not alias e.
inline int ScaleExpansionZeroElim(int eLength, const double* e, double b, double* h)
{
    double bHi = 0.0;
    double bLo = 0.0;
    Split(b, bHi, bLo);
    double q = 0.0;
    double error = 0.0;
    TwoProductPresplit(e[0], b, bHi, bLo, q, error);
    int length = 0;
    if (error != 0.0) {
        h[length++] = error;
    }
    for (int i = 1; i < eLength; ++i) {
        double product1 = 0.0;
        double product0 = 0.0;
        TwoProductPresplit(e[i], b, bHi, bLo, product1, product0);
        double sum = 0.0;
        TwoSum(q, product0, sum, error);
        if (error != 0.0) {
            h[length++] = error;
        }
        FastTwoSum(product1, sum, q, error);
        if (error != 0.0) {
            h[length++] = error;
        }
    }
    if (q != 0.0 || length == 0) {
        h[length++] = q;
    }
    return length;
}

}  // namespace meshaudit::exact
