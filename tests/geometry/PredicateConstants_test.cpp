// The predicate constants must be bit-for-bit the IEEE double values that the
// error analysis of the adaptive predicates was done for.
#include "geometry/PredicateConstants.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

namespace meshaudit {
namespace {

uint64_t Bits(double value)
{
    return std::bit_cast<uint64_t>(value);
}

TEST(PredicateConstants, MatchTheTableBitForBit)
{
    const PredicateConstants& k = g_predicateConstants;
    EXPECT_EQ(Bits(k.epsilon), Bits(1.1102230246251565e-16));
    EXPECT_EQ(Bits(k.splitter), Bits(134217729.0));
    EXPECT_EQ(Bits(k.resultErrBound), Bits(3.3306690738754706e-16));
    EXPECT_EQ(Bits(k.ccwErrBoundA), Bits(3.3306690738754716e-16));
    EXPECT_EQ(Bits(k.ccwErrBoundB), Bits(2.2204460492503146e-16));
    EXPECT_EQ(Bits(k.ccwErrBoundC), Bits(1.1093356479670487e-31));
    EXPECT_EQ(Bits(k.o3dErrBoundA), Bits(7.771561172376103e-16));
    EXPECT_EQ(Bits(k.o3dErrBoundB), Bits(3.330669073875473e-16));
    EXPECT_EQ(Bits(k.o3dErrBoundC), Bits(3.2047474274603644e-31));
}

TEST(PredicateConstants, EpsilonAndSplitterArePowersOfTwo)
{
    EXPECT_EQ(g_predicateConstants.epsilon, 0x1p-53);
    EXPECT_EQ(g_predicateConstants.splitter, 0x1p27 + 1.0);
    // 1 + epsilon rounds to 1 (ties to even), 1 + 2 epsilon does not.
    const double epsilon = g_predicateConstants.epsilon;
    EXPECT_EQ(1.0 + epsilon, 1.0);
    EXPECT_NE(1.0 + 2.0 * epsilon, 1.0);
}

TEST(PredicateConstants, StaticInitialiserAgreesWithAFreshComputation)
{
    const PredicateConstants fresh = ComputePredicateConstants();
    const PredicateConstants& loaded = g_predicateConstants;
    EXPECT_EQ(Bits(fresh.epsilon), Bits(loaded.epsilon));
    EXPECT_EQ(Bits(fresh.splitter), Bits(loaded.splitter));
    EXPECT_EQ(Bits(fresh.resultErrBound), Bits(loaded.resultErrBound));
    EXPECT_EQ(Bits(fresh.ccwErrBoundA), Bits(loaded.ccwErrBoundA));
    EXPECT_EQ(Bits(fresh.ccwErrBoundB), Bits(loaded.ccwErrBoundB));
    EXPECT_EQ(Bits(fresh.ccwErrBoundC), Bits(loaded.ccwErrBoundC));
    EXPECT_EQ(Bits(fresh.o3dErrBoundA), Bits(loaded.o3dErrBoundA));
    EXPECT_EQ(Bits(fresh.o3dErrBoundB), Bits(loaded.o3dErrBoundB));
    EXPECT_EQ(Bits(fresh.o3dErrBoundC), Bits(loaded.o3dErrBoundC));
}

}  // namespace
}  // namespace meshaudit
