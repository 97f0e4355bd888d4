#include "geometry/Aabb.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace meshaudit {
namespace {

C3DAABB Box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    C3DAABB b;
    b.min = T3DVECF{x0, y0, z0};
    b.max = T3DVECF{x1, y1, z1};
    return b;
}

void ExpectBox(const C3DAABB& b, double x0, double y0, double z0, double x1, double y1, double z1)
{
    EXPECT_EQ(b.min.x, x0);
    EXPECT_EQ(b.min.y, y0);
    EXPECT_EQ(b.min.z, z0);
    EXPECT_EQ(b.max.x, x1);
    EXPECT_EQ(b.max.y, y1);
    EXPECT_EQ(b.max.z, z1);
}

TEST(Aabb, ExtendByPointsAndBoxesNeverTakesNaN)
{
    C3DAABB b;
    ExpectBox(b, DBL_MAX, DBL_MAX, DBL_MAX, -DBL_MAX, -DBL_MAX, -DBL_MAX);  // empty
    b.Extend(T3DVECF{1.5, -2.0, 3.0});
    ExpectBox(b, 1.5, -2.0, 3.0, 1.5, -2.0, 3.0);  // the first point alone
    const double nan = std::numeric_limits<double>::quiet_NaN();
    b.Extend(T3DVECF{nan, -7, nan});
    ExpectBox(b, 1.5, -7.0, 3.0, 1.5, -2.0, 3.0);

    const T3DVECF pts[3] = {{0, 5, -1}, {2, -3, 4}, {1, 1, 1}};
    ExpectBox(BoxOfPoints(pts, 3), 0, -3, -1, 2, 5, 4);
    C3DAABB u;
    u.Extend(Box(0, 0, 0, 1, 1, 1));
    u.Extend(Box(-1, 0.5, 2, 0.5, 3, 2.5));
    ExpectBox(u, -1, 0, 0, 1, 3, 2.5);
    const T3DVECF c = Box(-1, 2, 3, 3, 4, 3).Centre();
    EXPECT_EQ(c.x, 1);
    EXPECT_EQ(c.y, 3);
    EXPECT_EQ(c.z, 3);
}

TEST(Aabb, LongestAxisTiesGoToTheLaterAxis)
{
    EXPECT_EQ(Box(0, 0, 0, 1, 1, 1).LongestAxis(), 'z');  // cube
    EXPECT_EQ(Box(0, 0, 0, 2, 2, 1).LongestAxis(), 'y');
    EXPECT_EQ(Box(0, 0, 0, 2, 1, 2).LongestAxis(), 'z');
    EXPECT_EQ(Box(0, 0, 0, 1, 2, 2).LongestAxis(), 'z');
    EXPECT_EQ(Box(0, 0, 0, 3, 1, 2).LongestAxis(), 'x');
    EXPECT_EQ(Box(0, 0, 0, 1, 3, 2).LongestAxis(), 'y');
    EXPECT_EQ(Box(5, 5, 5, 5, 5, 5).LongestAxis(), 'z');  // a point
    EXPECT_EQ(Box(-4, 0, 0, -1, 1, 1).LongestAxis(), 'x');
    EXPECT_EQ(C3DAABB{}.LongestAxis(), 'z');  // empty: all extents infinite
}

TEST(Aabb, ClassifyBoxesApartOverlappingAndTouching)
{
    const C3DAABB unit = Box(0, 0, 0, 1, 1, 1);
    EXPECT_EQ(ClassifyBoxes(unit, Box(2, 0, 0, 3, 1, 1)), '0');
    EXPECT_EQ(ClassifyBoxes(unit, Box(0, 0, -3, 1, 1, -0.5)), '0');
    EXPECT_EQ(ClassifyBoxes(Box(0, 0, -3, 1, 1, -0.5), unit), '0');
    EXPECT_EQ(ClassifyBoxes(unit, Box(0.5, 0.5, 0.5, 2, 2, 2)), '1');
    EXPECT_EQ(ClassifyBoxes(unit, Box(0.25, 0.25, 0.25, 0.75, 0.75, 0.75)), '1');  // contained
    EXPECT_EQ(ClassifyBoxes(unit, unit), '1');
    // Sharing a face, an edge or only a corner.
    EXPECT_EQ(ClassifyBoxes(unit, Box(1, 0, 0, 2, 1, 1)), 'r');
    EXPECT_EQ(ClassifyBoxes(unit, Box(1, 1, 0, 2, 2, 1)), 'r');
    EXPECT_EQ(ClassifyBoxes(unit, Box(1, 1, 1, 2, 2, 2)), 'r');
    EXPECT_EQ(ClassifyBoxes(Box(-1, -1, -1, 0, 0, 0), unit), 'r');
    // Flat boxes (a triangle in a coordinate plane) touch in that plane.
    EXPECT_EQ(ClassifyBoxes(Box(0, 0, 0, 1, 1, 0), Box(0.2, 0.2, 0, 0.5, 0.5, 0)), 'r');
}

}  // namespace
}  // namespace meshaudit
