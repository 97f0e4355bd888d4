// The merge of two vertex-triangle rows against the plain scan it replaces:
// every entry of p's row whose triangle has q as a corner, in row order,
// repeats kept, on random meshes full of degenerate and repeated triangles.
#include "model/MeshTopology.h"
#include "model/TriangleSides.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace meshaudit {
namespace {

std::vector<uint32_t> PlainScan(const TRIANGLE* triangles, const IncidenceLists& rows, uint32_t p,
                                uint32_t q)
{
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < rows.counts[p]; ++i) {
        const uint32_t u = rows.rows[p][i];
        if (HasCorners(triangles[u], p, q)) {
            out.push_back(u);
        }
    }
    return out;
}

TEST(TriangleSides, MergedRowsMatchThePlainScan)
{
    std::mt19937 random(31);
    for (int round = 0; round < 40; ++round) {
        const uint32_t points = 2 + static_cast<uint32_t>(round % 9);
        testing::TestMesh mesh;
        for (uint32_t i = 0; i < points; ++i) {
            mesh.AddPoint(i, 0, 0);
        }
        const uint32_t triangles = 1 + static_cast<uint32_t>(round) * 3;
        for (uint32_t t = 0; t < triangles; ++t) {
            mesh.AddTriangle(random() % points, random() % points, random() % points);
        }
        MeshTopology topology;
        topology.Attach(mesh.Record());
        const IncidenceLists& rows = topology.VertexTriangles();
        ASSERT_EQ(topology.Status(), 0);
        const TRIANGLE* tris = mesh.triangles.data();
        for (uint32_t p = 0; p < points; ++p) {
            for (uint32_t q = 0; q < points; ++q) {
                std::vector<uint32_t> merged;
                EXPECT_FALSE(ForEachEntryWithBoth(rows, p, q, [&](uint32_t u) {
                    merged.push_back(u);
                    return false;
                }));
                EXPECT_EQ(merged, PlainScan(tris, rows, p, q)) << "round " << round;
                for (uint32_t t = 0; t < triangles; ++t) {
                    bool plain = false;
                    for (uint32_t u : PlainScan(tris, rows, p, q)) {
                        plain = plain || u != t;
                    }
                    EXPECT_EQ(SideIsShared(rows, t, p, q), plain);
                }
            }
        }
    }
}

TEST(TriangleSides, StopsAtTheFirstAcceptedEntry)
{
    testing::TestMesh mesh;
    for (int i = 0; i < 4; ++i) {
        mesh.AddPoint(i, 0, 0);
    }
    mesh.AddTriangle(0, 1, 2);
    mesh.AddTriangle(1, 0, 3);
    mesh.AddTriangle(0, 0, 1);  // entries after the accepted one
    MeshTopology topology;
    topology.Attach(mesh.Record());
    const IncidenceLists& rows = topology.VertexTriangles();
    std::vector<uint32_t> seen;
    EXPECT_TRUE(ForEachEntryWithBoth(rows, 0, 1, [&](uint32_t u) {
        seen.push_back(u);
        return u == 1;
    }));
    EXPECT_EQ(seen, (std::vector<uint32_t>{0, 1}));
}

}  // namespace
}  // namespace meshaudit
