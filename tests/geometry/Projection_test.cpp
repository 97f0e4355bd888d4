// Choice of the projection axis and the coordinate order of projections.
#include "geometry/Projection.h"

#include <gtest/gtest.h>

#include <limits>

namespace meshaudit {
namespace {

struct AxisCase {
    T3DVECF t[3];
    char expected;
    const char* normal;
};

// The dominant normal component is dropped; ties go to the earlier axis.
TEST(ProjectionAxis, DropsTheDominantNormalComponent)
{
    const AxisCase cases[] = {
        {{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}, 'z', "(0, 0, 1)"},
        {{{2, 0, 0}, {2, 1, 0}, {2, 0, 1}}, 'x', "(1, 0, 0)"},
        {{{0, -3, 0}, {0, -3, 1}, {1, -3, 0}}, 'y', "(0, 1, 0)"},
        {{{0, 0, 0}, {4, 0, 1}, {0, 4, 1}}, 'z', "(-4, -4, 16)"},
        {{{0, 0, 0}, {1, -1, 0}, {0, 0, 1}}, 'x', "(-1, -1, 0)"},
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, -1}}, 'y', "(0, 1, 1)"},
        {{{0, 0, 0}, {1, -1, 0}, {1, 0, -1}}, 'x', "(1, 1, 1)"},
        {{{1, 2, 3}, {2, 4, 6}, {3, 6, 9}}, 'x', "0, collinear"},
        {{{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, 'x', "0, one point"},
    };
    for (const AxisCase& c : cases) {
        EXPECT_EQ(ProjectionAxis(c.t), c.expected) << "normal " << c.normal;
    }
}

TEST(ProjectionAxis, NaNNormalIsUndefined)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int corner = 0; corner < 3; ++corner) {
        for (int axis = 0; axis < 3; ++axis) {
            T3DVECF t[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
            double* coordinates[3] = {&t[corner].x, &t[corner].y, &t[corner].z};
            *coordinates[axis] = nan;
            EXPECT_EQ(ProjectionAxis(t), '?') << corner << " " << axis;
        }
    }
}

TEST(ProjectPoint, KeepsTheRemainingCoordinatesInCyclicOrder)
{
    const T3DVECF p{1, 2, 3};
    double out[2];
    ProjectPoint(p, 'x', out);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 3);
    ProjectPoint(p, 'y', out);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 1);
    ProjectPoint(p, 'z', out);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], 2);

    const T3DVECF points[2] = {{1, 2, 3}, {4, 5, 6}};
    double flat[4];
    ProjectPoints(points, 2, 'y', flat);
    EXPECT_EQ(flat[0], 3);
    EXPECT_EQ(flat[1], 1);
    EXPECT_EQ(flat[2], 6);
    EXPECT_EQ(flat[3], 4);
}

}  // namespace
}  // namespace meshaudit
