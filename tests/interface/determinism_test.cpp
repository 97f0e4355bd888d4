// The same call gives the same bytes, whatever came before it.
#include "analysis/Progress.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace meshaudit {
namespace {

using testing::TestMesh;

struct Outcome {
    PointResults points;
    EdgeResults edges;
    TriangleResults triangles;
    MeshResults mesh;
    std::string progress;

    bool operator==(const Outcome& other) const
    {
        return std::memcmp(&points, &other.points, sizeof points) == 0 &&
               std::memcmp(&edges, &other.edges, sizeof edges) == 0 &&
               std::memcmp(&triangles, &other.triangles, sizeof triangles) == 0 &&
               std::memcmp(&mesh, &other.mesh, sizeof mesh) == 0 && progress == other.progress;
    }
};

Outcome AnalyseCapturing(const MeshRecord& record)
{
    std::FILE* file = std::tmpfile();
    std::FILE* saved = Progress().stream;
    Progress().stream = file;
    EXPECT_EQ(analyse(&record), 1);
    Progress().stream = saved;
    Outcome outcome;
    std::rewind(file);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        outcome.progress.append(buffer, n);
    }
    std::fclose(file);
    get_pnt_params(&outcome.points);
    get_edg_params(&outcome.edges);
    get_tri_params(&outcome.triangles);
    get_msh_params(&outcome.mesh);
    return outcome;
}

// A mesh with a little of everything: two overlapping spheres, a duplicated
// triangle, a degenerate one, an isolated point.
TestMesh Busy()
{
    TestMesh mesh = testing::Sphere(8, 5);
    testing::Append(mesh, testing::Sphere(8, 5, 1.0, 0.7, 0.1, 0.0));
    mesh.AddTriangle(3, 4, 5);
    mesh.AddTriangle(5, 4, 3);
    mesh.AddTriangle(1, 1, 2);
    mesh.AddPoint(7, 7, 7);
    return mesh;
}

// Twice in a row, and again after another mesh with other settings: the
// same bytes, and the input untouched.
TEST(Determinism, ResultsDoNotDependOnAnEarlierCall)
{
    TestMesh mesh = Busy();
    const TestMesh copy = mesh;
    const Outcome fresh = AnalyseCapturing(mesh.Record());
    EXPECT_FALSE(fresh.progress.empty());
    EXPECT_TRUE(fresh == AnalyseCapturing(mesh.Record()));

    TestMesh other = testing::Torus(10, 6);
    PointSettings p = DefaultPointSettings();
    p.Epsilon = 10.0;
    std::memset(p.Enable, 1, sizeof p.Enable);
    MeshSettings m = DefaultMeshSettings();
    std::memset(m.Enable, 1, sizeof m.Enable);
    set_pnt_params(&p);
    set_msh_params(&m);
    AnalyseCapturing(other.Record());
    const PointSettings pd = DefaultPointSettings();
    const MeshSettings md = DefaultMeshSettings();
    set_pnt_params(&pd);
    set_msh_params(&md);

    EXPECT_TRUE(fresh == AnalyseCapturing(mesh.Record()));
    EXPECT_EQ(std::memcmp(mesh.points.data(), copy.points.data(), sizeof(T3DVECF) * copy.points.size()), 0);
    EXPECT_EQ(std::memcmp(mesh.triangles.data(), copy.triangles.data(), sizeof(TRIANGLE) * copy.triangles.size()),
              0);
}

}  // namespace
}  // namespace meshaudit
