// The shared entry of the two repairs: reset, checks, copy, and what every
// failure leaves behind.
#include "containers/Memory.h"
#include "meshaudit.h"
#include "repair/RepairSupport.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace meshaudit {
namespace {

using testing::Output;
using testing::Snapshot;
using testing::TestMesh;

// Runs one repair; both exports under one signature.
using Repair = std::function<int32_t(const MeshRecord*, MeshRecord*)>;

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

bool IsReset(const MeshRecord& r)
{
    return r.points == nullptr && r.triangles == nullptr && r.pointCount == 0 && r.triangleCount == 0;
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

TEST(RepairEntry, NeverModifiesTheInput)
{
    TestMesh m = testing::ClusteredSoup(300, 0.05, 4);
    m.triangles[5] = TRIANGLE{7, 7, 8};
    const double tolerance = 0.04;
    for (const auto& [name, repair] : Repairs(&tolerance)) {
        SCOPED_TRACE(name);
        MeshRecord in = m.Record();
        const Snapshot before(in);
        Output out;
        ASSERT_EQ(repair(&in, &out.record), 0);
        EXPECT_TRUE(Snapshot(in) == before);
        EXPECT_NE(out.record.points, m.points.data());
        const TRIANGLE* copied = out.record.triangles;
        EXPECT_NE(copied, m.triangles.data());
    }
}

// Fails allocation k = 1, 2, ... of one repair until a run makes no failed
// allocation. The first two allocations are the copy (-5); every later one
// belongs to the repair itself (-6), which leaves the output holding the
// unrepaired copy. Every output goes back to clear_mesh, and the sanitizer
// build checks that nothing leaks.
void FailEveryAllocation(const Repair& repair, TestMesh& m)
{
    MeshRecord in = m.Record();
    const Snapshot input(in);
    uint64_t k = 1;
    for (;; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        Output out;
        const int32_t code = repair(&in, &out.record);
        const uint64_t failed = memory_testing::FailedAllocationCount();
        memory_testing::ResetAllocationCounter();
        EXPECT_TRUE(Snapshot(in) == input);
        if (failed == 0) {
            EXPECT_EQ(code, 0);
            break;
        }
        if (k <= 2) {
            EXPECT_EQ(code, -5) << "allocation " << k;
            EXPECT_EQ(out.record.pointCount, m.points.size());
            EXPECT_EQ(out.record.triangleCount, m.triangles.size());
            EXPECT_TRUE((out.record.points == nullptr) != (out.record.triangles == nullptr));
        } else {
            EXPECT_EQ(code, -6) << "allocation " << k;
            MeshRecord copy = out.record;
            EXPECT_TRUE(Snapshot(copy).points == input.points);
            EXPECT_TRUE(Snapshot(copy).triangles == input.triangles);
        }
        clear_mesh(&out.record);
        EXPECT_TRUE(IsReset(out.record));
    }
    EXPECT_GT(k, 3u);
}

TEST(RepairEntry, EveryFailedAllocationOfTheMergeIsReported)
{
    // Enough classes for the merged points to grow several times.
    TestMesh m = testing::ClusteredSoup(2000, 0.02, 6);
    const double tolerance = 0.01;
    FailEveryAllocation(Repairs(&tolerance)[0].second, m);
}

TEST(RepairEntry, EveryFailedAllocationOfTheFilterIsReported)
{
    TestMesh m = testing::ClusteredSoup(50, 0.02, 6);
    m.triangles[3] = TRIANGLE{1, 2, 1};
    FailEveryAllocation(Repairs(nullptr)[1].second, m);
}

}  // namespace
}  // namespace meshaudit
