// Reused blocks are not zero: an analysis handed blocks full of garbage must
// give exactly the results of one on fresh memory and keep nothing behind.
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace meshaudit {
namespace {

struct AllResults {
    PointResults points;
    EdgeResults edges;
    TriangleResults triangles;
    MeshResults mesh;
};

AllResults Analyse(const MeshRecord& record, bool everything)
{
    AnalysisContext context;
    context.LoadMesh(record);
    if (everything) {
        std::memset(context.pointSettings.Enable, 1, sizeof context.pointSettings.Enable);
        std::memset(context.edgeSettings.Enable, 1, sizeof context.edgeSettings.Enable);
        std::memset(context.triangleSettings.Enable, 1, sizeof context.triangleSettings.Enable);
        std::memset(context.meshSettings.Enable, 1, sizeof context.meshSettings.Enable);
    }
    context.RunCategory(static_cast<uint32_t>(Category::All));
    AllResults out;
    context.CopyResultsOut(out.points);
    context.CopyResultsOut(out.edges);
    context.CopyResultsOut(out.triangles);
    context.CopyResultsOut(out.mesh);
    return out;
}

// Large enough that its arrays are reused, with work for every quantity.
testing::TestMesh BusyMesh()
{
    testing::TestMesh m = testing::Torus(400, 200);
    testing::Append(m, testing::Sphere(40, 20, 1.2, 3.0, 0.0, 0.0));
    const T3DVECF copy = m.points[7];
    const uint32_t twin = m.AddPoint(copy.x, copy.y, copy.z);
    m.AddTriangle(twin, 8, 9);
    m.AddTriangle(3, 3, 4);
    return m;
}

TEST(AnalysisBlockReuse, BlocksFullOfGarbageGiveTheResultsOfFreshMemory)
{
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::FILE* saved = Progress().stream;
    Progress().stream = sink;
    testing::TestMesh mesh = BusyMesh();
    const MeshRecord record = mesh.Record();
    for (const bool everything : {false, true}) {
        const AllResults fresh = Analyse(record, everything);
        EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
        AllResults reused;
        {
            BlockReuseScope outer;
            // Blocks from 1 to about 20 MiB, a third apart, so that every
            // large array of the analysis finds one it fits.
            std::vector<void*> blocks;
            for (std::size_t bytes = std::size_t{1} << 20; bytes < (std::size_t{20} << 20);
                 bytes += bytes / 3) {
                void* block = Allocate(bytes);
                ASSERT_NE(block, nullptr);
                std::memset(block, 0xA5, bytes);
                blocks.push_back(block);
            }
            for (void* block : blocks) {
                Free(block);
            }
            ASSERT_GT(memory_testing::KeptBlockBytes(), std::size_t{20} << 20);
            reused = Analyse(record, everything);
        }
        EXPECT_EQ(memory_testing::KeptBlockBytes(), 0u);
        EXPECT_EQ(std::memcmp(&fresh.points, &reused.points, sizeof fresh.points), 0);
        EXPECT_EQ(std::memcmp(&fresh.edges, &reused.edges, sizeof fresh.edges), 0);
        EXPECT_EQ(std::memcmp(&fresh.triangles, &reused.triangles, sizeof fresh.triangles), 0);
        EXPECT_EQ(std::memcmp(&fresh.mesh, &reused.mesh, sizeof fresh.mesh), 0);
        // The mesh is not trivial: the sphere crosses the torus.
        EXPECT_GT(static_cast<int32_t>(fresh.triangles.CountIntersected), 0);
    }
    Progress().stream = saved;
    std::fclose(sink);
}

}  // namespace
}  // namespace meshaudit
