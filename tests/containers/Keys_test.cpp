#include "containers/Keys.h"

#include <gtest/gtest.h>

#include <limits>

namespace meshaudit {
namespace {

bool Equivalent(const T3DVECF& a, const T3DVECF& b)
{
    return !(a < b) && !(b < a);
}

TEST(Keys, PointOrderIsLexicographic)
{
    const T3DVECF a{1, 2, 3}, b{1, 2, 4}, c{1, 3, 0}, d{2, 0, 0};
    EXPECT_TRUE(a < b);
    EXPECT_TRUE(b < c);
    EXPECT_TRUE(c < d);
    EXPECT_TRUE(a < d);
    EXPECT_FALSE(b < a);
    EXPECT_FALSE(d < c);
    EXPECT_FALSE(a < a);
    EXPECT_TRUE(d > a);
    EXPECT_TRUE(a <= a);
    EXPECT_TRUE(a <= b);
    EXPECT_FALSE(b <= a);
    EXPECT_TRUE(b >= a);
    EXPECT_TRUE(a >= a);
}

TEST(Keys, SignedZerosAreEquivalentAndEqual)
{
    const T3DVECF plus{0, 0, 0}, minus{-0.0, 0, -0.0};
    EXPECT_TRUE(Equivalent(plus, minus));
    EXPECT_TRUE(plus == minus);
}

TEST(Keys, NanStopsTheComparison)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Agreeing before the NaN coordinate: equivalent whatever follows.
    EXPECT_TRUE(Equivalent(T3DVECF{1, nan, 5}, T3DVECF{1, 2, -7}));
    EXPECT_TRUE(Equivalent(T3DVECF{nan, 0, 0}, T3DVECF{4, 4, 4}));
    // A difference before the NaN still decides.
    EXPECT_TRUE((T3DVECF{0, nan, 0} < T3DVECF{1, 0, 0}));
    EXPECT_FALSE((T3DVECF{nan, 0, 0} == T3DVECF{nan, 0, 0}));
    // The derived relations follow <, not ==.
    EXPECT_TRUE((T3DVECF{nan, 0, 0} <= T3DVECF{1, 0, 0}));
    EXPECT_TRUE((T3DVECF{nan, 0, 0} >= T3DVECF{1, 0, 0}));
}

TEST(Keys, SegmentOrder)
{
    const T3DSEGMT s{{0, 0, 0}, {1, 0, 0}}, t{{0, 0, 0}, {1, 1, 0}}, u{{0, 0, 1}, {0, 0, 0}};
    EXPECT_TRUE(s < t);
    EXPECT_TRUE(t < u);
    EXPECT_FALSE(u < s);
    const T3DSEGMT minus{{-0.0, 0, 0}, {1, -0.0, 0}};
    EXPECT_FALSE(s < minus);
    EXPECT_FALSE(minus < s);
}

TEST(Keys, TriangleCornerOrder)
{
    const T3DTRGL a{{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}};
    T3DTRGL b = a;
    b.corner[2].z = 1;
    T3DTRGL c = a;
    c.corner[1].x = 0.5;  // smaller second corner decides although third is larger
    c.corner[2].x = 9;
    EXPECT_TRUE(a < b);
    EXPECT_TRUE(c < a);
    EXPECT_FALSE(a < a);
}

TEST(Keys, IndexKeysAreUnsignedLexicographic)
{
    EXPECT_TRUE((T3DEDGE{1, 5} < T3DEDGE{2, 0}));
    EXPECT_TRUE((T3DEDGE{1, 5} < T3DEDGE{1, 0xFFFFFFFFu}));
    EXPECT_FALSE((T3DEDGE{1, 5} < T3DEDGE{1, 5}));
    EXPECT_TRUE((TRIANGLE{0, 1, 2} < TRIANGLE{0, 1, 3}));
    EXPECT_TRUE((TRIANGLE{0, 2, 0} < TRIANGLE{1, 0, 0}));
    EXPECT_TRUE((TRIANGLE{0, 1, 0xFFFFFFFFu} < TRIANGLE{0, 2, 0}));
    EXPECT_FALSE((TRIANGLE{3, 3, 3} < TRIANGLE{3, 3, 3}));
}

}  // namespace
}  // namespace meshaudit
