#include "containers/Keys.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace meshaudit {
namespace {

bool Equivalent(const T3DVECF& a, const T3DVECF& b)
{
    return !(a < b) && !(b < a);
}

// `keys` strictly ascending: every earlier key is less than every later one
// and none is less than itself.
template <typename Key>
void ExpectAscending(const std::vector<Key>& keys)
{
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_FALSE(keys[i] < keys[i]) << i;
        for (size_t j = i + 1; j < keys.size(); ++j) {
            EXPECT_TRUE(keys[i] < keys[j]) << i << " " << j;
            EXPECT_FALSE(keys[j] < keys[i]) << i << " " << j;
        }
    }
}

TEST(Keys, PointOrderIsLexicographic)
{
    const std::vector<T3DVECF> points = {{1, 2, 3}, {1, 2, 4}, {1, 3, 0}, {2, 0, 0}};
    ExpectAscending(points);
    for (size_t i = 0; i < points.size(); ++i) {
        const T3DVECF& a = points[i];
        EXPECT_TRUE(a <= a);
        EXPECT_TRUE(a >= a);
        for (size_t j = i + 1; j < points.size(); ++j) {
            const T3DVECF& b = points[j];
            EXPECT_TRUE(b > a);
            EXPECT_TRUE(a <= b);
            EXPECT_FALSE(b <= a);
            EXPECT_TRUE(b >= a);
            EXPECT_FALSE(a >= b);
        }
    }
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

TEST(Keys, SegmentTriangleAndIndexOrders)
{
    ExpectAscending(std::vector<T3DSEGMT>{
        {{0, 0, 0}, {1, 0, 0}}, {{0, 0, 0}, {1, 1, 0}}, {{0, 0, 1}, {0, 0, 0}}});
    const T3DSEGMT s{{0, 0, 0}, {1, 0, 0}}, minus{{-0.0, 0, 0}, {1, -0.0, 0}};
    EXPECT_FALSE(s < minus);
    EXPECT_FALSE(minus < s);
    // A smaller second corner decides although the third is larger.
    ExpectAscending(std::vector<T3DTRGL>{{{{0, 0, 0}, {0.5, 0, 0}, {9, 0, 0}}},
                                         {{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}},
                                         {{{0, 0, 0}, {1, 0, 0}, {2, 0, 1}}}});
    ExpectAscending(std::vector<T3DEDGE>{{1, 5}, {1, 0xFFFFFFFFu}, {2, 0}});
    ExpectAscending(std::vector<TRIANGLE>{
        {0, 1, 2}, {0, 1, 3}, {0, 1, 0xFFFFFFFFu}, {0, 2, 0}, {1, 0, 0}, {3, 3, 3}});
}

}  // namespace
}  // namespace meshaudit
