// The readers' variants: a table of small generated files, one per variant,
// with the points, triangles and notes each must give (their errors are rows
// of io_test's table); faces that a fan would fold; 3MF packages.
#include "CliSupport.h"
#include "LoadError.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "analysis/triangles/TriangleAnalyses.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

namespace meshaudit::cli {
namespace {

using testing::Corners;
using testing::CornersOf;
using Points = std::vector<std::array<double, 3>>;

int32_t Intersected(MeshData& mesh)
{
    MeshRecord record;
    record.points = mesh.points.data();
    record.pointCount = static_cast<uint32_t>(mesh.points.size());
    record.triangles = mesh.triangles.data();
    record.triangleCount = static_cast<uint32_t>(mesh.triangles.size());
    return triangles::CountIntersected(record);
}

const std::string kTri = "0 0 0\n1 0 0\n0 1 0\n";  // three points, one per line
const std::string kPly = "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\n"
                         "property float z\n";
const std::string kPlyPoints = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n2 1 0\n";

std::string StripNote(int strips, int triangles, int skipped)
{
    return std::to_string(strips) + (strips == 1 ? " triangle strip" : " triangle strips") + " read as " + std::to_string(triangles) + " triangles; " +
           std::to_string(skipped) + " degenerate joining triangles (with a repeated corner) skipped";
}

TEST(ReaderVariants, EachVariantGivesItsPointsTrianglesAndNotes)
{
    const Points unit = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Points square = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    const std::string facet = "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
                              "endloop\nendfacet\n";
    struct Case {
        const char* name;
        std::string bytes;
        Points points;
        Corners triangles;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        // OFF: comments and blank lines before the keyword, counts beside it.
        {"lead.off", "# made by hand\n\n  # indented\nOFF 3 1\n" + kTri + "3 0 1 2\n", unit, {{0, 1, 2}}, {}},
        {"extras.off", "STCNOFF\n3 1 0\n0 0 0 0 0 1 0.5 0.5 0.5 1 0 0\n1 0 0 0 0 1 1 0 0 1 1 0\n"
         "0 1 0 0 0 1 0 0 1 1 0 1\n3 0 1 2 255 0 0 255\n", unit, {{0, 1, 2}}, {}},
        {"w.off", "4OFF\n3 1 0\n0 0 0 1\n2 0 0 2\n0 3 0 3\n3 0 1 2\n", unit, {{0, 1, 2}},
         {"2 vertices in homogeneous coordinates divided by w"}},
        {"dim.off", "nOFF 4\n3 1 0\n0 0 0 9\n1 0 0 9\n0 1 0 9\n3 2 1 0\n", unit, {{2, 1, 0}},
         {"the file has 4 dimensions: only the first three coordinates of each vertex were read"}},
        {"all.off", "STCN4nOFF\n3\n3 1\n0 0 0 1 0 0 1 1 0 0 1 0.5 0.5\n1 0 0 1 0 0 1 1 0 0 1 0 0\n"
         "0 1 0 1 0 0 1 1 0 0 1 0 0\n3 0 1 2\n", unit, {{0, 1, 2}}, {}},
        {"after.off", "OFF\n3 1 0\n" + kTri + "3 0 1 2\n3 0 1 2\n", unit, {{0, 1, 2}},
         {"data after the 1 faces the header announces was ignored (from line 7)"}},
        // PLY strips restart at -1 and alternate their winding; repeated
        // corners join strips and are skipped.
        {"strips.ply", kPly + "element tristrips 1\nproperty list int int vertex_indices\nend_header\n" +
         kPlyPoints + "8 0 1 2 3 -1 2 3 4\n", square, {{0, 1, 2}, {2, 1, 3}, {2, 3, 4}}, {StripNote(2, 3, 0)}},
        {"joined.ply", kPly + "element tristrips 1\nproperty list int int vertex_indices\nend_header\n" +
         kPlyPoints + "6 0 1 2 2 3 4\n", square, {{0, 1, 2}, {3, 2, 4}}, {StripNote(1, 2, 2)}},
        {"index.ply", kPly + "element face 1\nproperty list uchar float uv\nproperty list uchar int vertex_index\n"
         "end_header\n" + kPlyPoints + "2 0.5 0.5 3 4 3 1\n", square, {{4, 3, 1}}, {}},
        // STL: several ASCII solids, the last without its endsolid.
        {"two.stl", "solid a\n" + facet + "endsolid a\nsolid b\n" + facet, unit, {{0, 1, 2}, {0, 1, 2}},
         {"STL has no shared points: its 6 triangle corners were joined into 3 points where their coordinates "
          "are exactly equal", "the file ends without 'endsolid' after its last facet"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeshData mesh;
        ASSERT_NO_THROW(mesh = ReadMeshBytes(c.bytes, c.name));
        Points points;
        for (const T3DVECF& p : mesh.points) {
            points.push_back({p.x, p.y, p.z});
        }
        EXPECT_EQ(c.points, points);
        EXPECT_EQ(c.triangles, CornersOf(mesh));
        EXPECT_EQ(c.notes, mesh.notes);
    }
}

// An L whose first corner cannot see the whole face, and a small triangle
// of its own in the notch: a fan from the first corner covers the notch,
// ear clipping does not, in whichever order the L is written.
TEST(ReaderVariants, NonConvexFacesGiveNoFalseIntersections)
{
    const double l[6][2] = {{2, 1}, {1, 1}, {1, 2}, {0, 2}, {0, 0}, {2, 0}};
    for (int start = 0; start < 6; ++start) {
        for (bool reversed : {false, true}) {
            std::string obj;
            for (int i = 0; i < 6; ++i) {
                const double* p = l[(reversed ? 12 - start - i : start + i) % 6];
                obj += "v " + std::to_string(p[0]) + " 0.5 " + std::to_string(p[1]) + "\n";
            }
            obj += "v 1.4 0.5 1.4\nv 1.6 0.5 1.4\nv 1.5 0.5 1.45\nf 1 2 3 4 5 6\nf 7 8 9\n";
            MeshData mesh = ReadMeshBytes(obj, "l.obj");
            ASSERT_EQ(5u, mesh.triangles.size());
            EXPECT_EQ(0, Intersected(mesh)) << start << " " << reversed;
            // The area of the L, 3, is covered once, all in the face's sense.
            double area = 0.0;
            for (int t = 0; t < 4; ++t) {
                const T3DVECF& a = mesh.points[mesh.triangles[t].a];
                const T3DVECF& b = mesh.points[mesh.triangles[t].b];
                const T3DVECF& c = mesh.points[mesh.triangles[t].c];
                const double twice = (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z);
                EXPECT_GT(twice * (reversed ? 1 : -1), 0.0);
                area += std::fabs(twice) / 2;
            }
            EXPECT_DOUBLE_EQ(3.0, area);
            if (start == 0) {
                // The fan would have covered the notch.
                mesh.triangles = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {6, 7, 8}};
                EXPECT_GT(Intersected(mesh), 0);
            }
        }
    }
}

std::string Model(const std::string& resources)
{
    return "<?xml version=\"1.0\"?>\n<model unit=\"millimeter\" xmlns=\"http://schemas.microsoft.com/3dmanufacturing/"
           "core/2015/02\">\n<resources>\n" + resources + "</resources>\n</model>\n";
}

const std::string kTetraObject =
    "<object id=\"1\" name=\"tetra\"><mesh><vertices><vertex x=\"0\" y=\"0\" z=\"0\"/><vertex x=\"1\" y=\"0\" "
    "z=\"0\"/><vertex x=\"0\" y=\"1\" z=\"0\"/><vertex x=\"0\" y=\"0\" z=\"1\"/></vertices>\n<triangles><triangle "
    "v1=\"0\" v2=\"2\" v3=\"1\"/><triangle v1=\"0\" v2=\"1\" v3=\"3\"/><triangle v1=\"0\" v2=\"3\" v3=\"2\"/>"
    "<triangle v1=\"1\" v2=\"2\" v3=\"3\"/></triangles></mesh></object>\n";

// Written, then read back bit for bit; components flattened with their
// transforms composed (inner first), one mesh per object no other uses.
TEST(ThreeMf, RoundTripsAndFlattensComponents)
{
    MeshData mesh;
    mesh.points = {{0.1, -0.0, 1.0 / 3}, {1e-310, -2.5e300, 7}, {NAN, 1, 2}, {3, 4, 5}};
    mesh.triangles = {{0, 1, 2}, {0, 3, 1}};
    const MeshData back = ReadMeshBytes(Write3mf(mesh), "out.3mf");
    ASSERT_EQ(mesh.points.size(), back.points.size());
    EXPECT_EQ(0, std::memcmp(mesh.points.data() + 0, back.points.data() + 0, 2 * sizeof(T3DVECF)));
    EXPECT_TRUE(std::isnan(back.points[2].x));
    EXPECT_EQ(CornersOf(mesh), CornersOf(back));
    EXPECT_EQ("3MF", back.formatName);

    const std::string pair = "<object id=\"2\"><components><component objectid=\"1\"/><component objectid=\"1\" "
                             "transform=\"1 0 0 0 1 0 0 0 1 5 0 0\"/></components></object>\n";
    const std::string turned = "<object id=\"3\" name=\"turned\"><components><component objectid=\"2\" "
                               "transform=\"0 1 0 -1 0 0 0 0 1 0 0 2\"/></components></object>\n";
    const std::vector<MeshData> objects = ReadMeshObjects(Write3mfPackage(Model(kTetraObject + pair + turned)), "a.3mf");
    ASSERT_EQ(1u, objects.size());
    const MeshData& flat = objects[0];
    EXPECT_EQ("3", flat.objectId);
    EXPECT_EQ("turned", flat.objectName);
    ASSERT_EQ(8u, flat.points.size());
    // (x, y, z) becomes (-y, x, z + 2); the second copy is first moved by 5 in x.
    const Points want = {{0, 0, 2}, {0, 1, 2}, {-1, 0, 2}, {0, 0, 3}, {0, 5, 2}, {0, 6, 2}, {-1, 5, 2}, {0, 5, 3}};
    Points got;
    for (const T3DVECF& p : flat.points) {
        got.push_back({p.x, p.y, p.z});
    }
    EXPECT_EQ(want, got);
    EXPECT_EQ((Corners{{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}, {4, 6, 5}, {4, 5, 7}, {4, 7, 6}, {5, 6, 7}}),
              CornersOf(flat));
    // Two objects of their own: two meshes, in the file's order.
    std::string second = kTetraObject;
    second.replace(second.find("id=\"1\""), 6, "id=\"9\"");
    const std::vector<MeshData> two = ReadMeshObjects(Write3mfPackage(Model(kTetraObject + second)), "b.3mf");
    ASSERT_EQ(2u, two.size());
    EXPECT_EQ("1", two[0].objectId);
    EXPECT_EQ("9", two[1].objectId);
}

TEST(ThreeMf, MalformedPackagesNameThePartAndLine)
{
    const std::string good = Write3mf(MeshData{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, "", {}, "", ""});
    const std::pair<std::string, std::string> cases[] = {
        {"plain text\n", "c.3mf: not a 3MF file: it is not a zip archive"},
        {good.substr(0, good.size() / 2), "c.3mf: not a readable 3MF archive: "},
        {Write3mfPackage("<model>\n<resources>\n<object id=\"1\">\n</model>\n"),
         "c.3mf: 3D/3dmodel.model: line 4: malformed XML: Start-end tags mismatch"},
        {Write3mfPackage(Model(kTetraObject.substr(0, kTetraObject.find("<triangle ")) +
                               "<triangle v1=\"0\" v2=\"1\" v3=\"4\"/></triangles></mesh></object>\n")),
         "c.3mf: 3D/3dmodel.model: line 5: a triangle refers to vertex 4, but object 1 has 4 vertices"},
        {Write3mfPackage(Model("<object id=\"7\">\n<components><component objectid=\"7\"/></components></object>\n")),
         "c.3mf: 3D/3dmodel.model: line 4: components of object 7 refer back to it"},
        {Write3mfPackage(Model("")), "c.3mf: 3D/3dmodel.model: line 2: the model has no objects"},
    };
    for (const auto& [bytes, message] : cases) {
        try {
            ReadMeshObjects(bytes, "c.3mf");
            ADD_FAILURE() << message << ": read";
        } catch (const LoadError& error) {
            EXPECT_EQ(message, std::string(error.what()).substr(0, message.size()));
        }
    }
}

// The command checks each object on its own, one JSON document each, and
// the file's status is the worst of them; a broken part is exit 2.
TEST(ThreeMf, CheckReportsEachObject)
{
    testing::TempDir dir;
    std::string open = kTetraObject;  // one face fewer: not closed
    open.erase(open.find("<triangle v1=\"1\""), std::string("<triangle v1=\"1\" v2=\"2\" v3=\"3\"/>").size());
    const std::string named = "id=\"1\" name=\"tetra\"";
    open.replace(open.find(named), named.size(), "id=\"9\" name=\"open\"");
    const std::string file = dir.Write("two.3mf", Write3mfPackage(Model(kTetraObject + open)));
    const testing::CommandResult r = testing::RunCommand({"check", "--json", "-q", file});
    const std::vector<nlohmann::json> documents = r.Json();
    ASSERT_EQ(2u, documents.size()) << r.out << r.err;
    EXPECT_EQ((nlohmann::json{{"id", 1}, {"name", "tetra"}}), documents[0]["object"]);
    EXPECT_EQ((nlohmann::json{{"id", 9}, {"name", "open"}}), documents[1]["object"]);
    EXPECT_EQ(3, documents[1]["schema"]);
    EXPECT_EQ(3, documents[1]["input"]["triangles"]);
    EXPECT_EQ(false, documents[1]["mesh"]["Closed"]["value"]);
    EXPECT_EQ(documents[0]["verdict"] == "fail" || documents[1]["verdict"] == "fail" ? 1 : 0, r.exitStatus);
    const std::string text = testing::RunCommand({"check", file}).out;
    EXPECT_NE(std::string::npos, text.find(file + "  object 9 'open'  (3MF, 4 points, 3 triangles)"));
    // Each object's marks go to a file of their own.
    testing::RunCommand({"check", "-q", "--marked", dir.File("m.ply"), file});
    EXPECT_EQ(4u, ReadMeshFile(dir.File("m-1.ply")).triangles.size());
    EXPECT_EQ(3u, ReadMeshFile(dir.File("m-2.ply")).triangles.size());
    const std::string bad = dir.Write("bad.3mf", Write3mfPackage("<model>\n<x>\n</model>\n"));
    const testing::CommandResult broken = testing::RunCommand({"check", bad});
    EXPECT_EQ(2, broken.exitStatus);
    EXPECT_EQ("meshaudit: " + bad + ": 3D/3dmodel.model: line 3: malformed XML: Start-end tags mismatch\n", broken.err);
}

}  // namespace
}  // namespace meshaudit::cli
