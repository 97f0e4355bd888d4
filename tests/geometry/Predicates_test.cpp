// The orientation predicates: hand-checked signs, the classic grids where
// plain double evaluation fails, and thousands of nearly degenerate random
// configurations compared with exact rational arithmetic.
#include "geometry/Predicates.h"
#include "geometry/ExactReference.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace meshaudit {
namespace {

using testing::ExactOrient2DSign;
using testing::ExactOrient3DSign;
using testing::NudgeUlps;
using testing::RandomMagnitude;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int NaiveOrient2DSign(const double* a, const double* b, const double* c)
{
    const double det = (a[0] - c[0]) * (b[1] - c[1]) - (a[1] - c[1]) * (b[0] - c[0]);
    return (det > 0.0) - (det < 0.0);
}

int NaiveOrient3DSign(const double* a, const double* b, const double* c, const double* d)
{
    const double adx = a[0] - d[0], ady = a[1] - d[1], adz = a[2] - d[2];
    const double bdx = b[0] - d[0], bdy = b[1] - d[1], bdz = b[2] - d[2];
    const double cdx = c[0] - d[0], cdy = c[1] - d[1], cdz = c[2] - d[2];
    const double det = adz * (bdx * cdy - cdx * bdy) + bdz * (cdx * ady - adx * cdy) +
                       cdz * (adx * bdy - bdx * ady);
    return (det > 0.0) - (det < 0.0);
}

// ---- Hand-checked values ---------------------------------------------------

// The constants the error analysis was done for, bit for bit, both as loaded
// by the static initialiser and as computed afresh.
TEST(PredicateConstants, MatchTheTableBitForBit)
{
    const auto bits = [](double v) { return std::bit_cast<uint64_t>(v); };
    for (const PredicateConstants& k : {g_predicateConstants, ComputePredicateConstants()}) {
        EXPECT_EQ(bits(k.epsilon), bits(0x1p-53));
        EXPECT_EQ(bits(k.splitter), bits(0x1p27 + 1.0));
        EXPECT_EQ(bits(k.resultErrBound), bits(3.3306690738754706e-16));
        EXPECT_EQ(bits(k.ccwErrBoundA), bits(3.3306690738754716e-16));
        EXPECT_EQ(bits(k.ccwErrBoundB), bits(2.2204460492503146e-16));
        EXPECT_EQ(bits(k.ccwErrBoundC), bits(1.1093356479670487e-31));
        EXPECT_EQ(bits(k.o3dErrBoundA), bits(7.771561172376103e-16));
        EXPECT_EQ(bits(k.o3dErrBoundB), bits(3.330669073875473e-16));
        EXPECT_EQ(bits(k.o3dErrBoundC), bits(3.2047474274603644e-31));
    }
}

TEST(Orient2D, HandValuesAndTheSegmentForm)
{
    const double o[2] = {0, 0};
    const double x[2] = {1, 0};
    const double y[2] = {0, 1};
    EXPECT_EQ(Orient2D(o, x, y), 1.0);  // counterclockwise is positive
    EXPECT_EQ(Orient2D(o, y, x), -1.0);
    EXPECT_EQ(Orient2DSign(o, x, y), 1);
    EXPECT_EQ(Orient2DSign(o, y, x), -1);
    const double p[2] = {2, 0};
    const double q[2] = {0, 3};
    EXPECT_EQ(Orient2D(o, p, q), 6.0);  // twice the signed area
    // Repeated and collinear points give exactly zero.
    const double a[2] = {0.1, 0.2};
    const double b[2] = {0.3, 0.6};  // not exactly on a line through the origin
    EXPECT_EQ(Orient2D(a, b, a), 0.0);
    EXPECT_EQ(Orient2D(a, a, a), 0.0);
    const double d1[2] = {1, 1};
    const double d3[2] = {3, 3};
    const double far[2] = {1e15, 1e15};
    EXPECT_EQ(Orient2D(d1, d3, far), 0.0);
    // The segment form reads two consecutive points.
    const double segment[4] = {0, 0, 4, 0};
    const double left[2] = {1, 1};
    const double right[2] = {1, -1};
    const double on[2] = {9, 0};
    EXPECT_EQ(Orient2DSign(segment, left), 1);
    EXPECT_EQ(Orient2DSign(segment, right), -1);
    EXPECT_EQ(Orient2DSign(segment, on), 0);
}

// p = (0.5 + k 2^-53, 0.5 + m 2^-53) against (12, 12), (24, 24): the exact
// value is 12 (m - k) 2^-53, which plain doubles get wrong in places.
TEST(Orient2D, UlpGridNearALineHasTheExactSign)
{
    const double q[2] = {12, 12};
    const double r[2] = {24, 24};
    int naiveWrong = 0;
    for (int k = -32; k < 96; ++k) {
        for (int m = -32; m < 96; ++m) {
            const double p[2] = {0.5 + k * 0x1p-53, 0.5 + m * 0x1p-53};
            const int expected = (m > k) - (m < k);
            ASSERT_EQ(Orient2DSign(p, q, r), expected) << k << " " << m;
            if (k == m) {
                ASSERT_EQ(Orient2D(p, q, r), 0.0);
            }
            naiveWrong += NaiveOrient2DSign(p, q, r) != expected;
        }
    }
    EXPECT_GT(naiveWrong, 0) << "the grid no longer exercises the exact stages";
}

TEST(Orient3D, HandValuesAndTheTriangleForm)
{
    const double a[3] = {0, 0, 0};
    const double b[3] = {1, 0, 0};
    const double c[3] = {0, 1, 0};
    const double above[3] = {0, 0, 1};  // the normal (b - a) x (c - a) points here
    const double below[3] = {0, 0, -1};
    EXPECT_EQ(Orient3D(a, b, c, above), -1.0);
    EXPECT_EQ(Orient3D(a, b, c, below), 1.0);
    EXPECT_EQ(Orient3DSign(a, b, c, above), -1);
    EXPECT_EQ(Orient3DSign(a, b, c, below), 1);
    EXPECT_EQ(Orient3DSign(a, c, b, above), 1);  // swapping two corners flips the side
    const double inPlane[][3] = {{0, 0, 0}, {5, -7, 0}, {1e300, 3, 0}, {0.1, 0.3, 0}};
    for (const auto& d : inPlane) {
        EXPECT_EQ(Orient3D(a, b, c, d), 0.0);
    }
    const T3DVECF triangle[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    EXPECT_EQ(Orient3DSign(triangle, T3DVECF{0.2, 0.2, 1}), -1);
    EXPECT_EQ(Orient3DSign(triangle, T3DVECF{0.2, 0.2, -1}), 1);
    EXPECT_EQ(Orient3DSign(triangle, T3DVECF{7, 8, 0}), 0);
    EXPECT_EQ(Orient3DSign(triangle[0], triangle[2], triangle[1], T3DVECF{0, 0, 1}), 1);
}

// Corners around 1e6 on the plane 2x + 3y + 5z = K, a fourth point on it,
// then moved off it by one unit in the last place of one coordinate.
TEST(Orient3D, OneUlpOffALargePlaneHasTheSignOfTheDisplacement)
{
    const double a[3] = {1e6, 1e6, 1e6};
    const double b[3] = {1e6 + 5, 1e6, 1e6 - 2};      // 2*5 + 5*(-2) = 0
    const double c[3] = {1e6, 1e6 + 5, 1e6 - 3};      // 3*5 + 5*(-3) = 0
    const double d[3] = {1e6 + 10, 1e6 + 10, 1e6 - 10};  // 20 + 30 - 50 = 0
    ASSERT_EQ(Orient3D(a, b, c, d), 0.0);
    // (b - a) x (c - a) = (0*(-3) - (-2)*5, (-2)*0 - 5*(-3), 5*5 - 0) = (10, 15, 25):
    // moving d up any coordinate moves it to the normal's side (negative).
    for (int axis = 0; axis < 3; ++axis) {
        double up[3] = {d[0], d[1], d[2]};
        double down[3] = {d[0], d[1], d[2]};
        up[axis] = NudgeUlps(d[axis], 1);
        down[axis] = NudgeUlps(d[axis], -1);
        EXPECT_EQ(Orient3DSign(a, b, c, up), -1) << axis;
        EXPECT_EQ(Orient3DSign(a, b, c, down), 1) << axis;
        EXPECT_EQ(ExactOrient3DSign(a, b, c, up), -1);
        EXPECT_EQ(ExactOrient3DSign(a, b, c, down), 1);
    }
}

TEST(Orientation, NaNAndZerosGiveSignZero)
{
    for (int slot = 0; slot < 6; ++slot) {
        double p[6] = {0, 0, 1, 0, 0, 1};
        p[slot] = kNaN;
        EXPECT_EQ(Orient2DSign(p, p + 2, p + 4), 0) << slot;
        EXPECT_TRUE(std::isnan(Orient2D(p, p + 2, p + 4))) << slot;
    }
    for (int slot = 0; slot < 12; ++slot) {
        double p[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.2, 0.2, 1};
        p[slot] = kNaN;
        EXPECT_EQ(Orient3DSign(p, p + 3, p + 6, p + 9), 0) << slot;
        EXPECT_TRUE(std::isnan(Orient3D(p, p + 3, p + 6, p + 9))) << slot;
    }
    const T3DVECF triangle[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, kNaN}};
    EXPECT_EQ(Orient3DSign(triangle, T3DVECF{0, 0, 1}), 0);
    EXPECT_EQ(SignOf(kNaN), 0);
    EXPECT_EQ(SignOf(0.0), 0);
    EXPECT_EQ(SignOf(-0.0), 0);
    EXPECT_EQ(SignOf(1e-300), 1);
    EXPECT_EQ(SignOf(-1e-300), -1);
    EXPECT_EQ(SignOf(std::numeric_limits<double>::infinity()), 1);
}

// ---- Randomized comparison with rational arithmetic -------------------------

class RandomOrientation : public ::testing::Test {
protected:
    // 10^e for e uniform in [-3, 15].
    double Scale() { return std::pow(10.0, std::uniform_real_distribution<double>(-3, 15)(rng_)); }
    double Unit() { return std::uniform_real_distribution<double>(-1, 1)(rng_); }
    int Ulps() { return static_cast<int>(rng_() % 7) - 3; }
    std::mt19937_64 rng_{987654321};
};

// The third point interpolates the first two, moved by up to three ulps per coordinate.
TEST_F(RandomOrientation, NearlyCollinearPointsMatchRationalSigns)
{
    int errors = 0;
    int zeros = 0;
    int naiveWrong = 0;
    for (int i = 0; i < 20000; ++i) {
        const double offset = Scale();
        const double extent = Scale();
        double p[3][2];
        p[0][0] = offset * Unit();
        p[0][1] = offset * Unit();
        p[1][0] = p[0][0] + extent * Unit();
        p[1][1] = p[0][1] + extent * Unit();
        const double t = RandomMagnitude(rng_, -3, 1);
        p[2][0] = NudgeUlps(p[0][0] + t * (p[1][0] - p[0][0]), (i % 4 == 0) ? 0 : Ulps());
        p[2][1] = NudgeUlps(p[0][1] + t * (p[1][1] - p[0][1]), (i % 4 == 0) ? 0 : Ulps());
        // Every role permutation must agree with the exact sign.
        static const int kOrders[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1},
                                          {1, 0, 2}, {0, 2, 1}, {2, 1, 0}};
        const int order = i % 6;
        const double* a = p[kOrders[order][0]];
        const double* b = p[kOrders[order][1]];
        const double* c = p[kOrders[order][2]];
        const int exact = ExactOrient2DSign(a, b, c);
        const int sign = Orient2DSign(a, b, c);
        errors += sign != exact;
        zeros += exact == 0;
        naiveWrong += NaiveOrient2DSign(a, b, c) != exact;
        if (sign != exact) {
            ADD_FAILURE() << "case " << i << ": sign " << sign << ", exact " << exact;
        }
    }
    EXPECT_EQ(errors, 0);
    EXPECT_GT(zeros, 100);       // exactly collinear cases were generated
    EXPECT_GT(naiveWrong, 100);  // and many the plain formula gets wrong
}

// Four points near a plane: the fourth is a combination of the first three,
// rounded and moved by up to three ulps per coordinate.
TEST_F(RandomOrientation, NearlyCoplanarPointsMatchRationalSigns)
{
    int errors = 0;
    int zeros = 0;
    int naiveWrong = 0;
    for (int i = 0; i < 20000; ++i) {
        const double offset = Scale();
        double p[4][3];
        for (int k = 0; k < 3; ++k) {
            p[0][k] = offset * Unit();
        }
        for (int corner = 1; corner < 3; ++corner) {
            const double extent = Scale();
            for (int k = 0; k < 3; ++k) {
                p[corner][k] = p[0][k] + extent * Unit();
            }
        }
        const double u = RandomMagnitude(rng_, -3, 1);
        const double v = RandomMagnitude(rng_, -3, 1);
        for (int k = 0; k < 3; ++k) {
            const double onPlane = p[0][k] + u * (p[1][k] - p[0][k]) + v * (p[2][k] - p[0][k]);
            p[3][k] = NudgeUlps(onPlane, (i % 4 == 0) ? 0 : Ulps());
        }
        if (i % 5 == 0) {
            // A point exactly on an axis-aligned plane through two corners.
            for (int corner = 0; corner < 4; ++corner) {
                p[corner][2] = p[0][2];
            }
        }
        const int shift = i % 4;  // rotate which point plays d
        const double* a = p[shift];
        const double* b = p[(shift + 1) % 4];
        const double* c = p[(shift + 2) % 4];
        const double* d = p[(shift + 3) % 4];
        const int exact = ExactOrient3DSign(a, b, c, d);
        const int sign = Orient3DSign(a, b, c, d);
        errors += sign != exact;
        zeros += exact == 0;
        naiveWrong += NaiveOrient3DSign(a, b, c, d) != exact;
        if (sign != exact) {
            ADD_FAILURE() << "case " << i << ": sign " << sign << ", exact " << exact;
        }
    }
    EXPECT_EQ(errors, 0);
    EXPECT_GT(zeros, 100);
    EXPECT_GT(naiveWrong, 100);
}

// Points in general position at scales 1e-3 to 1e15, decided by the fast
// stage almost always; the exact comparison still has to hold.
TEST_F(RandomOrientation, GeneralPositionMatchesRationalSigns)
{
    for (int i = 0; i < 5000; ++i) {
        const double scale = Scale();
        double p[4][3];
        for (auto& point : p) {
            for (double& coordinate : point) {
                coordinate = scale * Unit();
            }
        }
        ASSERT_EQ(Orient2DSign(p[0], p[1], p[2]), ExactOrient2DSign(p[0], p[1], p[2])) << i;
        ASSERT_EQ(Orient3DSign(p[0], p[1], p[2], p[3]),
                  ExactOrient3DSign(p[0], p[1], p[2], p[3]))
            << i;
    }
}

// Tiny features far from the origin: the coordinate differences carry
// rounding tails in every coordinate, which only the last stage resolves.
TEST_F(RandomOrientation, SmallFeaturesFarFromTheOriginMatchRationalSigns)
{
    int errors = 0;
    for (int i = 0; i < 5000; ++i) {
        const double far = Scale() * 1e3;
        double base[3];
        for (double& coordinate : base) {
            coordinate = far * Unit();
        }
        double p[4][3];
        for (auto& point : p) {
            for (int k = 0; k < 3; ++k) {
                // Ulp-scale offsets around base.
                point[k] = NudgeUlps(base[k], static_cast<int>(rng_() % 9) - 4);
            }
        }
        errors += Orient3DSign(p[0], p[1], p[2], p[3]) != ExactOrient3DSign(p[0], p[1], p[2], p[3]);
        errors += Orient2DSign(p[0], p[1], p[2]) != ExactOrient2DSign(p[0], p[1], p[2]);
        // Mixed magnitudes: one point near the origin.
        const double small[3] = {1e-3 * Unit(), 1e-3 * Unit(), 1e-3 * Unit()};
        errors += Orient3DSign(p[0], p[1], small, p[3]) != ExactOrient3DSign(p[0], p[1], small, p[3]);
        errors += Orient2DSign(p[0], small, p[2]) != ExactOrient2DSign(p[0], small, p[2]);
    }
    EXPECT_EQ(errors, 0);
}

// Exactly degenerate points (on x = y) whose differences all round: the last stage's case.
TEST_F(RandomOrientation, DiagonalPointsOfMixedMagnitudesMatchRationalSigns)
{
    int errors = 0;
    int zeros = 0;
    for (int i = 0; i < 5000; ++i) {
        double p[4][3];
        for (auto& point : p) {
            point[0] = Scale() * Unit();
            point[1] = point[0];
            point[2] = Scale() * Unit();
        }
        if (i % 2 == 0) {
            p[i % 4][1] = NudgeUlps(p[i % 4][1], (i % 3 == 0) ? 1 : -1);
        }
        errors += Orient2DSign(p[0], p[1], p[2]) != ExactOrient2DSign(p[0], p[1], p[2]);
        errors += Orient3DSign(p[0], p[1], p[2], p[3]) != ExactOrient3DSign(p[0], p[1], p[2], p[3]);
        zeros += ExactOrient3DSign(p[0], p[1], p[2], p[3]) == 0;
    }
    EXPECT_EQ(errors, 0);
    EXPECT_GT(zeros, 1000);
}

}  // namespace
}  // namespace meshaudit
