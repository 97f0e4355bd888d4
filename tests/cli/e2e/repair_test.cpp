// meshaudit repair: the two repairs in the order given, output formats,
// and never writing over the input unasked.
#include "E2eSupport.h"
#include "MeshFiles.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace meshaudit::cli {
namespace {

using testing::CommandResult;
using testing::RunCommand;
using testing::TempDir;
using testing::ToMeshData;
using testing::WriteMesh;

// The unit cube with every triangle on points of its own (36 points).
MeshData CubeSoup()
{
    const MeshData cube = ToMeshData(meshaudit::testing::UnitCube());
    MeshData soup;
    for (const TRIANGLE& t : cube.triangles) {
        const uint32_t first = static_cast<uint32_t>(soup.points.size());
        for (uint32_t c : {t.a, t.b, t.c}) {
            soup.points.push_back(cube.points[c]);
        }
        soup.triangles.push_back(TRIANGLE{first, first + 1, first + 2});
    }
    return soup;
}

// Two triangles; merging within 0.1 makes the first repeat a point.
MeshData NearlyDegenerate()
{
    MeshData mesh;
    mesh.points = {{0, 0, 0}, {0.05, 0, 0}, {0, 1, 0}, {1, 1, 0}};
    mesh.triangles = {{0, 1, 2}, {1, 3, 2}};
    return mesh;
}

TEST(RepairFiles, WithoutRepairsTheMeshIsConvertedAsRead)
{
    TempDir dir;
    const std::string in = WriteMesh(dir, "cube.obj", ToMeshData(meshaudit::testing::UnitCube()));
    CommandResult r = RunCommand({"repair", in, "-o", dir.File("cube.off")});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "read " + in + " (OBJ): 8 points, 12 triangles\n"
                     "no repair requested: the mesh is written as read\n"
                     "wrote " + dir.File("cube.off") + " (OFF): 8 points, 12 triangles\n");
    const MeshData back = ReadMeshFile(dir.File("cube.off"));
    EXPECT_EQ(back.points.size(), 8u);
    EXPECT_EQ(back.triangles.size(), 12u);

    CommandResult ascii = RunCommand({"repair", in, "-o", dir.File("cube.ply"), "--ascii"});
    EXPECT_EQ(ascii.exitStatus, 0);
    EXPECT_EQ(testing::ReadAll(dir.File("cube.ply")).rfind("ply\nformat ascii 1.0\n", 0), 0u);
}

TEST(RepairFiles, NeverOverwritesTheInputUnlessForced)
{
    TempDir dir;
    const std::string in = WriteMesh(dir, "cube.obj", ToMeshData(meshaudit::testing::UnitCube()));
    const std::string before = testing::ReadAll(in);
    for (const std::string& out : {in, dir.Path() + "/./cube.obj"}) {
        CommandResult r = RunCommand({"repair", in, "-o", out, "--drop-invalid"});
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.err, "meshaudit: " + out + ": refusing to overwrite the input file (use --force to replace it)\n");
        EXPECT_EQ(testing::ReadAll(in), before);
    }
    CommandResult forced = RunCommand({"repair", in, "-o", in, "--force"});
    EXPECT_EQ(forced.exitStatus, 0) << forced.err;
    EXPECT_EQ(ReadMeshFile(in).triangles.size(), 12u);

    CommandResult missing = RunCommand({"repair", dir.File("absent.obj"), "-o", dir.File("x.ply")});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_EQ(missing.err, "meshaudit: " + dir.File("absent.obj") + ": cannot open: No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.ply")));
}

// The following need the library's repairs.

TEST(RepairFiles, MergeJoinsTheSoupIntoTheCube)
{
    TempDir dir;
    const std::string in = WriteMesh(dir, "soup.obj", CubeSoup());
    CommandResult r = RunCommand({"repair", in, "-o", dir.File("cube.ply"), "--merge", "1e-9"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(r.out.find("merge points within 1e-09: points 36 -> 8, triangles 12 -> 12\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("in all: points 36 -> 8, triangles 12 -> 12\n"), std::string::npos);
    const MeshData merged = ReadMeshFile(dir.File("cube.ply"));
    EXPECT_EQ(merged.points.size(), 8u);
    EXPECT_EQ(merged.triangles.size(), 12u);
    EXPECT_NEAR(testing::SignedVolume(merged), 1.0, 1e-15);
}

TEST(RepairFiles, RepairsRunInTheOrderGiven)
{
    TempDir dir;
    const std::string in = WriteMesh(dir, "near.off", NearlyDegenerate());

    CommandResult mergeFirst =
        RunCommand({"repair", in, "-o", dir.File("a.obj"), "--merge", "0.1", "--drop-invalid"});
    EXPECT_EQ(mergeFirst.exitStatus, 0) << mergeFirst.err;
    EXPECT_NE(mergeFirst.out.find("merge points within 0.1: points 4 -> 3, triangles 2 -> 2\n"
                                  "drop triangles that repeat a point: points 3 -> 3, triangles 2 -> 1\n"),
              std::string::npos)
        << mergeFirst.out;
    EXPECT_EQ(ReadMeshFile(dir.File("a.obj")).triangles.size(), 1u);

    CommandResult dropFirst =
        RunCommand({"repair", in, "-o", dir.File("b.obj"), "--drop-invalid", "--merge", "0.1"});
    EXPECT_EQ(dropFirst.exitStatus, 0) << dropFirst.err;
    EXPECT_NE(dropFirst.out.find("drop triangles that repeat a point: points 4 -> 4, triangles 2 -> 2\n"
                                 "merge points within 0.1: points 4 -> 3, triangles 2 -> 2\n"),
              std::string::npos)
        << dropFirst.out;
    EXPECT_EQ(ReadMeshFile(dir.File("b.obj")).triangles.size(), 2u);
}

TEST(RepairFiles, NothingIsWrittenWhenNoTriangleIsLeft)
{
    TempDir dir;
    MeshData degenerate;
    degenerate.points = {{0, 0, 0}, {1, 0, 0}};
    degenerate.triangles = {{0, 0, 1}, {1, 1, 0}};
    const std::string in = WriteMesh(dir, "flat.ply", degenerate);
    CommandResult r = RunCommand({"repair", in, "-o", dir.File("out.ply"), "--drop-invalid"});
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "meshaudit: " + in + ": no triangles are left; nothing written\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.ply")));
}

}  // namespace
}  // namespace meshaudit::cli
