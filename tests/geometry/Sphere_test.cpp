#include "geometry/Sphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace meshaudit {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(Sphere, ClassifyPointBall)
{
    const T3DSPHERE s{{0, 0, 0}, 5.0};
    EXPECT_EQ(ClassifyPointBall(T3DVECF{3, 4, 0}, s), 'r');  // exactly on the sphere
    EXPECT_EQ(ClassifyPointBall(T3DVECF{0, 0, -5}, s), 'r');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{3, 4, 0.001}, s), '0');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{1, 1, 1}, s), '1');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{kNaN, 0, 0}, s), '?');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{1, 1, 1}, T3DSPHERE{{0, 0, 0}, kNaN}), '?');
    // Only the square of the radius matters.
    EXPECT_EQ(ClassifyPointBall(T3DVECF{3, 4, 0}, T3DSPHERE{{0, 0, 0}, -5.0}), 'r');
    // Radius 0: only the centre itself.
    EXPECT_EQ(ClassifyPointBall(T3DVECF{0.1, 0.2, 0.3}, T3DSPHERE{{0.1, 0.2, 0.3}, 0.0}), 'r');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{0.1, 0.2, std::nextafter(0.3, 1.0)}, T3DSPHERE{{0.1, 0.2, 0.3}, 0.0}),
              '0');
}

TEST(Sphere, BoxAgainstBallHandCases)
{
    C3DAABB b;
    b.min = T3DVECF{1, 1, 1};
    b.max = T3DVECF{2, 2, 2};
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{0, 0, 0}, 1.0}), '0');
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{0, 0, 0}, std::sqrt(3.0) + 1e-9}), '1');
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{1.5, 1.5, 1.5}, 0.0}), '1');  // centre inside
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{1.5, 1.5, 5}, 3.0}), '1');    // touches a face
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{1.5, 1.5, 5}, 2.5}), '0');
    EXPECT_EQ(BoxMeetsBall(C3DAABB{}, T3DSPHERE{{0, 0, 0}, 1e100}), '0');  // empty box
    // BoxInsideBall with corners exactly on the sphere.
    const C3DAABB flat{T3DVECF{-3, -4, 0}, T3DVECF{3, 4, 0}};
    EXPECT_EQ(BoxInsideBall(flat, T3DSPHERE{{0, 0, 0}, 5.0}), '1');
    EXPECT_EQ(BoxInsideBall(flat, T3DSPHERE{{0, 0, 0}, 4.999999}), '0');
}

// ClassifyPointBall on each of the eight corners.
char InsideByCorners(const C3DAABB& b, const T3DSPHERE& s)
{
    for (int k = 0; k < 8; ++k) {
        const T3DVECF c{(k & 1) ? b.max.x : b.min.x, (k & 2) ? b.max.y : b.min.y,
                        (k & 4) ? b.max.z : b.min.z};
        if (ClassifyPointBall(c, s) == '0') {
            return '0';
        }
    }
    return '1';
}

TEST(Sphere, BoxInsideBallAgreesWithTheEightCorners)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-2.0, 2.0);
    std::uniform_int_distribution<int> special(0, 40);
    const double specials[4] = {kNaN, kInf, -kInf, 0.0};
    auto value = [&]() {
        const int k = special(rng);
        return k < 4 ? specials[k] : u(rng);
    };
    int inside = 0;
    for (int n = 0; n < 200000; ++n) {
        C3DAABB b;
        b.Extend(T3DVECF{value(), value(), value()});
        b.Extend(T3DVECF{value(), value(), value()});
        if (special(rng) == 0) {
            b.min.x = kNaN;  // not reachable through Extend, but must not matter
        }
        const T3DSPHERE s{{value(), value(), value()}, special(rng) == 1 ? kNaN : u(rng) * 2.0};
        const char expected = InsideByCorners(b, s);
        ASSERT_EQ(BoxInsideBall(b, s), expected) << n;
        inside += expected == '1';
    }
    EXPECT_GT(inside, 1000);  // the comparison saw both answers often
}

}  // namespace
}  // namespace meshaudit
