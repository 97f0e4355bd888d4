// The shared entry of the two repairs: reset, checks, copy, and what every
// failure leaves behind.
#include "meshaudit.h"
#include "repair/RepairSupport.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace meshaudit {
namespace {

using testing::IsReset;
using testing::Output;
using testing::Repair;
using testing::TestMesh;

std::vector<std::pair<const char*, Repair>> Repairs(const double* tolerance)
{
    return {{"merge",
             [tolerance](const MeshRecord* in, MeshRecord* out) {
                 return removeDuplicatedGeometricalPoints(in, tolerance, out);
             }},
            {"filter", [](const MeshRecord* in, MeshRecord* out) {
                 return removeInvalidTopologicalTriangles(in, out);
             }}};
}

TEST(RepairEntry, RejectsIncompleteInputInTheFixedOrder)
{
    TestMesh m = testing::Tetrahedron();
    const double tolerance = 0.1;
    for (const auto& [name, repair] : Repairs(&tolerance)) {
        SCOPED_TRACE(name);
        struct Case {
            MeshRecord in;
            int32_t code;
        };
        T3DVECF* p = m.points.data();
        TRIANGLE* t = m.triangles.data();
        const Case cases[] = {
            {{nullptr, 0, nullptr, 0}, -1},  // pointers before counts
            {{nullptr, 4, t, 4}, -1},
            {{p, 0, nullptr, 0}, -2},
            {{p, 4, nullptr, 4}, -2},
            {{p, 0, t, 0}, -3},
            {{p, 0, t, 4}, -3},
            {{p, 4, t, 0}, -4},
        };
        for (const Case& c : cases) {
            Output out;
            EXPECT_EQ(repair(&c.in, &out.record), c.code);
            EXPECT_TRUE(IsReset(out.record));  // reset before the checks
        }
        Output out;
        EXPECT_EQ(repair(nullptr, &out.record), -1);
        EXPECT_TRUE(IsReset(out.record));
        MeshRecord in = m.Record();
        EXPECT_EQ(repair(&in, nullptr), -1);
    }
    Output out;
    MeshRecord in = m.Record();
    EXPECT_EQ(removeDuplicatedGeometricalPoints(&in, nullptr, &out.record), -1);
    EXPECT_TRUE(IsReset(out.record));
}

// Also the unfailing run: input untouched, output in arrays of its own.
TEST(RepairEntry, EveryFailedAllocationIsReported)
{
    // Enough classes for the merged points to grow several times.
    TestMesh soup = testing::ClusteredSoup(2000, 0.02, 6);
    const double tolerance = 0.01;
    testing::FailEveryAllocation(Repairs(&tolerance)[0].second, soup);
    TestMesh small = testing::ClusteredSoup(50, 0.02, 6);
    small.triangles[3] = TRIANGLE{1, 2, 1};
    testing::FailEveryAllocation(Repairs(nullptr)[1].second, small);
}

}  // namespace
}  // namespace meshaudit
