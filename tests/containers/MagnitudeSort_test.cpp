// The radix sort by magnitude against a stable comparison sort, bit for bit,
// on values full of ties of both signs, zeros of both signs, infinities,
// subnormals and NaN with different payloads.
#include "containers/MagnitudeSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

// Ascending magnitude, every NaN after every number and equal to any other.
bool MagnitudeLess(double a, double b)
{
    if (std::isnan(a)) {
        return false;
    }
    if (std::isnan(b)) {
        return true;
    }
    return std::fabs(a) < std::fabs(b);
}

double FromBits(uint64_t bits)
{
    double x = 0.0;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

double RandomValue(std::mt19937_64& random, const std::vector<double>& pool)
{
    switch (random() % 8) {
    case 0:
        return pool[random() % pool.size()];
    case 1:
        return -pool[random() % pool.size()];
    case 2:
        return FromBits(random());  // any pattern: NaN, subnormal, huge, tiny
    case 3:
        return std::ldexp(static_cast<double>(random() % 1000) - 500.0,
                          static_cast<int>(random() % 200) - 100);
    default:
        return static_cast<double>(static_cast<int64_t>(random() % 21) - 10) * 0.25;
    }
}

TEST(MagnitudeSort, EqualsAStableComparisonSortBitForBit)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> pool = {0.0,
                                      -0.0,
                                      inf,
                                      std::numeric_limits<double>::quiet_NaN(),
                                      FromBits(0xFFF8000000000001ull),
                                      FromBits(0x7FF0000000000001ull),
                                      std::numeric_limits<double>::denorm_min(),
                                      std::numeric_limits<double>::min(),
                                      std::numeric_limits<double>::max(),
                                      1.0,
                                      0.1};
    std::mt19937_64 random(4242);
    for (int round = 0; round < 300; ++round) {
        const size_t n = round < 20 ? static_cast<size_t>(round) : 1 + random() % 3000;
        std::vector<double> values(n);
        for (double& v : values) {
            v = RandomValue(random, pool);
        }
        std::vector<double> expected = values;
        std::stable_sort(expected.begin(), expected.end(), MagnitudeLess);
        std::vector<double> scratch(n);
        SortByMagnitude(values.data(), scratch.data(), static_cast<uint32_t>(n));
        ASSERT_TRUE(n == 0 ||
                    std::memcmp(values.data(), expected.data(), n * sizeof(double)) == 0)
            << "round " << round << ", n " << n;
    }
}

TEST(MagnitudeSort, KeepsTiesOfBothSignsInTheirOrder)
{
    std::vector<double> values = {2.0, -1.0, 1.0, -0.0, 0.5, 0.0, -2.0, -1.0};
    std::vector<double> scratch(values.size());
    SortByMagnitude(values.data(), scratch.data(), static_cast<uint32_t>(values.size()));
    const std::vector<double> expected = {-0.0, 0.0, 0.5, -1.0, 1.0, -1.0, 2.0, -2.0};
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i], expected[i]) << i;
        EXPECT_EQ(std::signbit(values[i]), std::signbit(expected[i])) << i;
    }
}

}  // namespace
}  // namespace meshaudit
