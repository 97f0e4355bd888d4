// The orientation predicates: hand-checked values and conventions, and
// nearly degenerate random configurations at every scale compared with
// exact rational arithmetic.
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

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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

// Values by hand: twice the signed area / six times the signed volume, the
// sign conventions of every overload, and NaN giving NaN and sign 0 (the
// signs of degenerate points are checked below against rational ones).
TEST(Orientation, HandValuesOverloadsAndNaN)
{
    const double a[3] = {0, 0, 0}, b[3] = {2, 0, 0}, c[3] = {0, 3, 0}, above[3] = {0, 0, 1};
    EXPECT_EQ(Orient2D(a, b, c), 6.0);
    EXPECT_EQ(Orient2D(a, c, b), -6.0);
    const double segment[4] = {0, 0, 2, 0};
    EXPECT_EQ(Orient2DSign(segment, c), 1);
    EXPECT_EQ(Orient3D(a, b, c, above), -6.0);  // (b - a) x (c - a) points up
    EXPECT_EQ(Orient3D(a, c, b, above), 6.0);
    const T3DVECF triangle[3] = {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}};
    EXPECT_EQ(Orient3DSign(triangle, T3DVECF{0.2, 0.2, 1}), -1);
    EXPECT_EQ(Orient3DSign(triangle[0], triangle[2], triangle[1], T3DVECF{0, 0, 1}), 1);

    for (int slot = 0; slot < 12; ++slot) {
        double p[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.2, 0.2, 1};
        p[slot] = kNaN;
        EXPECT_EQ(Orient3DSign(p, p + 3, p + 6, p + 9), 0) << slot;
        EXPECT_TRUE(std::isnan(Orient3D(p, p + 3, p + 6, p + 9))) << slot;
        if (slot < 6) {
            EXPECT_EQ(Orient2DSign(p, p + 2, p + 4), 0) << slot;
            EXPECT_TRUE(std::isnan(Orient2D(p, p + 2, p + 4))) << slot;
        }
    }
    EXPECT_EQ(SignOf(kNaN), 0);
    EXPECT_EQ(SignOf(-0.0), 0);
    EXPECT_EQ(SignOf(1e-300), 1);
    EXPECT_EQ(SignOf(-1e-300), -1);
}

// Four kinds of nearly degenerate points, at scales 1e-3 to 1e15, against
// rational signs: the last point near the plane (and line) of the others
// within a few ulps; points on an axis-aligned plane; ulp-scale features far
// from the origin with one point near it; exactly degenerate points on x = y
// whose differences all round. Every stage of both predicates is reached.
TEST(Orientation, NearlyDegeneratePointsMatchRationalSigns)
{
    std::mt19937_64 rng(987654321);
    const auto unit = [&]() { return std::uniform_real_distribution<double>(-1, 1)(rng); };
    const auto scale = [&]() { return std::pow(10.0, std::uniform_real_distribution<double>(-3, 15)(rng)); };
    const auto ulps = [&](int spread) { return static_cast<int>(rng() % (2 * spread + 1)) - spread; };
    int zeros = 0;
    for (int i = 0; i < 20000; ++i) {
        double p[4][3];
        const int kind = i % 4;
        if (kind < 2) {
            const double offset = scale();
            for (int k = 0; k < 3; ++k) {
                p[0][k] = offset * unit();
            }
            for (int corner = 1; corner < 3; ++corner) {
                const double extent = scale();
                for (int k = 0; k < 3; ++k) {
                    p[corner][k] = p[0][k] + extent * unit();
                }
            }
            const double u = unit() * std::pow(10.0, std::uniform_real_distribution<double>(-3, 1)(rng));
            const double v = kind == 0 ? 0.0 : unit() * std::pow(10.0, std::uniform_real_distribution<double>(-3, 1)(rng));
            for (int k = 0; k < 3; ++k) {
                const double on = p[0][k] + u * (p[1][k] - p[0][k]) + v * (p[2][k] - p[0][k]);
                p[3][k] = NudgeUlps(on, i % 8 < 2 ? 0 : ulps(3));
                p[2][k] = kind == 0 ? p[3][k] : p[2][k];  // 2D: the third point near the line
            }
            if (i % 5 == 0) {
                for (auto& point : p) {
                    point[i / 5 % 3] = p[0][i / 5 % 3];  // on a plane across x, y or z
                }
            }
        } else if (kind == 2) {
            const double far = scale() * 1e3;
            const double base[3] = {far * unit(), far * unit(), far * unit()};
            for (auto& point : p) {
                for (int k = 0; k < 3; ++k) {
                    point[k] = NudgeUlps(base[k], ulps(4));
                }
            }
            if (i % 8 == 2) {
                for (double& coordinate : p[2]) {
                    coordinate = 1e-3 * unit();
                }
            }
        } else {
            for (auto& point : p) {
                point[0] = scale() * unit();
                point[1] = point[0];
                point[2] = scale() * unit();
            }
            if (i % 8 == 3) {
                p[i % 4][1] = NudgeUlps(p[i % 4][1], 1);
            }
        }
        // Rotate the roles, so that each point plays the last one.
        const int s = (i / 4) % 4;
        const double* a = p[s];
        const double* b = p[(s + 1) % 4];
        const double* c = p[(s + 2) % 4];
        const double* d = p[(s + 3) % 4];
        const int exact3 = ExactOrient3DSign(a, b, c, d);
        ASSERT_EQ(Orient3DSign(a, b, c, d), exact3) << i;
        ASSERT_EQ(Orient2DSign(a, b, c), ExactOrient2DSign(a, b, c)) << i;
        ASSERT_EQ(Orient2DSign(b, c, d), ExactOrient2DSign(b, c, d)) << i;
        zeros += exact3 == 0;
    }
    EXPECT_GT(zeros, 1000);
}

}  // namespace
}  // namespace meshaudit
