// The exports through the internal archive (host_test.c loads the shared
// library itself): the blocks from load on, results that no earlier call
// changes, and every allocation of a full analysis and of each repair made
// to fail in turn. Each call must still return, every slot must hold the
// value of an unfailing run or a failure mark that the failed allocation
// explains, and a repair must give its documented code. LeakSanitizer (the
// sanitizer build) checks that nothing leaks.
#include "analysis/AnalysisContext.h"
#include "analysis/ProgressCapture.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "meshaudit.hpp"
#include "support/AllSettings.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

template <typename Block>
bool SameBytes(const Block& a, const Block& b)
{
    return std::memcmp(&a, &b, sizeof(Block)) == 0;
}

struct AllResults {
    PointResults points;
    EdgeResults edges;
    TriangleResults triangles;
    MeshResults mesh;
    std::string progress;

    std::pair<const uint8_t*, size_t> Block(Category c) const
    {
        const auto bytes = [](const auto& b) { return std::pair(reinterpret_cast<const uint8_t*>(&b), sizeof b); };
        return c == Category::Points ? bytes(points) : c == Category::Edges ? bytes(edges)
               : c == Category::Triangles ? bytes(triangles) : bytes(mesh);
    }
    bool operator==(const AllResults& o) const
    {
        return SameBytes(points, o.points) && SameBytes(edges, o.edges) && SameBytes(triangles, o.triangles) &&
               SameBytes(mesh, o.mesh) && progress == o.progress;
    }
};

void SetSettings(bool everything, double epsilon = 0.0)
{
    testing::AllSettings s(everything);
    s.p.Epsilon = epsilon != 0.0 ? epsilon : s.p.Epsilon;
    s.Apply();
}

// Analyses with the progress bar captured, and returns the four blocks.
AllResults Analyse(const MeshRecord& mesh)
{
    AllResults r;
    r.progress = testing::CaptureProgress([&] { EXPECT_EQ(analyse(&mesh), 1); });
    get_pnt_params(&r.points);
    get_edg_params(&r.edges);
    get_tri_params(&r.triangles);
    get_msh_params(&r.mesh);
    return r;
}

template <typename T>
T At(const uint8_t* block, size_t offset)
{
    T value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

// The counts of other categories that the mesh step reads (and computes
// again when they hold the not-computed mark).
bool IsReadByTheMeshStep(Category category, uint8_t k)
{
    static const std::set<std::pair<Category, int>> read = {
        {Category::Points, PNT_CountDuplicatedGeometrical},
        {Category::Points, PNT_CountClassesOfEpsilonDuplicatedGeometrical},
        {Category::Edges, EDG_CountSingular}, {Category::Edges, EDG_CountInvalidTopological},
        {Category::Edges, EDG_CountInvalidGeometrical}, {Category::Edges, EDG_CountDuplicatedTopological},
        {Category::Edges, EDG_CountDuplicatedGeometrical}, {Category::Triangles, TRI_CountSingular},
        {Category::Triangles, TRI_CountInvalidTopological}, {Category::Triangles, TRI_CountInvalidGeometrical},
        {Category::Triangles, TRI_CountDuplicatedTopological}, {Category::Triangles, TRI_CountDuplicatedGeometrical}};
    return read.count({category, k}) != 0;
}

// Why `got`, from a run in which allocations failed, is not an acceptable
// outcome given the unfailing `want`; empty when it is.
std::string Explain(const AllResults& got, const AllResults& want)
{
    std::string problems;
    for (Category category : {Category::Points, Category::Edges, Category::Triangles, Category::Mesh}) {
        const CategoryTable& table = TableOf(category);
        const auto [g, size] = got.Block(category);
        const uint8_t* w = want.Block(category).first;
        std::vector<bool> owned(size, false);
        for (size_t i = 0; i < table.rowCount; ++i) {
            const QuantityRow& row = table.rows[i];
            const size_t at = row.resultOffset;
            const size_t width = row.slot == Slot::Count ? 4 : row.slot == Slot::Flag ? 1 : 8;
            const bool same = std::memcmp(g + at, w + at, width) == 0;
            bool mark = false;  // a failure mark
            if (row.slot == Slot::Count) {
                mark = At<int32_t>(g, at) < 0;  // a negative code, NOT_COMPUTED included
            } else if (row.slot == Slot::Real) {
                const double v = At<double>(g, at);
                mark = v < 0.0 && v == static_cast<int>(v);  // -1.0, -2.0, ...
            } else if (row.slot == Slot::Volume) {
                mark = At<double>(g, at) == -DBL_MAX;
            } else {
                const int8_t v = At<int8_t>(g, at);
                // Orientation checks report any failure as false, a failed
                // tree build reads as "no intersection", and the inclusion
                // test follows a failed orientation check.
                mark = v == -1 || (v == 0 && (row.k == MSH_Oriented || row.k == MSH_Orientable ||
                                              row.k == MSH_Selfintersection ||
                                              (row.k == MSH_Inclusion && got.mesh.Oriented == 0)));
            }
            for (size_t b = 0; b < width; ++b) {
                owned[at + b] = true;
            }
            if (!same && !mark) {
                problems += std::string(row.label) + " holds a value that no failure explains; ";
            }
            // A count that failed holds the not-computed mark when its
            // category is judged; the mesh step may compute it later.
            const uint8_t gj = g[table.inRangeOffset + row.k], wj = w[table.inRangeOffset + row.k];
            const bool recomputed = row.slot == Slot::Count && category != Category::Mesh && gj == 0 &&
                                    IsReadByTheMeshStep(category, row.k);
            if ((gj == 0xFF) != (wj == 0xFF) || (same && gj != wj && !recomputed)) {
                problems += std::string(row.label) + " has a wrong InRange byte; ";
            }
            owned[table.inRangeOffset + row.k] = true;
        }
        for (size_t b = 0; b < owned.size(); ++b) {  // unused slots, slot 19
            if (!owned[b] && g[b] != w[b]) {
                problems += "an unowned byte changed at " + std::to_string(b) + "; ";
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
    TestMesh open = testing::Grid(3);        // open, with a border and an isolated point
    open.AddPoint(9, 9, 9);
    meshes.push_back(open);
    TestMesh fan;  // five triangles on one edge, and one invalid by index
    fan.AddPoint(0, 0, 0);
    fan.AddPoint(0, 0, 1);
    for (int i = 0; i < 5; ++i) {
        fan.AddPoint(1.0 + i, static_cast<double>(i * i), 0.5);
        fan.AddTriangle(0, 1, static_cast<uint32_t>(2 + i));
    }
    fan.AddTriangle(2, 2, 3);
    meshes.push_back(fan);
    TestMesh crossing = testing::Sphere(6, 4, 1.0);  // overlapping spheres, duplicates
    testing::Append(crossing, testing::Sphere(6, 4, 1.0, 0.5, 0.2, 0.1));
    crossing.AddTriangle(0, 1, 2);
    crossing.AddTriangle(2, 1, 0);
    crossing.AddPoint(0.0, 0.0, -1.0);  // a copy of the south pole
    meshes.push_back(crossing);
    // Crowds at one place, large enough that the side groups stand in for
    // the neighbour lists, with a closed mesh beside them.
    TestMesh crowds = testing::Book(300);
    testing::Append(crowds, testing::Fan(200));
    testing::Append(crowds, testing::Copies(100, true));
    testing::Append(crowds, testing::Torus(5, 4));
    meshes.push_back(crowds);
    TestMesh repeated = testing::Book(200);  // a repeated point: the walks go edge by edge
    repeated.AddTriangle(0, 0, 2);
    meshes.push_back(repeated);
    return meshes;
}

// Runs first: nothing has set a block yet.
TEST(Blocks, LoadTimeDefaultsAreTheHeadersAndSetsCopyWholeBlocks)
{
    // Each helper writes every byte of its block, over whatever was there.
    const auto loaded = [](auto block, auto fill, const auto& held) {
        std::memset(&block, 0xAB, sizeof block);
        fill(&block);
        return SameBytes(block, held);
    };
    EXPECT_TRUE(loaded(PointSettings{}, meshaudit_default_point_settings, Blocks().pointSettings));
    EXPECT_TRUE(loaded(EdgeSettings{}, meshaudit_default_edge_settings, Blocks().edgeSettings));
    EXPECT_TRUE(loaded(TriangleSettings{}, meshaudit_default_triangle_settings, Blocks().triangleSettings));
    EXPECT_TRUE(loaded(MeshSettings{}, meshaudit_default_mesh_settings, Blocks().meshSettings));
    auto [p, e, t, m] = testing::AllSettings(false);
    EXPECT_EQ(p.Epsilon, 0.002);
    EXPECT_EQ(t.Count.max, 900500u);
    const unsigned char enable[22] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(m.Enable, enable, 22), 0);
    EXPECT_EQ(m.HasBorders, 0);

    e.Length = DoubleRange{0.25, 4.0};
    e.Enable[EDG_Count] = 7;  // copied as it is: no validation
    EXPECT_EQ(set_edg_params(&e), 0);
    EXPECT_EQ(set_edg_params(nullptr), 0);
    EXPECT_TRUE(SameBytes(e, Blocks().edgeSettings));
    MeshResults out;
    std::memset(&out, 0, sizeof out);
    EXPECT_EQ(get_msh_params(&out), 0);
    EXPECT_TRUE(SameBytes(out, Blocks().meshResults));
    EXPECT_EQ(get_msh_params(nullptr), 0);
    SetSettings(false);
}

// Twice in a row, and again after another mesh with other settings: the
// same bytes and progress, and the input untouched.
TEST(Analyse, ResultsDoNotDependOnAnEarlierCall)
{
    TestMesh mesh = SweepMeshes()[3];
    mesh.AddTriangle(1, 1, 2);
    const TestMesh copy = mesh;
    const AllResults fresh = Analyse(mesh.Record());
    EXPECT_FALSE(fresh.progress.empty());
    EXPECT_TRUE(fresh == Analyse(mesh.Record()));
    SetSettings(true, 10.0);
    TestMesh other = testing::Torus(10, 6);
    Analyse(other.Record());
    SetSettings(false);
    EXPECT_TRUE(fresh == Analyse(mesh.Record()));
    EXPECT_EQ(std::memcmp(mesh.points.data(), copy.points.data(), sizeof(T3DVECF) * copy.points.size()), 0);
    EXPECT_EQ(std::memcmp(mesh.triangles.data(), copy.triangles.data(), sizeof(TRIANGLE) * copy.triangles.size()),
              0);
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
            EXPECT_TRUE(problems.empty()) << "allocation " << k << " (+" << consecutive - 1 << "): " << problems;
        }
    }
}

// The first two allocations are the output's copy (-5: the points, then
// the triangles); every later one belongs to the repair (-6), which leaves
// the output holding the unrepaired copy. The input never changes.
TEST_P(AllocationSweep, RepairsGiveTheirCodesAndStayReleasable)
{
    const uint64_t consecutive = GetParam();
    for (TestMesh& mesh : SweepMeshes()) {
        const MeshRecord record = mesh.Record();
        const TestMesh before = mesh;
        for (const double tolerance : {0.3, 0.0, -1.0}) {
            for (int repair = 0; repair < 2; ++repair) {
                auto run = [&](MeshRecord& out) {
                    return repair == 0 ? removeDuplicatedGeometricalPoints(&record, &tolerance, &out)
                                       : removeInvalidTopologicalTriangles(&record, &out);
                };
                memory_testing::ResetAllocationCounter();
                MeshRecord reference;
                ASSERT_EQ(run(reference), 0);
                const uint64_t allocations = memory_testing::AllocationCount();
                ASSERT_GT(allocations, 2u);
                for (uint64_t k = 1; k <= allocations; ++k) {
                    SCOPED_TRACE(::testing::Message() << "repair " << repair << ", allocation " << k);
                    memory_testing::ResetAllocationCounter();
                    memory_testing::FailAllocations(k, consecutive);
                    MeshRecord out;
                    const int32_t code = run(out);
                    EXPECT_EQ(code, k <= 2 ? -5 : -6);
                    EXPECT_EQ(out.pointCount, record.pointCount);
                    EXPECT_EQ(out.triangleCount, record.triangleCount);
                    EXPECT_EQ(out.points == nullptr, k == 1);
                    if (code == -6) {
                        const TRIANGLE* t = out.triangles;
                        EXPECT_EQ(std::memcmp(out.points, record.points, sizeof(T3DVECF) * record.pointCount), 0);
                        EXPECT_EQ(std::memcmp(t, mesh.triangles.data(), sizeof(TRIANGLE) * record.triangleCount),
                                  0);
                    }
                    clear_mesh(&out);
                    EXPECT_TRUE(out.points == nullptr && out.triangles == nullptr && out.pointCount == 0);
                }
                clear_mesh(&reference);
            }
        }
        EXPECT_EQ(std::memcmp(mesh.points.data(), before.points.data(), sizeof(T3DVECF) * before.points.size()), 0);
        EXPECT_EQ(std::memcmp(mesh.triangles.data(), before.triangles.data(),
                              sizeof(TRIANGLE) * before.triangles.size()), 0);
    }
}

// locate() under the same failures: it returns 1 or, when a list ran out of
// memory, -5. On 1 every list holds all its entries, and every count or flag
// that came out as in an unfailing run has a list of as many entries as
// there.
// Nothing leaks (LeakSanitizer).
#define BLOCK_PNT points
#define BLOCK_EDG edges
#define BLOCK_TRI triangles
#define BLOCK_MSH mesh
#define TOTAL_FOLLOWS_COUNT true
#define TOTAL_FOLLOWS_REAL false
#define TOTAL_FOLLOWS_VOLUME false
#define TOTAL_FOLLOWS_FLAG true
#define SAME_LIST(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where)          \
    if (TOTAL_FOLLOWS_##SLOT && got.of(P##_##name).located &&                                          \
        static_cast<int64_t>(got.BLOCK_##P.name) == static_cast<int64_t>(want.BLOCK_##P.name) &&     \
        static_cast<int32_t>(got.BLOCK_##P.name) >= 0) {                                               \
        EXPECT_EQ(got.of(P##_##name).total, want.of(P##_##name).total) << "allocation " << k << " " << label; \
    }                                                                                                  \
    EXPECT_EQ(got.of(P##_##name).stored, got.of(P##_##name).total) << "allocation " << k << " " << label;

TEST_P(AllocationSweep, LocateKeepsItsListsWithTheirCounts)
{
    const auto [p, e, t, m] = testing::AllSettings(true);
    const LocateRequest request;
    for (TestMesh& mesh : SweepMeshes()) {
        Locations want;
        memory_testing::ResetAllocationCounter();
        ASSERT_EQ(locate(mesh.Record(), p, e, t, m, request, want), 1);
        const uint64_t allocations = memory_testing::AllocationCount();
        for (uint64_t k = 1; k <= allocations; ++k) {
            memory_testing::ResetAllocationCounter();
            memory_testing::FailAllocations(k, GetParam());
            Locations got;
            const int32_t code = locate(mesh.Record(), p, e, t, m, request, got);
            ASSERT_TRUE(code == 1 || code == -5) << "allocation " << k << ": " << code;
            if (code == 1) {
                MESHAUDIT_POINT_QUANTITIES(SAME_LIST)
                MESHAUDIT_EDGE_QUANTITIES(SAME_LIST)
                MESHAUDIT_TRIANGLE_QUANTITIES(SAME_LIST)
                MESHAUDIT_MESH_QUANTITIES(SAME_LIST)
            }
        }
    }
}

// A memory limit on locate(): from one that refuses most lists to one
// that refuses nothing, every value is the unlimited run's or a failure mark
// that the refusals explain, the refusals are reported, and an ample limit
// gives the unlimited run's blocks.
TEST(MemoryLimit, RefusalsGiveFailureCodesNeverWrongValues)
{
    const auto [p, e, t, m] = testing::AllSettings(true);
    for (TestMesh& mesh : SweepMeshes()) {
        Locations unlimited;
        ASSERT_EQ(locate(mesh.Record(), p, e, t, m, LocateRequest{}, unlimited), 1);
        AllResults want{unlimited.points, unlimited.edges, unlimited.triangles, unlimited.mesh, {}};
        bool refusedSome = false;
        for (uint64_t limit : {uint64_t{4096}, uint64_t{1} << 13, uint64_t{1} << 16, uint64_t{1} << 20, uint64_t{1} << 40}) {
            LocateRequest request;
            request.memoryLimit = limit;
            Locations got;
            const int32_t code = locate(mesh.Record(), p, e, t, m, request, got);
            ASSERT_TRUE(code == 1 || code == -5) << limit;
            const std::string problems = Explain(AllResults{got.points, got.edges, got.triangles, got.mesh, {}}, want);
            EXPECT_TRUE(problems.empty()) << limit << ": " << problems;
            refusedSome = refusedSome || got.refusedAllocations > 0;
            if (limit == uint64_t{1} << 40) {
                EXPECT_EQ(got.refusedAllocations, 0u);
                EXPECT_EQ(std::memcmp(&got.mesh, &unlimited.mesh, sizeof got.mesh), 0);
                EXPECT_EQ(std::memcmp(&got.triangles, &unlimited.triangles, sizeof got.triangles), 0);
            }
        }
        EXPECT_TRUE(refusedSome);
    }
}

INSTANTIATE_TEST_SUITE_P(Consecutive, AllocationSweep, ::testing::Values(1u, 2u, 3u, 10u));

}  // namespace
}  // namespace meshaudit
