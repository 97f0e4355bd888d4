// Boxes, balls and projections: hand-checked tables, and the shortcut of
// BoxInsideBall against its definition on random boxes with NaN and infinities.
#include "geometry/Aabb.h"
#include "geometry/Projection.h"
#include "geometry/Sphere.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace meshaudit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

C3DAABB Box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    return C3DAABB{T3DVECF{x0, y0, z0}, T3DVECF{x1, y1, z1}};
}

bool SameBox(const C3DAABB& a, const C3DAABB& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(Aabb, ExtendCentreLongestAxisAndClassify)
{
    C3DAABB b;
    EXPECT_TRUE(SameBox(b, Box(DBL_MAX, DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX)));  // empty
    EXPECT_EQ(b.LongestAxis(), 'z');  // all extents infinite
    b.Extend(T3DVECF{1.5, -2.0, 3.0});
    EXPECT_TRUE(SameBox(b, Box(1.5, -2.0, 3.0, 1.5, -2.0, 3.0)));
    b.Extend(T3DVECF{kNaN, -7, kNaN});  // NaN is never taken
    EXPECT_TRUE(SameBox(b, Box(1.5, -7.0, 3.0, 1.5, -2.0, 3.0)));
    const T3DVECF pts[3] = {{0, 5, -1}, {2, -3, 4}, {1, 1, 1}};
    EXPECT_TRUE(SameBox(BoxOfPoints(pts, 3), Box(0, -3, -1, 2, 5, 4)));
    C3DAABB u;
    u.Extend(Box(0, 0, 0, 1, 1, 1));
    u.Extend(Box(-1, 0.5, 2, 0.5, 3, 2.5));
    EXPECT_TRUE(SameBox(u, Box(-1, 0, 0, 1, 3, 2.5)));
    const T3DVECF c = Box(-1, 2, 3, 3, 4, 3).Centre();
    EXPECT_TRUE(c.x == 1 && c.y == 3 && c.z == 3);

    // Ties go to the later axis.
    const struct {
        C3DAABB box;
        char axis;
    } axes[] = {{Box(0, 0, 0, 1, 1, 1), 'z'}, {Box(0, 0, 0, 2, 2, 1), 'y'}, {Box(0, 0, 0, 2, 1, 2), 'z'},
                {Box(0, 0, 0, 1, 2, 2), 'z'}, {Box(0, 0, 0, 3, 1, 2), 'x'}, {Box(0, 0, 0, 1, 3, 2), 'y'},
                {Box(5, 5, 5, 5, 5, 5), 'z'}, {Box(-4, 0, 0, -1, 1, 1), 'x'}};
    for (const auto& a : axes) {
        EXPECT_EQ(a.box.LongestAxis(), a.axis);
    }

    // '0' apart, 'r' sharing only boundary (a face, an edge, a corner, or flat
    // boxes in one plane), '1' overlapping.
    const C3DAABB unit = Box(0, 0, 0, 1, 1, 1);
    const struct {
        C3DAABB a, b;
        char expected;
    } pairs[] = {{unit, Box(2, 0, 0, 3, 1, 1), '0'},     {unit, Box(0, 0, -3, 1, 1, -0.5), '0'},
                 {unit, Box(0, 2, 0, 1, 3, 1), '0'},     {unit, Box(0.5, 0.5, 0.5, 2, 2, 2), '1'},
                 {unit, Box(0.25, 0.25, 0.25, 0.75, 0.75, 0.75), '1'}, {unit, unit, '1'},
                 {unit, Box(1, 0, 0, 2, 1, 1), 'r'},     {unit, Box(0, 1, 0, 1, 2, 1), 'r'},
                 {unit, Box(0, 0, 1, 1, 1, 2), 'r'},     {unit, Box(1, 1, 1, 2, 2, 2), 'r'},
                 {Box(0, 0, 0, 1, 1, 0), Box(0.2, 0.2, 0, 0.5, 0.5, 0), 'r'}};
    for (const auto& p : pairs) {
        EXPECT_EQ(ClassifyBoxes(p.a, p.b), p.expected);
        EXPECT_EQ(ClassifyBoxes(p.b, p.a), p.expected);
    }
}

TEST(Sphere, PointsAndBoxesAgainstBalls)
{
    const T3DSPHERE s{{0, 0, 0}, 5.0};
    EXPECT_EQ(ClassifyPointBall(T3DVECF{3, 4, 0}, s), 'r');  // exactly on the sphere
    EXPECT_EQ(ClassifyPointBall(T3DVECF{0, 0, -5}, s), 'r');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{3, 4, 0.001}, s), '0');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{1, 1, 1}, s), '1');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{kNaN, 0, 0}, s), '?');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{1, 1, 1}, T3DSPHERE{{0, 0, 0}, kNaN}), '?');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{3, 4, 0}, T3DSPHERE{{0, 0, 0}, -5.0}), 'r');  // only r^2 counts
    EXPECT_EQ(ClassifyPointBall(T3DVECF{0.1, 0.2, 0.3}, T3DSPHERE{{0.1, 0.2, 0.3}, 0.0}), 'r');
    EXPECT_EQ(ClassifyPointBall(T3DVECF{0.1, 0.2, std::nextafter(0.3, 1.0)}, T3DSPHERE{{0.1, 0.2, 0.3}, 0.0}), '0');

    const C3DAABB b = Box(1, 1, 1, 2, 2, 2);
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{0, 0, 0}, 1.0}), '0');
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{0, 0, 0}, std::sqrt(3.0) + 1e-9}), '1');
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{3, 3, 3}, std::sqrt(3.0) + 1e-9}), '1');
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{3, 3, 3}, std::sqrt(3.0) - 1e-9}), '0');
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{1.5, 1.5, 1.5}, 0.0}), '1');  // centre inside
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{1.5, 1.5, 5}, 3.0}), '1');    // touches a face
    EXPECT_EQ(BoxMeetsBall(b, T3DSPHERE{{1.5, 1.5, 5}, 2.5}), '0');
    EXPECT_EQ(BoxMeetsBall(C3DAABB{}, T3DSPHERE{{0, 0, 0}, 1e100}), '0');  // empty box
    const C3DAABB flat = Box(-3, -4, 0, 3, 4, 0);  // corners exactly on the sphere
    EXPECT_EQ(BoxInsideBall(flat, T3DSPHERE{{0, 0, 0}, 5.0}), '1');
    EXPECT_EQ(BoxInsideBall(flat, T3DSPHERE{{0, 0, 0}, 4.999999}), '0');
}

// BoxInsideBall classifies only the farthest corner; by definition no corner
// of the eight may be outside.
TEST(Sphere, BoxInsideBallAgreesWithTheEightCorners)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-2.0, 2.0);
    const double specials[4] = {kNaN, kInf, -kInf, 0.0};
    const auto value = [&]() {
        const uint64_t k = rng() % 41;
        return k < 4 ? specials[k] : u(rng);
    };
    int inside = 0;
    for (int n = 0; n < 100000; ++n) {
        C3DAABB b;
        b.Extend(T3DVECF{value(), value(), value()});
        b.Extend(T3DVECF{value(), value(), value()});
        b.min.x = rng() % 41 == 0 ? kNaN : b.min.x;  // not reachable through Extend, but must not matter
        const T3DSPHERE s{{value(), value(), value()}, rng() % 41 == 1 ? kNaN : u(rng) * 2.0};
        char expected = '1';
        for (int k = 0; k < 8; ++k) {
            const T3DVECF c{(k & 1) ? b.max.x : b.min.x, (k & 2) ? b.max.y : b.min.y, (k & 4) ? b.max.z : b.min.z};
            expected = ClassifyPointBall(c, s) == '0' ? '0' : expected;
        }
        ASSERT_EQ(BoxInsideBall(b, s), expected) << n;
        inside += expected == '1';
    }
    EXPECT_GT(inside, 1000);
}

// The dominant normal component is dropped, ties going to the earlier axis;
// the other two coordinates keep their cyclic order.
TEST(Projection, AxisAndCoordinateOrder)
{
    const struct {
        T3DVECF t[3];
        char axis;
    } cases[] = {
        {{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}, 'z'},    {{{2, 0, 0}, {2, 1, 0}, {2, 0, 1}}, 'x'},
        {{{0, -3, 0}, {0, -3, 1}, {1, -3, 0}}, 'y'}, {{{0, 0, 0}, {4, 0, 1}, {0, 4, 1}}, 'z'},   // (-4, -4, 16)
        {{{0, 0, 0}, {1, -1, 0}, {0, 0, 1}}, 'x'},   {{{0, 0, 0}, {1, 0, 0}, {0, 1, -1}}, 'y'},  // (-1, -1, 0), (0, 1, 1)
        {{{0, 0, 0}, {1, -1, 0}, {1, 0, -1}}, 'x'},  {{{1, 2, 3}, {2, 4, 6}, {3, 6, 9}}, 'x'},   // (1, 1, 1), collinear
        {{{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, 'x'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProjectionAxis(c.t), c.axis);
    }
    for (int k = 0; k < 9; ++k) {
        T3DVECF t[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        double* coordinates[3] = {&t[k / 3].x, &t[k / 3].y, &t[k / 3].z};
        *coordinates[k % 3] = kNaN;
        EXPECT_EQ(ProjectionAxis(t), '?') << k;
    }
    const T3DVECF points[2] = {{1, 2, 3}, {4, 5, 6}};
    const struct {
        char axis;
        double expected[4];
    } projections[] = {{'x', {2, 3, 5, 6}}, {'y', {3, 1, 6, 4}}, {'z', {1, 2, 4, 5}}};
    for (const auto& p : projections) {
        double flat[4];
        ProjectPoints(points, 2, p.axis, flat);
        double one[2];
        ProjectPoint(points[1], p.axis, one);
        EXPECT_TRUE(flat[0] == p.expected[0] && flat[1] == p.expected[1] && flat[2] == p.expected[2] &&
                    flat[3] == p.expected[3] && one[0] == p.expected[2] && one[1] == p.expected[3])
            << p.axis;
    }
}

}  // namespace
}  // namespace meshaudit
