// The error-free transformations and expansion routines, checked against
// rational arithmetic: every result must equal its input exactly and every
// expansion must be non-overlapping and increasing.
#include "geometry/ExactArithmetic.h"
#include "geometry/ExactReference.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>

namespace meshaudit {
namespace {

using namespace exact;
using testing::ExactSum;
using testing::RandomMagnitude;

// Exponent of the lowest set bit of a finite non-zero double.
int LowestBitExponent(double x)
{
    int exponent = 0;
    const double significand = std::frexp(std::fabs(x), &exponent);  // in [0.5, 1)
    return exponent - 53 + std::countr_zero(static_cast<uint64_t>(std::ldexp(significand, 53)));
}

int SignificantBits(double x)
{
    return x == 0.0 ? 0 : std::ilogb(x) - LowestBitExponent(x) + 1;
}

// Non-overlapping and increasing, zero components ignored.
bool IsExpansion(int length, const double* e)
{
    int previousHigh = INT32_MIN;
    for (int i = 0; i < length; ++i) {
        if (e[i] == 0.0) {
            continue;
        }
        if (LowestBitExponent(e[i]) <= previousHigh) {
            return false;
        }
        previousHigh = std::ilogb(e[i]);
    }
    return true;
}

class ExactArithmeticTest : public ::testing::Test {
protected:
    double Random() { return RandomMagnitude(rng_, -20.0, 20.0); }
    // Two doubles of close magnitudes, where sums lose the most bits.
    std::pair<double, double> ClosePair()
    {
        const double a = Random();
        const double scale = std::ldexp(1.0, static_cast<int>(rng_() % 80) - 40);
        return {a, a * scale * (1.0 + 1e-3 * RandomMagnitude(rng_, -3.0, 0.0))};
    }
    std::mt19937_64 rng_{20240611};
};

// Every error-free transformation: the rounded result and an exact tail.
TEST_F(ExactArithmeticTest, TransformationsAreExact)
{
    const auto q = [](double x) { return mpq_class(x); };
    for (int i = 0; i < 20000; ++i) {
        auto [a, b] = (i % 2 == 0) ? ClosePair() : std::pair{Random(), Random()};
        double x = 0.0, y = 0.0;
        TwoSum(a, b, x, y);
        ASSERT_EQ(x, a + b);
        ASSERT_EQ(q(x) + q(y), q(a) + q(b)) << a << " " << b;
        TwoDiff(a, b, x, y);
        ASSERT_EQ(x, a - b);
        ASSERT_EQ(q(x) + q(y), q(a) - q(b)) << a << " " << b;
        TwoProduct(a, b, x, y);
        ASSERT_EQ(x, a * b);
        ASSERT_EQ(q(x) + q(y), q(a) * q(b)) << a << " " << b;
        TwoSquare(a, x, y);
        ASSERT_EQ(x, a * a);
        ASSERT_EQ(q(x) + q(y), q(a) * q(a)) << a;
        Split(a, x, y);
        ASSERT_EQ(q(x) + q(y), q(a));
        ASSERT_LE(SignificantBits(x), 26) << a;  // two halves of at most 26 bits
        ASSERT_LE(SignificantBits(y), 26) << a;
        if (std::fabs(a) < std::fabs(b)) {
            std::swap(a, b);  // FastTwoSum needs the larger first
        }
        FastTwoSum(a, b, x, y);
        ASSERT_EQ(x, a + b);
        ASSERT_EQ(q(x) + q(y), q(a) + q(b)) << a << " " << b;

        double a1 = 0.0, a0 = 0.0, b1 = 0.0, b0 = 0.0;
        TwoProduct(Random(), Random(), a1, a0);
        TwoProduct(Random(), Random(), b1, b0);
        if (i % 3 == 0) {
            TwoProduct(a1 * (1.0 + 0x1p-40), 1.0 - 0x1p-30, b1, b0);  // near cancellation
        }
        double e[4];
        TwoTwoDiff(a1, a0, b1, b0, e[3], e[2], e[1], e[0]);
        ASSERT_EQ(ExactSum(4, e), q(a1) + q(a0) - q(b1) - q(b0));
        ASSERT_TRUE(IsExpansion(4, e));
        const double s = Random();
        TwoOneProduct(a1, a0, s, e[3], e[2], e[1], e[0]);
        ASSERT_EQ(ExactSum(4, e), (q(a1) + q(a0)) * q(s));
        ASSERT_TRUE(IsExpansion(4, e));
    }
    // A product with an exactly known error: (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60.
    double x = 0.0, y = 0.0;
    TwoProduct(1.0 + 0x1p-30, 1.0 + 0x1p-30, x, y);
    EXPECT_EQ(x, 1.0 + 0x1p-29);
    EXPECT_EQ(y, 0x1p-60);
}

TEST(ExactArithmetic, ExactCancellationAndEstimate)
{
    const double e[2] = {0x1p-60, 1.0};
    const double f[2] = {-0x1p-60, -1.0};
    double h[4] = {7.0, 7.0, 7.0, 7.0};
    ASSERT_EQ(FastExpansionSumZeroElim(2, e, 2, f, h), 1);  // one zero component
    EXPECT_EQ(h[0], 0.0);
    // 1 + 2^-60 + 2^-120 is a valid expansion; its estimate rounds to 1.
    const double g[3] = {0x1p-120, 0x1p-60, 1.0};
    EXPECT_EQ(Estimate(3, g), 1.0);
    const double k[2] = {-0.25, 3.0};
    EXPECT_EQ(Estimate(2, k), 2.75);
}

}  // namespace
}  // namespace meshaudit
