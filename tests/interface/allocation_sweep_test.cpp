// Every allocation of a full analysis and of each repair made to fail in
// turn: each call must still return, and every slot must hold either the
// value of an unfailing run or a failure mark that the failed allocation
// explains. LeakSanitizer (the sanitizer build) checks that nothing leaks.
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

struct AllResults {
    PointResults points;
    EdgeResults edges;
    TriangleResults triangles;
    MeshResults mesh;
};

// A category's result block in `r`, and its size.
std::pair<const uint8_t*, size_t> BlockOf(const AllResults& r, Category category)
{
    const auto bytes = [](const auto& block) {
        return std::pair<const uint8_t*, size_t>(reinterpret_cast<const uint8_t*>(&block), sizeof block);
    };
    return category == Category::Points      ? bytes(r.points)
           : category == Category::Edges     ? bytes(r.edges)
           : category == Category::Triangles ? bytes(r.triangles)
                                             : bytes(r.mesh);
}

template <typename T>
T At(const uint8_t* block, size_t offset)
{
    T value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

// The default settings, with every Enable byte 1 (the unused ones too) when
// `everything`.
void SetSettings(bool everything)
{
    PointSettings p = DefaultPointSettings();
    EdgeSettings e = DefaultEdgeSettings();
    TriangleSettings t = DefaultTriangleSettings();
    MeshSettings m = DefaultMeshSettings();
    if (everything) {
        std::memset(p.Enable, 1, sizeof p.Enable);
        std::memset(e.Enable, 1, sizeof e.Enable);
        std::memset(t.Enable, 1, sizeof t.Enable);
        std::memset(m.Enable, 1, sizeof m.Enable);
    }
    set_pnt_params(&p);
    set_edg_params(&e);
    set_tri_params(&t);
    set_msh_params(&m);
}

// Analyses with standard error silenced and returns the four blocks.
AllResults Analyse(const MeshRecord& mesh)
{
    std::FILE* saved = Progress().stream;
    std::FILE* sink = std::fopen("/dev/null", "w");
    Progress().stream = sink;
    EXPECT_EQ(analyse(&mesh), 1);
    Progress().stream = saved;
    std::fclose(sink);
    AllResults r;
    get_pnt_params(&r.points);
    get_edg_params(&r.edges);
    get_tri_params(&r.triangles);
    get_msh_params(&r.mesh);
    return r;
}

// The counts of other categories that the mesh compute step reads (and
// computes when they hold the not-computed mark).
bool IsReadByTheMeshStep(Category category, uint8_t k)
{
    switch (category) {
    case Category::Points:
        return k == PNT_CountDuplicatedGeometrical ||
               k == PNT_CountClassesOfEpsilonDuplicatedGeometrical;
    case Category::Edges:
        return k == EDG_CountSingular || k == EDG_CountInvalidTopological ||
               k == EDG_CountInvalidGeometrical || k == EDG_CountDuplicatedTopological ||
               k == EDG_CountDuplicatedGeometrical;
    case Category::Triangles:
        return k == TRI_CountSingular || k == TRI_CountInvalidTopological ||
               k == TRI_CountInvalidGeometrical || k == TRI_CountDuplicatedTopological ||
               k == TRI_CountDuplicatedGeometrical;
    default:
        return false;
    }
}

// Whether `got` is an acceptable outcome of a run in which some allocations
// failed, given the unfailing `want`. Returns an explanation when it is not.
std::string Explain(const AllResults& got, const AllResults& want)
{
    std::string problems;
    for (Category category : {Category::Points, Category::Edges, Category::Triangles, Category::Mesh}) {
        const CategoryTable& table = TableOf(category);
        const auto [g, size] = BlockOf(got, category);
        const uint8_t* w = BlockOf(want, category).first;
        std::vector<bool> covered(size, false);
        for (size_t i = 0; i < table.rowCount; ++i) {
            const QuantityRow& row = table.rows[i];
            const std::string name = row.label;
            bool same = false;
            bool failureMark = false;
            size_t width = 0;
            switch (row.slot) {
            case Slot::Count: {
                width = 4;
                const auto gv = At<int32_t>(g, row.resultOffset);
                same = gv == At<int32_t>(w, row.resultOffset);
                failureMark = gv < 0;  // a negative code, NOT_COMPUTED included
                break;
            }
            case Slot::Real: {
                width = 8;
                const auto gv = At<double>(g, row.resultOffset);
                same = std::memcmp(g + row.resultOffset, w + row.resultOffset, 8) == 0;
                failureMark = gv < 0.0 && gv == static_cast<int>(gv);  // -1.0, -2.0, ...
                break;
            }
            case Slot::Volume:
                width = 8;
                same = std::memcmp(g + row.resultOffset, w + row.resultOffset, 8) == 0;
                failureMark = At<double>(g, row.resultOffset) == kVolumeNotComputed;
                break;
            case Slot::Flag: {
                width = 1;
                const auto gv = At<int8_t>(g, row.resultOffset);
                same = gv == At<int8_t>(w, row.resultOffset);
                failureMark = gv == -1;
                // Orientation checks report every failure as false; a failed
                // tree build reads as "no intersection found"; the inclusion
                // test follows a failed orientation check.
                if (gv == 0 && (row.k == MSH_Oriented || row.k == MSH_Orientable ||
                                row.k == MSH_Selfintersection)) {
                    failureMark = true;
                }
                if (gv == 0 && row.k == MSH_Inclusion && got.mesh.Oriented == 0) {
                    failureMark = true;
                }
                break;
            }
            }
            for (size_t b = 0; b < width; ++b) {
                covered[row.resultOffset + b] = true;
            }
            if (!same && !failureMark) {
                problems += name + " holds a value that no failure explains; ";
            }
            const uint8_t gj = g[table.inRangeOffset + row.k];
            const uint8_t wj = w[table.inRangeOffset + row.k];
            // A count that failed with -1 holds the not-computed mark when its
            // category is judged (out of range); the mesh step that needs it
            // later computes it again, and may then succeed.
            const bool recomputedAfterJudging =
                row.slot == Slot::Count && category != Category::Mesh && gj == 0 &&
                IsReadByTheMeshStep(category, row.k);
            if ((gj == kNotJudged) != (wj == kNotJudged) ||
                (same && gj != wj && !recomputedAfterJudging)) {
                problems += name + " has a wrong InRange byte; ";
            }
            covered[table.inRangeOffset + row.k] = true;
        }
        // Slots no quantity owns stay as they were (unused slots, slot 19).
        for (size_t b = 0; b < covered.size(); ++b) {
            if (!covered[b] && g[b] != w[b]) {
                problems += "an unowned byte changed at offset " + std::to_string(b) + "; ";
                break;
            }
        }
    }
    return problems;
}

std::vector<TestMesh> SweepMeshes()
{
    std::vector<TestMesh> meshes;
    meshes.push_back(testing::Torus(6, 4));  // closed, one handle
    TestMesh open = testing::Grid(3);        // open, with a border
    open.AddPoint(9, 9, 9);                  // an isolated point
    meshes.push_back(open);
    TestMesh fan;  // five triangles on one edge: singular edge and triangles
    fan.AddPoint(0, 0, 0);
    fan.AddPoint(0, 0, 1);
    for (int i = 0; i < 5; ++i) {
        fan.AddPoint(1.0 + i, static_cast<double>(i * i), 0.5);
        fan.AddTriangle(0, 1, static_cast<uint32_t>(2 + i));
    }
    fan.AddTriangle(2, 2, 3);  // invalid by index
    meshes.push_back(fan);
    TestMesh crossing = testing::Sphere(6, 4, 1.0);  // two overlapping spheres, duplicates
    testing::Append(crossing, testing::Sphere(6, 4, 1.0, 0.5, 0.2, 0.1));
    crossing.AddTriangle(0, 1, 2);
    crossing.AddTriangle(2, 1, 0);
    crossing.AddPoint(0.0, 0.0, -1.0);  // a coincident copy of the south pole
    meshes.push_back(crossing);
    return meshes;
}

class AllocationSweep : public ::testing::TestWithParam<uint64_t> {
protected:
    void SetUp() override { SetSettings(true); }
    void TearDown() override
    {
        memory_testing::ResetAllocationCounter();
        SetSettings(false);
    }
};

TEST_P(AllocationSweep, AnalyseReturnsAndExplainsEveryValue)
{
    const uint64_t consecutive = GetParam();
    for (TestMesh& mesh : SweepMeshes()) {
        const MeshRecord record = mesh.Record();
        memory_testing::ResetAllocationCounter();
        const AllResults want = Analyse(record);
        const uint64_t allocations = memory_testing::AllocationCount();
        for (uint64_t k = 1; k <= allocations; ++k) {
            memory_testing::ResetAllocationCounter();
            memory_testing::FailAllocations(k, consecutive);
            const AllResults got = Analyse(record);
            ASSERT_GE(memory_testing::FailedAllocationCount(), 1u) << k;
            const std::string problems = Explain(got, want);
            EXPECT_TRUE(problems.empty()) << "failing allocation " << k << " (+" << consecutive - 1
                                          << "): " << problems;
        }
    }
}

TEST_P(AllocationSweep, RepairsReturnTheirCodesAndStayReleasable)
{
    const uint64_t consecutive = GetParam();
    for (TestMesh& mesh : SweepMeshes()) {
        const MeshRecord record = mesh.Record();
        const std::vector<T3DVECF> pointsBefore = mesh.points;
        const std::vector<TRIANGLE> trianglesBefore = mesh.triangles;
        for (int repair = 0; repair < 2; ++repair) {
            const double tolerance = 0.3;
            auto run = [&](MeshRecord& out) {
                return repair == 0 ? removeDuplicatedGeometricalPoints(&record, &tolerance, &out)
                                   : removeInvalidTopologicalTriangles(&record, &out);
            };
            memory_testing::ResetAllocationCounter();
            MeshRecord reference;
            const int32_t referenceCode = run(reference);
            const uint64_t allocations = memory_testing::AllocationCount();
            for (uint64_t k = 1; k <= allocations; ++k) {
                memory_testing::ResetAllocationCounter();
                memory_testing::FailAllocations(k, consecutive);
                MeshRecord out;
                const int32_t code = run(out);
                EXPECT_TRUE(code == -5 || code == -6 || code == referenceCode)
                    << "repair " << repair << " allocation " << k << " gave " << code;
                if (code == 0 && referenceCode == 0) {
                    EXPECT_EQ(out.pointCount, reference.pointCount);
                    EXPECT_EQ(out.triangleCount, reference.triangleCount);
                }
                clear_mesh(&out);
                EXPECT_TRUE(out.points == nullptr && out.triangles == nullptr);
            }
            clear_mesh(&reference);
        }
        EXPECT_EQ(std::memcmp(mesh.points.data(), pointsBefore.data(),
                              sizeof(T3DVECF) * pointsBefore.size()), 0);
        EXPECT_EQ(std::memcmp(mesh.triangles.data(), trianglesBefore.data(),
                              sizeof(TRIANGLE) * trianglesBefore.size()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Consecutive, AllocationSweep, ::testing::Values(1u, 2u, 3u, 10u));

}  // namespace
}  // namespace meshaudit
