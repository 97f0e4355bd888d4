// Write-then-read round trips for every format and variant the command
// writes, and the reading of layouts that only other programs write.
#include "LoadError.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "Readers.h"
#include "support/CliTestSupport.h"
#include "support/PlyBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace meshaudit::cli {
namespace {

using testing::BuildPly;
using testing::PlyTestElement;
using testing::PlyTestProperty;

// Equal as stored: NaN equals NaN, and 0.0 differs from -0.0.
bool SameDouble(double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b);
    }
    return a == b && std::signbit(a) == std::signbit(b);
}

::testing::AssertionResult SamePoint(const T3DVECF& a, const T3DVECF& b)
{
    if (SameDouble(a.x, b.x) && SameDouble(a.y, b.y) && SameDouble(a.z, b.z)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") != (" << b.x << ", "
                                         << b.y << ", " << b.z << ")";
}

using Corners = std::vector<std::array<uint32_t, 3>>;

Corners CornersOf(const MeshData& mesh)
{
    Corners out;
    for (const TRIANGLE& t : mesh.triangles) {
        out.push_back({t.a, t.b, t.c});
    }
    return out;
}

void ExpectSameMesh(const MeshData& expected, const MeshData& actual)
{
    ASSERT_EQ(expected.points.size(), actual.points.size());
    ASSERT_EQ(expected.triangles.size(), actual.triangles.size());
    for (size_t i = 0; i < expected.points.size(); ++i) {
        EXPECT_TRUE(SamePoint(expected.points[i], actual.points[i])) << "point " << i;
    }
    EXPECT_EQ(CornersOf(expected), CornersOf(actual));
}

// The double nearest to `value` in single precision; through a volatile, as
// GCC 12.2's SLP vectorizer drops a double-float-double round trip in a loop.
double Single(double value)
{
    volatile float single = static_cast<float>(value);
    return single;
}

T3DVECF SinglePoint(const T3DVECF& p)
{
    return T3DVECF{Single(p.x), Single(p.y), Single(p.z)};
}

// A mesh that tests faithfulness: values that need all 17 digits, a
// negative zero, tiny and huge magnitudes, an unused point, a triangle that
// repeats a point and a triangle stored twice.
MeshData AwkwardMesh()
{
    MeshData mesh = testing::ToMeshData(meshaudit::testing::Torus(6, 4));
    mesh.points[0] = T3DVECF{0.1, 1.0 / 3.0, -0.0};
    mesh.points[1] = T3DVECF{1e-310, -2.5e300, 123456789.123456789};
    mesh.points[2] = T3DVECF{std::nextafter(1.0, 2.0), -std::nextafter(0.0, 1.0), 7.0};
    mesh.points.push_back(T3DVECF{42.0, 42.0, 42.0});  // used by no triangle
    mesh.triangles.push_back(TRIANGLE{3, 3, 4});
    mesh.triangles.push_back(mesh.triangles[5]);
    return mesh;
}

MeshData NonFiniteMesh()
{
    MeshData mesh = testing::ToMeshData(meshaudit::testing::Tetrahedron());
    mesh.points[1] = T3DVECF{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    return mesh;
}

MeshData RoundTrip(const MeshData& mesh, MeshFormat format, const WriteOptions& options)
{
    const std::string bytes = WriteMeshBytes(mesh, format, options);
    return ReadMeshBytes(bytes, std::string("mesh.") + (format == MeshFormat::Ply   ? "ply"
                                                        : format == MeshFormat::Obj ? "obj"
                                                        : format == MeshFormat::Off ? "off"
                                                                                    : "stl"));
}

TEST(RoundTrip, ObjOffAndDoublePlyKeepEveryPointTriangleAndDigit)
{
    struct Case {
        MeshFormat format;
        PlyEncoding encoding;
        const char* name;
    };
    const Case cases[] = {
        {MeshFormat::Obj, PlyEncoding::Ascii, "OBJ"},
        {MeshFormat::Off, PlyEncoding::Ascii, "OFF"},
        {MeshFormat::Ply, PlyEncoding::Ascii, "PLY ASCII"},
        {MeshFormat::Ply, PlyEncoding::BinaryLittleEndian, "PLY binary little-endian"},
        {MeshFormat::Ply, PlyEncoding::BinaryBigEndian, "PLY binary big-endian"},
    };
    for (const Case& c : cases) {
        for (const MeshData& mesh : {AwkwardMesh(), NonFiniteMesh()}) {
            SCOPED_TRACE(c.name);
            WriteOptions options;
            options.plyEncoding = c.encoding;
            options.plyCoordinates = PlyType::Float64;
            MeshData back = RoundTrip(mesh, c.format, options);
            ExpectSameMesh(mesh, back);
            EXPECT_EQ(back.formatName, c.name);
            EXPECT_TRUE(back.notes.empty());
        }
    }
}

TEST(RoundTrip, PlyFloatStoresSinglePrecisionInEveryEncoding)
{
    const MeshData mesh = testing::ToMeshData(meshaudit::testing::Sphere(7, 5, 1.7, 0.1, 0.2, 0.3));
    MeshData rounded = mesh;
    for (T3DVECF& p : rounded.points) {
        p = SinglePoint(p);
    }
    for (PlyEncoding encoding : {PlyEncoding::Ascii, PlyEncoding::BinaryLittleEndian, PlyEncoding::BinaryBigEndian}) {
        WriteOptions options;
        options.plyEncoding = encoding;
        options.plyCoordinates = PlyType::Float32;
        const std::string bytes = WriteMeshBytes(mesh, MeshFormat::Ply, options);
        EXPECT_NE(bytes.find("property float x"), std::string::npos);
        ExpectSameMesh(rounded, ReadMeshBytes(bytes, "mesh.ply"));
    }
}

// STL has no shared points: a read joins equal corners, numbering points in
// order of first use. For the sphere, whose points are first used in index
// order, that gives back the very same mesh.
MeshData FirstUseOrdered(const MeshData& mesh)
{
    MeshData ordered;
    std::vector<int64_t> number(mesh.points.size(), -1);
    for (const TRIANGLE& t : mesh.triangles) {
        TRIANGLE renumbered{};
        uint32_t* out[3] = {&renumbered.a, &renumbered.b, &renumbered.c};
        const uint32_t in[3] = {t.a, t.b, t.c};
        for (int i = 0; i < 3; ++i) {
            if (number[in[i]] < 0) {
                number[in[i]] = static_cast<int64_t>(ordered.points.size());
                ordered.points.push_back(mesh.points[in[i]]);
            }
            *out[i] = static_cast<uint32_t>(number[in[i]]);
        }
        ordered.triangles.push_back(renumbered);
    }
    return ordered;
}

TEST(RoundTrip, AsciiStlKeepsDoublesAndJoinsCorners)
{
    const MeshData mesh = FirstUseOrdered(testing::ToMeshData(meshaudit::testing::Torus(9, 5, 3.1, 0.7)));
    WriteOptions options;
    options.stlAscii = true;
    MeshData back = RoundTrip(mesh, MeshFormat::Stl, options);
    ExpectSameMesh(mesh, back);
    EXPECT_EQ(back.formatName, "STL ASCII");
    ASSERT_EQ(back.notes.size(), 1u);
    EXPECT_EQ(back.notes[0], "STL has no shared points: its " + std::to_string(3 * mesh.triangles.size()) +
                                 " triangle corners were joined into " + std::to_string(mesh.points.size()) +
                                 " points where their coordinates are exactly equal");
}

TEST(RoundTrip, BinaryStlStoresSinglePrecision)
{
    MeshData mesh = FirstUseOrdered(testing::ToMeshData(meshaudit::testing::Sphere(8, 6, 2.3)));
    const std::string bytes = WriteStl(mesh, false);
    ASSERT_EQ(bytes.size(), 84 + 50 * mesh.triangles.size());
    EXPECT_NE(bytes.substr(0, 5), "solid");
    for (T3DVECF& p : mesh.points) {
        p = SinglePoint(p);
    }
    MeshData back = ReadMeshBytes(bytes, "mesh.stl");
    ExpectSameMesh(mesh, back);
    EXPECT_EQ(back.formatName, "STL binary");
}

TEST(RoundTrip, WriteMeshFileChoosesTheFormatByExtension)
{
    testing::TempDir dir;
    const MeshData mesh = testing::ToMeshData(meshaudit::testing::UnitCube());
    const std::pair<const char*, const char*> cases[] = {
        {"cube.ply", "PLY binary little-endian"}, {"cube.OBJ", "OBJ"}, {"cube.off", "OFF"}, {"cube.Stl", "STL binary"}};
    for (const auto& [name, format] : cases) {
        WriteMeshFile(dir.File(name), mesh, {});
        MeshData back = ReadMeshFile(dir.File(name));
        EXPECT_EQ(back.formatName, format) << name;
        EXPECT_EQ(back.triangles.size(), 12u);
        EXPECT_EQ(back.points.size(), 8u);
    }
    EXPECT_THROW(WriteMeshFile(dir.File("cube.xyz"), mesh, {}), LoadError);
    EXPECT_THROW(WriteMeshFile(dir.File("missing-folder/cube.ply"), mesh, {}), LoadError);
}

// ---------------------------------------------------------------------------
// Layouts written by other programs
// ---------------------------------------------------------------------------

std::vector<std::vector<std::vector<double>>> PointRows(const MeshData& mesh, int extra)
{
    std::vector<std::vector<std::vector<double>>> rows;
    for (const T3DVECF& p : mesh.points) {
        std::vector<std::vector<double>> row;
        for (int i = 0; i < extra; ++i) {
            row.push_back({0.5 * i});  // a property before the coordinates
        }
        row.push_back({p.x});
        row.push_back({p.y});
        row.push_back({p.z});
        rows.push_back(row);
    }
    return rows;
}

TEST(PlyLayouts, AnyIntegerTypeForCountsAndIndices)
{
    const MeshData mesh = testing::ToMeshData(meshaudit::testing::Torus(5, 4));  // 20 points
    const PlyType countTypes[] = {PlyType::UInt8, PlyType::Int8, PlyType::UInt16, PlyType::Int16, PlyType::UInt32,
                                  PlyType::Int32};
    const PlyType indexTypes[] = {PlyType::UInt8, PlyType::Int8,   PlyType::UInt16,
                                  PlyType::Int16, PlyType::UInt32, PlyType::Int32};
    for (PlyEncoding encoding : {PlyEncoding::Ascii, PlyEncoding::BinaryLittleEndian, PlyEncoding::BinaryBigEndian}) {
        for (PlyType countType : countTypes) {
            for (PlyType indexType : indexTypes) {
                PlyTestElement vertex{"vertex",
                                      {{"x", PlyType::Float64}, {"y", PlyType::Float64}, {"z", PlyType::Float64}},
                                      PointRows(mesh, 0)};
                PlyTestElement face{"face", {{"vertex_index", indexType, true, countType}}, {}};
                for (const TRIANGLE& t : mesh.triangles) {
                    face.rows.push_back({{double(t.a), double(t.b), double(t.c)}});
                }
                SCOPED_TRACE(std::string(PlyTypeName(countType)) + " " + PlyTypeName(indexType));
                ExpectSameMesh(mesh, ReadPly(BuildPly(encoding, {vertex, face}), "layout.ply"));
            }
        }
    }
}

TEST(PlyLayouts, CoordinatesOfAnyScalarTypeAndExtraProperties)
{
    MeshData mesh = testing::ToMeshData(meshaudit::testing::UnitCube());
    for (T3DVECF& p : mesh.points) {
        p = T3DVECF{p.x * 3 - 1, p.y * 5, p.z * 7 - 2};  // small whole numbers fit every type
    }
    // Signed types only: the cube has negative coordinates.
    const PlyType types[] = {PlyType::Int8, PlyType::Int16, PlyType::Int32, PlyType::Float32, PlyType::Float64};
    for (PlyEncoding encoding : {PlyEncoding::Ascii, PlyEncoding::BinaryLittleEndian, PlyEncoding::BinaryBigEndian}) {
        for (PlyType type : types) {
            PlyTestElement vertex{"vertex",
                                  {{"confidence", PlyType::Float32},
                                   {"x", type},
                                   {"y", type},
                                   {"z", type},
                                   {"tags", PlyType::UInt16, true, PlyType::UInt8}},
                                  {}};
            for (auto row : PointRows(mesh, 1)) {
                row.push_back({1, 2, 3});
                vertex.rows.push_back(row);
            }
            PlyTestElement face{"face",
                                {{"flags", PlyType::UInt8}, {"vertex_indices", PlyType::UInt32, true, PlyType::UInt8},
                                 {"quality", PlyType::Float64}},
                                {}};
            for (const TRIANGLE& t : mesh.triangles) {
                face.rows.push_back({{7}, {double(t.a), double(t.b), double(t.c)}, {0.25}});
            }
            PlyTestElement edge{"edge", {{"vertex1", PlyType::Int32}, {"vertex2", PlyType::Int32}}, {{{0}, {1}}, {{1}, {2}}}};
            SCOPED_TRACE(PlyTypeName(type));
            ExpectSameMesh(mesh, ReadPly(BuildPly(encoding, {vertex, edge, face}), "layout.ply"));
        }
    }
}

TEST(PlyLayouts, FacesBeforeVerticesAndPolygonsAreFanSplit)
{
    MeshData square;
    square.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 2, 0}};
    PlyTestElement face{"face", {{"vertex_indices", PlyType::Int32, true, PlyType::UInt8}}, {}};
    face.rows.push_back({{0, 1, 2, 4, 3}});  // a pentagon
    face.rows.push_back({{0, 1, 2}});
    face.rows.push_back({{3, 4}});  // too short to be a triangle
    PlyTestElement vertex{"vertex", {{"x", PlyType::Float32}, {"y", PlyType::Float32}, {"z", PlyType::Float32}},
                          PointRows(square, 0)};
    for (PlyEncoding encoding : {PlyEncoding::Ascii, PlyEncoding::BinaryLittleEndian}) {
        MeshData mesh = ReadPly(BuildPly(encoding, {face, vertex}), "order.ply");
        EXPECT_EQ(CornersOf(mesh), (Corners{{0, 1, 2}, {0, 2, 4}, {0, 4, 3}, {0, 1, 2}}));
        ASSERT_EQ(mesh.notes.size(), 2u);
        EXPECT_EQ(mesh.notes[0], "1 face with more than three corners split into 3 triangles (fan from the first corner)");
        EXPECT_EQ(mesh.notes[1].substr(0, 52), "1 face with fewer than three corners skipped (first ");
    }
}

TEST(PlyLayouts, CrLfHeaderAndTrailingBinaryBytesAreNoted)
{
    const MeshData mesh = testing::ToMeshData(meshaudit::testing::Tetrahedron());
    std::string ascii = WritePly(mesh, PlyEncoding::Ascii, PlyType::Float64);
    std::string crlf;
    for (char c : ascii) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    ExpectSameMesh(mesh, ReadPly(crlf, "crlf.ply"));

    std::string binary = WritePly(mesh, PlyEncoding::BinaryLittleEndian, PlyType::Float64) + "xyz";
    MeshData back = ReadPly(binary, "trailing.ply");
    ExpectSameMesh(mesh, back);
    ASSERT_EQ(back.notes.size(), 1u);
    EXPECT_EQ(back.notes[0], "3 bytes after the last element were ignored");
}

TEST(ObjLayouts, RelativeIndicesCornerFormsAndContinuations)
{
    const std::string text =
        "# comment\n"
        "mtllib x.mtl\n"
        "o thing\n"
        "v 0 0 0\n"
        "v 1 0 0 1.0\n"           // with a weight
        "v 1 1 0 0.2 0.3 0.4\n"   // with a colour
        "v 0 1 0\n"
        "vt 0 0\n"
        "vn 0 0 1\n"
        "g side\n"
        "usemtl red\n"
        "s 1\n"
        "f 1/1/1 2/1/1 3/1/1\n"
        "f -4//1 -2//1 \\\n"
        "  -1//1\n"
        "f 1/1 3/1 4/1 2/1\n"     // a quad
        "l 1 2\n"
        "p 3\n";
    MeshData mesh = ReadObj(text, "forms.obj");
    ASSERT_EQ(mesh.points.size(), 4u);
    EXPECT_TRUE(SamePoint(mesh.points[2], T3DVECF{1, 1, 0}));
    EXPECT_EQ(CornersOf(mesh), (Corners{{0, 1, 2}, {0, 2, 3}, {0, 2, 3}, {0, 3, 1}}));
    ASSERT_EQ(mesh.notes.size(), 3u);
    EXPECT_EQ(mesh.notes[0], "1 line elements ('l') ignored: they are not triangles");
    EXPECT_EQ(mesh.notes[1], "1 point elements ('p') ignored: they are not triangles");
    EXPECT_EQ(mesh.notes[2], "1 face with more than three corners split into 2 triangles (fan from the first corner)");
}

TEST(ObjLayouts, FacesMayNamePointsDefinedLater)
{
    EXPECT_EQ(CornersOf(ReadObj("f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n", "later.obj")), (Corners{{0, 1, 2}}));
}

TEST(StlLayouts, CornersJoinOnlyWhenExactlyEqual)
{
    const std::string text =
        "solid s\n"
        "facet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n  vertex 0 1 0\n endloop\nendfacet\n"
        "facet normal 0 0 1\n outer loop\n  vertex -0 0 0\n  vertex 1.0000000000000002 0 0\n  vertex 0 1e0 0\n"
        " endloop\nendfacet\n"
        "FACET NORMAL 0 0 1\n OUTER LOOP\n  VERTEX nan 0 0\n  VERTEX nan 0 0\n  VERTEX 0 1 0\n ENDLOOP\nENDFACET\n"
        "endsolid s\n"
        "solid second\nendsolid second\n";
    MeshData mesh = ReadStl(text, "join.stl");
    // -0 joins 0, 1e0 joins 1, the next double after 1 does not; a NaN
    // corner joins nothing, not even an identical NaN.
    ASSERT_EQ(mesh.points.size(), 6u);
    EXPECT_EQ(CornersOf(mesh), (Corners{{0, 1, 2}, {0, 3, 2}, {4, 5, 2}}));
    EXPECT_EQ(mesh.formatName, "STL ASCII");
    ASSERT_EQ(mesh.notes.size(), 1u);
    EXPECT_EQ(mesh.notes[0],
              "STL has no shared points: its 9 triangle corners were joined into 6 points where their coordinates "
              "are exactly equal");
}

TEST(StlLayouts, BinaryFileWhoseHeaderStartsWithSolid)
{
    const MeshData mesh = FirstUseOrdered(testing::ToMeshData(meshaudit::testing::Tetrahedron()));
    std::string bytes = WriteStl(mesh, false);
    bytes.replace(0, 11, "solid cube ");
    EXPECT_TRUE(IsBinaryStl(bytes));
    ExpectSameMesh(mesh, ReadMeshBytes(bytes, "header.stl"));
    // Without an .stl extension the size that matches the count still tells.
    EXPECT_EQ(ReadMeshBytes(bytes, "noextension").formatName, "STL binary");
}

TEST(OffLayouts, CommentsColoursAndCountsOnTheKeywordLine)
{
    const std::string text =
        "COFF 4 2 0  # counts on the first line\n"
        "# a comment line\n"
        "\n"
        "0 0 0 255 0 0 255\n"
        "1 0 0 255 0 0 255\n"
        "1 1 0 255 0 0 255  # trailing comment\n"
        "0 1 0 255 0 0 255\n"
        "3 0 1 2 0.5 0.5 0.5\n"
        "4 0 1 2 3\n";
    MeshData mesh = ReadOff(text, "colour.off");
    EXPECT_EQ(mesh.formatName, "COFF");
    ASSERT_EQ(mesh.points.size(), 4u);
    EXPECT_EQ(CornersOf(mesh), (Corners{{0, 1, 2}, {0, 1, 2}, {0, 2, 3}}));
}

TEST(Detection, ContentDecidesOverExtensionAndSniffsWithoutOne)
{
    const MeshData mesh = testing::ToMeshData(meshaudit::testing::Tetrahedron());
    EXPECT_EQ(ReadMeshBytes(WritePly(mesh, PlyEncoding::Ascii, PlyType::Float64), "misnamed.obj").formatName,
              "PLY ASCII");
    EXPECT_EQ(ReadMeshBytes(WriteOff(mesh), "misnamed.stl").formatName, "OFF");
    EXPECT_EQ(ReadMeshBytes(WriteObj(mesh), "noextension").formatName, "OBJ");
    EXPECT_EQ(ReadMeshBytes(WriteStl(FirstUseOrdered(mesh), true), "noextension").formatName, "STL ASCII");
    EXPECT_EQ(DetectFormat(WriteObj(mesh), "UPPER.OBJ"), MeshFormat::Obj);
    EXPECT_FALSE(FormatFromExtension("folder.ply/file"));
    EXPECT_EQ(FormatFromExtension("a/b.c/mesh.Off"), MeshFormat::Off);
}

}  // namespace
}  // namespace meshaudit::cli
