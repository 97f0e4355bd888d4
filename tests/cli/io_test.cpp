// The command's readers and writers: a table of small files, one per format
// and variant, with the points, triangles and notes each must give, and every
// truncation of each; layouts only other programs write; faces a fan would
// fold; a table of malformed files with the one-line error each must give;
// and write-then-read round trips.
#include "CliSupport.h"
#include "FileBytes.h"
#include "LoadError.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "Readers.h"
#include "ZipPackage.h"
#include "analysis/triangles/TriangleAnalyses.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

namespace meshaudit::cli {
namespace {

using testing::kTetraObject;
using testing::Model;

using Corners = std::vector<std::array<uint32_t, 3>>;

Corners CornersOf(const MeshData& mesh)
{
    Corners out;
    for (const TRIANGLE& t : mesh.triangles) {
        out.push_back({t.a, t.b, t.c});
    }
    return out;
}

// Equal as stored: NaN equals NaN, 0.0 differs from -0.0.
void ExpectSameMesh(const MeshData& want, const MeshData& got)
{
    ASSERT_EQ(want.points.size(), got.points.size());
    for (size_t i = 0; i < want.points.size(); ++i) {
        const double* a = &want.points[i].x;
        const double* b = &got.points[i].x;
        for (int c = 0; c < 3; ++c) {
            EXPECT_TRUE(std::isnan(a[c]) ? std::isnan(b[c]) : std::memcmp(a + c, b + c, 8) == 0)
                << "point " << i << ": " << a[c] << " read as " << b[c];
        }
    }
    EXPECT_EQ(CornersOf(want), CornersOf(got));
}

MeshData Tetra() { return testing::ToMeshData(meshaudit::testing::Tetrahedron()); }

MeshData Mesh(std::vector<T3DVECF> points, std::vector<TRIANGLE> triangles)
{
    MeshData mesh;
    mesh.points = std::move(points);
    mesh.triangles = std::move(triangles);
    return mesh;
}

// STL has no shared points: a read numbers points in order of first use.
MeshData FirstUseOrdered(const MeshData& mesh)
{
    MeshData ordered;
    std::vector<int64_t> number(mesh.points.size(), -1);
    for (const TRIANGLE& t : mesh.triangles) {
        uint32_t c[3] = {t.a, t.b, t.c};
        for (uint32_t& i : c) {
            if (number[i] < 0) {
                number[i] = static_cast<int64_t>(ordered.points.size());
                ordered.points.push_back(mesh.points[i]);
            }
            i = static_cast<uint32_t>(number[i]);
        }
        ordered.triangles.push_back(TRIANGLE{c[0], c[1], c[2]});
    }
    return ordered;
}

std::string StlJoinNote(size_t corners, size_t points)
{
    return "STL has no shared points: its " + std::to_string(corners) + " triangle corners were joined into " +
           std::to_string(points) + " points where their coordinates are exactly equal";
}

TEST(Readers, SmallFilesOfEveryFormatAndVariant)
{
    const MeshData tetra = Tetra(), stlTetra = FirstUseOrdered(tetra);
    const std::string binaryStl = WriteStl(stlTetra, false);
    std::string solidHeader = binaryStl;
    solidHeader.replace(0, 11, "solid cube ");
    const std::string plyAscii = WritePly(tetra, PlyEncoding::Ascii, PlyType::Float64);
    std::string crlf;
    for (char c : plyAscii) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::string stlJoin =
        "solid s\nfacet normal 0 0 1\n outer loop\n  vertex 0 0 0\n  vertex 1 0 0\n  vertex 0 1 0\n endloop\n"
        "endfacet\nfacet normal 0 0 1\n outer loop\n  vertex -0 0 0\n  vertex 1.0000000000000002 0 0\n"
        "  vertex 0 1e0 0\n endloop\nendfacet\nFACET NORMAL 0 0 1\n OUTER LOOP\n  VERTEX nan 0 0\n"
        "  VERTEX nan 0 0\n  VERTEX 0 1 0\n ENDLOOP\nENDFACET\nendsolid s\nsolid second\nendsolid second\n";
    const std::string tri = "0 0 0\n1 0 0\n0 1 0\n";  // three points, one per line
    const std::string plyFive = "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\n"
                                "property float z\n", fivePoints = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n2 1 0\n";
    const std::string strips = plyFive + "element tristrips 1\nproperty list int int vertex_indices\nend_header\n" +
                               fivePoints;
    const std::string facet = "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
                              "endloop\nendfacet\n";
    const std::vector<T3DVECF> unit = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::vector<T3DVECF> quad = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::vector<T3DVECF> five = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    const char* fan = "1 face with more than three corners split into 2 triangles";
    const std::string pair = "<object id=\"2\"><components><component objectid=\"1\"/><component objectid=\"1\" "
                             "transform=\"1 0 0 0 1 0 0 0 1 5 0 0\"/></components></object>\n";
    const std::string turned = "<object id=\"3\" name=\"turned\"><components><component objectid=\"2\" "
                               "transform=\"0 1 0 -1 0 0 0 0 1 0 0 2\"/></components></object>\n";
    struct Case {
        const char* name;
        std::string bytes;
        const char* format;
        MeshData mesh;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"forms.obj",
         "# comment\nmtllib x.mtl\no thing\nv 0 0 0\nv 1 0 0 1.0\nv 1 1 0 0.2 0.3 0.4\nv 0 1 0\nvt 0 0\n"
         "vn 0 0 1\ng side\nusemtl red\ns 1\nf 1/1/1 2/1/1 3/1/1\nf -4//1 -2//1 \\\n  -1//1\nf 1/1 3/1 4/1 2/1\n"
         "l 1 2\np 3\n",
         "OBJ", Mesh(quad, {{0, 1, 2}, {0, 2, 3}, {0, 2, 3}, {0, 3, 1}}),
         {"1 line elements ('l') ignored: they are not triangles",
          "1 point elements ('p') ignored: they are not triangles", fan,
          "1 face with more than three corners could not be split cleanly (self-crossing, degenerate, or too many "
          "corners to clip) and became a fan"}},
        {"later.obj", "f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n", "OBJ", Mesh(unit, {{0, 1, 2}}), {}},
        // OFF: comments and blank lines anywhere, counts beside the keyword,
        // colours, normals and texture coordinates read past, w divided out,
        // a fourth dimension dropped, data after the last face ignored; the
        // quad split along the diagonal that is not an edge of the triangle.
        {"colour.off",
         "COFF 4 2 0  # counts on the first line\n# a comment line\n\n0 0 0 255 0 0 255\n1 0 0 255 0 0 255\n"
         "1 1 0 255 0 0 255  # trailing comment\n0 1 0 255 0 0 255\n3 0 1 2 0.5 0.5 0.5\n4 0 1 2 3\n",
         "COFF", Mesh(quad, {{0, 1, 2}, {1, 2, 3}, {1, 3, 0}}), {fan}},
        {"lead.off", "# made by hand\n\n  # indented\nOFF 3 1\n" + tri + "3 0 1 2\n", "OFF", Mesh(unit, {{0, 1, 2}}),
         {}},
        {"w.off", "4OFF\n3 1 0\n0 0 0 1\n2 0 0 2\n0 3 0 3\n3 0 1 2\n", "4OFF", Mesh(unit, {{0, 1, 2}}),
         {"2 vertices in homogeneous coordinates divided by w"}},
        {"dim.off", "nOFF 4\n3 1 0\n0 0 0 9\n1 0 0 9\n0 1 0 9\n3 2 1 0\n", "nOFF", Mesh(unit, {{2, 1, 0}}),
         {"the file has 4 dimensions: only the first three coordinates of each vertex were read"}},
        {"all.off", "STCN4nOFF\n3\n3 1\n0 0 0 1 0 0 1 1 0 0 1 0.5 0.5\n1 0 0 1 0 0 1 1 0 0 1 0 0\n"
         "0 1 0 1 0 0 1 1 0 0 1 0 0\n3 0 1 2\n", "STCN4nOFF", Mesh(unit, {{0, 1, 2}}), {}},
        {"after.off", "OFF\n3 1 0\n" + tri + "3 0 1 2\n3 0 1 2\n", "OFF", Mesh(unit, {{0, 1, 2}}),
         {"data after the 1 faces the header announces was ignored (from line 7)"}},
        // -0 joins 0, 1e0 joins 1, the next double after 1 does not; a NaN
        // corner joins nothing, not even an identical NaN.
        {"join.stl", stlJoin, "STL ASCII",
         Mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1.0000000000000002, 0, 0}, {NAN, 0, 0}, {NAN, 0, 0}},
              {{0, 1, 2}, {0, 3, 2}, {4, 5, 2}}), {StlJoinNote(9, 6)}},
        // Several ASCII solids, the last without its endsolid.
        {"two.stl", "solid a\n" + facet + "endsolid a\nsolid b\n" + facet, "STL ASCII",
         Mesh(unit, {{0, 1, 2}, {0, 1, 2}}), {StlJoinNote(6, 3), "the file ends without 'endsolid' after its last "
                                                                "facet"}},
        {"noextension", solidHeader, "STL binary", stlTetra, {StlJoinNote(12, 4)}},
        {"trailing.stl", binaryStl + "xy", "STL binary", stlTetra,
         {StlJoinNote(12, 4), "2 bytes after the last triangle were ignored"}},
        {"crlf.ply", crlf, "PLY ASCII", tetra, {}},
        {"trailing.ply", WritePly(tetra, PlyEncoding::BinaryLittleEndian, PlyType::Float64) + "xyz",
         "PLY binary little-endian", tetra, {"3 bytes after the last element were ignored"}},
        // The content decides over the extension, and without one.
        {"misnamed.obj", plyAscii, "PLY ASCII", tetra, {}},
        {"misnamed.stl", WriteOff(tetra), "OFF", tetra, {}},
        {"noextension", WriteObj(tetra), "OBJ", tetra, {}},
        // Faces before vertices; a pentagon split by the fan that neither
        // repeats the triangle after it nor uses its edge 0-2, of those with
        // the largest smallest angle (45 degrees, from corner 3); a face too
        // short.
        {"order.ply",
         "ply\nformat ascii 1.0\nelement face 3\nproperty list uchar int vertex_indices\nelement vertex 5\n"
         "property float x\nproperty float y\nproperty float z\nend_header\n5 0 1 2 4 3\n3 0 1 2\n2 3 4\n"
         "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0.5 2 0\n",
         "PLY ASCII", Mesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 2, 0}},
                           {{3, 0, 1}, {3, 1, 2}, {3, 2, 4}, {0, 1, 2}}),
         {"1 face with more than three corners split into 3 triangles",
          "1 face with fewer than three corners skipped (first at line 12)"}},
        // Strips restart at -1 and alternate their winding; repeated corners
        // join strips and are skipped. Other lists beside the corners'.
        {"strips.ply", strips + "8 0 1 2 3 -1 2 3 4\n", "PLY ASCII", Mesh(five, {{0, 1, 2}, {2, 1, 3}, {2, 3, 4}}),
         {"2 triangle strips read as 3 triangles; 0 degenerate joining triangles (with a repeated corner) skipped"}},
        {"joined.ply", strips + "6 0 1 2 2 3 4\n", "PLY ASCII", Mesh(five, {{0, 1, 2}, {3, 2, 4}}),
         {"1 triangle strip read as 2 triangles; 2 degenerate joining triangles (with a repeated corner) skipped"}},
        {"index.ply", plyFive + "element face 1\nproperty list uchar float uv\nproperty list uchar int vertex_index\n"
         "end_header\n" + fivePoints + "2 0.5 0.5 3 4 3 1\n", "PLY ASCII", Mesh(five, {{4, 3, 1}}), {}},
        {"be.ply", WritePly(tetra, PlyEncoding::BinaryBigEndian, PlyType::Float32), "PLY binary big-endian", tetra, {}},
        // 3MF components are flattened with their transforms composed (inner
        // first) into one mesh per object that no other object uses: (x, y, z)
        // becomes (-y, x, z + 2), the second copy first moved by 5 in x.
        {"a.3mf", Write3mfPackage(Model(kTetraObject + pair + turned)), "3MF",
         Mesh({{0, 0, 2}, {0, 1, 2}, {-1, 0, 2}, {0, 0, 3}, {0, 5, 2}, {0, 6, 2}, {-1, 5, 2}, {0, 5, 3}},
              {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}, {4, 6, 5}, {4, 5, 7}, {4, 7, 6}, {5, 6, 7}}),
         {"object 3 is made of 1 components, flattened with their transforms"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MeshData mesh = ReadMeshBytes(c.bytes, c.name);
        EXPECT_EQ(mesh.formatName, c.format);
        ExpectSameMesh(c.mesh, mesh);
        EXPECT_EQ(mesh.notes, c.notes);
        // Every proper prefix is refused with an error naming the file, or
        // read as a smaller, consistent mesh (the sanitizer build checks that
        // nothing is read out of bounds).
        for (size_t length = 0; length < c.bytes.size(); ++length) {
            try {
                const MeshData partial = ReadMeshBytes(c.bytes.substr(0, length), c.name);
                EXPECT_LE(partial.triangles.size(), mesh.triangles.size()) << length;
                for (const TRIANGLE& t : partial.triangles) {
                    EXPECT_LT(std::max({t.a, t.b, t.c}), partial.points.size()) << length;
                }
            } catch (const LoadError& e) {
                EXPECT_EQ(std::string(e.what()).rfind(std::string(c.name) + ": ", 0), 0u) << e.what();
            }
        }
    }
    EXPECT_FALSE(FormatFromExtension("folder.ply/file"));
    EXPECT_EQ(FormatFromExtension("a/b.c/mesh.Off"), MeshFormat::Off);
}

// One PLY element: its values as text on a line of their own, or in either
// byte order.
void Put(std::string& out, PlyEncoding encoding, std::initializer_list<std::pair<PlyType, double>> values)
{
    for (const auto& [type, v] : values) {
        if (encoding == PlyEncoding::Ascii) {
            char text[40];
            const auto end = PlyTypeIsInteger(type) ? std::to_chars(text, text + 40, static_cast<int64_t>(v)).ptr
                                                    : std::to_chars(text, text + 40, v).ptr;
            out.append(text, end).push_back(' ');
            continue;
        }
        const uint64_t bits = type == PlyType::Float32   ? std::bit_cast<uint32_t>(static_cast<float>(v))
                              : type == PlyType::Float64 ? std::bit_cast<uint64_t>(v)
                                                         : static_cast<uint64_t>(static_cast<int64_t>(v));
        const size_t size = PlyTypeSize(type);
        for (size_t i = 0; i < size; ++i) {
            out += static_cast<char>(bits >> (8 * (encoding == PlyEncoding::BinaryBigEndian ? size - 1 - i : i)));
        }
    }
    if (encoding == PlyEncoding::Ascii) {
        out.back() = '\n';
    }
}

// Coordinates of every scalar type, counts and indices of every integer
// type, and properties and elements the reader must step over; or the plain
// layout (x, y, z and the corner list alone), which a little-endian file of
// float or double coordinates and int or uint corners reads faster.
TEST(Readers, PlyLayoutsOfOtherPrograms)
{
    const MeshData mesh = testing::ToMeshData(meshaudit::testing::Torus(5, 4));  // 20 points
    const PlyType types[] = {PlyType::Int8,  PlyType::UInt8,  PlyType::Int16,   PlyType::UInt16,
                             PlyType::Int32, PlyType::UInt32, PlyType::Float32, PlyType::Float64};
    MeshData whole = mesh;  // small whole numbers fit every type
    for (T3DVECF& p : whole.points) {
        p = T3DVECF{std::round(p.x * 3) + 13, std::round(p.y * 5) + 20, std::round(p.z * 7) + 7};
    }
    for (PlyEncoding encoding : {PlyEncoding::Ascii, PlyEncoding::BinaryLittleEndian, PlyEncoding::BinaryBigEndian}) {
        for (size_t i = 0; i < 16; ++i) {
            const bool plain = i >= 8;
            const PlyType coord = types[i % 8], count = plain ? PlyType::UInt8 : types[i % 6],
                          index = types[plain ? 4 + i % 2 : (i + 3) % 6];
            const char* format[] = {"ascii", "binary_little_endian", "binary_big_endian"};
            const std::string axis = "property " + std::string(PlyTypeName(coord));
            std::string ply = std::string("ply\nformat ") + format[static_cast<int>(encoding)] +
                              " 1.0\nelement vertex 20\n" + (plain ? "" : "property float confidence\n") + axis +
                              " x\n" + axis + " y\n" + axis + " z\n" +
                              (plain ? "" : "property list uchar ushort tags\nelement edge 1\nproperty int a\n"
                                            "property int b\n") +
                              "element face " + std::to_string(mesh.triangles.size()) + "\n" +
                              (plain ? "" : "property uchar flags\n") + "property list " + PlyTypeName(count) + " " +
                              PlyTypeName(index) + " vertex_index\n" + (plain ? "" : "property double quality\n") +
                              "end_header\n";
            for (const T3DVECF& p : whole.points) {
                if (plain) {
                    Put(ply, encoding, {{coord, p.x}, {coord, p.y}, {coord, p.z}});
                    continue;
                }
                Put(ply, encoding, {{PlyType::Float32, 0.5}, {coord, p.x}, {coord, p.y}, {coord, p.z},
                                    {PlyType::UInt8, 2}, {PlyType::UInt16, 1}, {PlyType::UInt16, 2}});
            }
            if (!plain) {
                Put(ply, encoding, {{PlyType::Int32, 0}, {PlyType::Int32, 1}});
            }
            for (const TRIANGLE& t : mesh.triangles) {
                if (plain) {
                    Put(ply, encoding, {{count, 3}, {index, t.a}, {index, t.b}, {index, t.c}});
                    continue;
                }
                Put(ply, encoding, {{PlyType::UInt8, 7}, {count, 3}, {index, t.a}, {index, t.b}, {index, t.c},
                                    {PlyType::Float64, 0.25}});
            }
            SCOPED_TRACE(std::string(format[static_cast<int>(encoding)]) + " " + PlyTypeName(coord) +
                         (plain ? " plain" : ""));
            ExpectSameMesh(whole, ReadPly(ply, "layout.ply"));
        }
    }
    // Faces that the faster plain reading leaves to the general one (a quad,
    // a face of two corners, a corner past the points): as in big-endian.
    const auto faces = [&](PlyEncoding encoding) {
        std::string ply = std::string("ply\nformat ") +
                          // Comments that make both headers as long: the same byte numbers.
                          (encoding == PlyEncoding::BinaryBigEndian ? "binary_big_endian 1.0\ncomment abcd"
                                                                    : "binary_little_endian 1.0\ncomment a") +
                          "\nelement vertex 20\nproperty double x\nproperty double y\nproperty double z\n"
                          "element face 5\nproperty list uchar int vertex_indices\nend_header\n";
        for (const T3DVECF& p : whole.points) {
            Put(ply, encoding, {{PlyType::Float64, p.x}, {PlyType::Float64, p.y}, {PlyType::Float64, p.z}});
        }
        Put(ply, encoding, {{PlyType::UInt8, 3}, {PlyType::Int32, 0}, {PlyType::Int32, 1}, {PlyType::Int32, 2}});
        Put(ply, encoding, {{PlyType::UInt8, 4}, {PlyType::Int32, 3}, {PlyType::Int32, 4}, {PlyType::Int32, 5},
                            {PlyType::Int32, 6}});
        Put(ply, encoding, {{PlyType::UInt8, 2}, {PlyType::Int32, 7}, {PlyType::Int32, 8}});
        Put(ply, encoding, {{PlyType::UInt8, 3}, {PlyType::Int32, 9}, {PlyType::Int32, 10}, {PlyType::Int32, 11}});
        Put(ply, encoding, {{PlyType::UInt8, 3}, {PlyType::Int32, 12}, {PlyType::Int32, 13}, {PlyType::Int32, 20}});
        return ply;
    };
    const auto read = [&](PlyEncoding encoding) {
        try {
            return std::string(ReadPly(faces(encoding), "faces.ply").notes.at(0));
        } catch (const LoadError& e) {
            return std::string(e.what());
        }
    };
    EXPECT_EQ(read(PlyEncoding::BinaryLittleEndian), read(PlyEncoding::BinaryBigEndian));
    EXPECT_NE(read(PlyEncoding::BinaryBigEndian).find("point 20"), std::string::npos);
}

// An L whose first corner cannot see the whole face, and a small triangle
// of its own in the notch: a fan from the first corner covers the notch,
// ear clipping does not, in whichever order the L is written.
TEST(Readers, NonConvexFacesGiveNoFalseIntersections)
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
            const MeshRecord record{mesh.points.data(), static_cast<uint32_t>(mesh.points.size()),
                                    mesh.triangles.data(), static_cast<uint32_t>(mesh.triangles.size())};
            EXPECT_EQ(0, triangles::CountIntersected(record)) << start << " " << reversed;
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
        }
    }
}

// Splits that repeat no edge or triangle of the faces: two quads sharing
// three corners (as in Suzanne; fans from each first corner make the same
// triangle twice and an edge of four), a quad whose first diagonal is an
// edge of a triangle, and a thin rhombus, whose short diagonal gives the
// larger smallest angle, 2 atan(1/4), to atan(1/4) for the long one. Then
// each triangle's face and place in it.
TEST(Readers, PolygonSplitsRepeatNoEdgeOrTriangle)
{
    const std::string square = "v 0 0 0\nv 0 1 0\nv 1 1 0\nv 1 0 0\n";
    const struct {
        const char* name;
        std::string obj;
        Corners want;
    } cases[] = {
        {"fold.obj", square + "v -0.2 0.8 0\nf 1 2 3 4\nf 1 4 3 5\n", {{0, 1, 2}, {0, 2, 3}, {3, 2, 4}, {3, 4, 0}}},
        {"edge.obj", square + "v 0 0 1\nf 1 2 3 4\nf 1 3 5\n", {{1, 2, 3}, {1, 3, 0}, {0, 2, 4}}},
        {"thin.obj", "v 0 0 0\nv 4 -1 0\nv 8 0 0\nv 4 1 0\nf 1 2 3 4\n", {{1, 2, 3}, {1, 3, 0}}},
    };
    for (const auto& c : cases) {
        const MeshData mesh = ReadMeshBytes(c.obj, c.name);
        EXPECT_EQ(CornersOf(mesh), c.want) << c.name;
        std::map<std::array<uint32_t, 3>, int> triples;
        std::map<std::pair<uint32_t, uint32_t>, int> edges;
        for (std::array<uint32_t, 3> t : CornersOf(mesh)) {
            for (int i = 0; i < 3; ++i) {
                ++edges[std::minmax(t[i], t[(i + 1) % 3])];
            }
            std::sort(t.begin(), t.end());
            EXPECT_EQ(++triples[t], 1) << c.name;
        }
        for (const auto& [edge, uses] : edges) {
            EXPECT_LE(uses, 2) << c.name << " " << edge.first << "-" << edge.second;
        }
    }
    const MeshData mixed = ReadMeshBytes(square + "v 0.5 -1 0\nf 1 2 3\nf 1 2 3 4\nf 1 2\nf 1 2 3 4 5\n", "n.obj");
    EXPECT_EQ(mixed.faces, (std::vector<uint32_t>{0, 1, 1, 3, 3, 3}));
    EXPECT_EQ(mixed.parts, (std::vector<uint32_t>{0, 1, 2, 1, 2, 3}));
    EXPECT_EQ(FaceOf(mixed, 4), 3u);
    EXPECT_EQ(FacePart(mixed, 5), 3u);
    const MeshData plain = ReadMeshBytes(square + "f 1 2 3\nf 1 3 4\n", "t.obj");
    EXPECT_TRUE(plain.faces.empty() && plain.parts.empty());
    EXPECT_EQ(FaceOf(plain, 1), 1u);
    EXPECT_EQ(FacePart(plain, 1), 0u);
}

std::string U32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string BinaryPly(uint32_t vertices, uint32_t faces, const std::string& body)
{
    return "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(vertices) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " + std::to_string(faces) +
           "\nproperty list uchar int vertex_indices\nend_header\n" + body;
}

// Every error a reader gives today: the file's name, the line or byte where
// the fault lies, and what it is, on one line.
TEST(Readers, MalformedFilesGiveTheirOneLineError)
{
    const std::string ply = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                            "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n";
    const std::string plyHead = "ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\n"
                                "property float z\nelement face 0\n";
    const std::string stl = "solid a\nfacet normal 0 0 1\nouter loop\n", floats9(36, '\0'), tri = "\x03";
    const std::string body = std::to_string(BinaryPly(3, 1, "").size() + 36);
    const std::string obj3 = "v 0 0 0\nv 1 0 0\nv 0 1 0\n", off3 = "OFF\n3 1 0\n0 0 0\n1 0 0\n";
    const std::string far = ", but the file has 3 points (1 triangle with corners out of range)";
    const std::string zip = Write3mf(Tetra());
    struct Case {
        const char* name;
        std::string bytes, message;
    };
    const Case table[] = {
        {"empty.obj", "", "the file is empty"},
        {"mystery.dat", "hello\n", "unknown mesh format: neither the extension nor the content names STL, OBJ, "
         "PLY, OFF or 3MF"},
        {"fake.ply", "OBJ? no\n", "line 1: not a PLY file: the first line is not 'ply'"},
        {"fake.off", "ply?\n", "not an OFF file: the first word outside comments is not an OFF keyword"},
        {"s.stl", std::string(40, 'x'), "byte 40: truncated binary STL: 40 bytes, shorter than its 84-byte header"},
        {"s.stl", std::string(80, ' ') + U32(10) + std::string(100, '\0') + "abc",
         "byte 184: truncated binary STL: the header announces 10 triangles (584 bytes) but the file has 187 bytes"},
        {"s.stl", std::string(80, ' ') + U32(0xFFFFFFFFu), "byte 84: truncated binary STL: the header announces "
         "4294967295 triangles (214748364834 bytes) but the file has 84 bytes"},
        {"s.stl", std::string(80, ' ') + U32(0), "the mesh is empty: no points"},
        {"s.stl", stl + "vertex 0 0 0\nvertex 1 x 0\n", "line 5: 'x' is not a number"},
        {"s.stl", stl + "vertex 0 0\n", "line 4: a vertex needs three coordinates"},
        {"s.stl", stl + "vertex 0 0 0 7\n", "line 4: unexpected '7' at the end of the line"},
        {"s.stl", stl + "vertex 0 0 0\nendfacet\n", "line 5: expected 'vertex' or 'endloop', found 'endfacet'"},
        {"s.stl", stl + "vertex 0 0 0\n", "line 4: truncated ASCII STL: the file ends inside a solid"},
        {"s.stl", "solid a\nfacet normal 0 0 1\ninner loop\n", "line 3: expected 'outer loop', found 'inner'"},
        {"s.stl", stl + "vertex 0 0 0\nvertex 1 0 0\nendloop\nendfacet\nendsolid\n", "the mesh is empty: no triangles"},
        {"b.obj", "v 0 0 0\nv 1 0\n", "line 2: a vertex needs three coordinates"},
        {"b.obj", "v 0 0 0\nv 1 0 0 0.5 red\n", "line 2: 'red' is not a number"},
        {"b.obj", "v 0 0 0\nv 1e999 0 0\n", "line 2: '1e999' is out of range for a double"},
        {"b.obj", obj3 + "f 1 2 0\n", "line 4: face corner '0': point index 0 (OBJ counts from 1)"},
        {"b.obj", obj3 + "f 1 2 x/1\n", "line 4: face corner 'x/1': 'x' is not an integer"},
        {"b.obj", obj3 + "f 1 2 3\nf 1 2 7\nf 9 8 1 2\nf -5 1 2\n",
         "line 5: a face refers to point 7, but the file has 3 points (4 triangles with corners out of range)"},
        {"b.obj", obj3 + "f 99999999999999999999 1 2\n", "line 4: face corner '99999999999999999999': "
         "'99999999999999999999' is out of range for an integer"},
        {"b.obj", obj3 + "f 1 2\n", "the mesh is empty: no triangles"},
        {"b.ply", "ply\nformat ascii 1.0\n", "line 2: truncated PLY header: no 'end_header'"},
        {"b.ply", "ply\nformat ascii 2.0\nend_header\n", "line 2: unsupported PLY version '2.0'"},
        {"b.ply", "ply\nformat binary 1.0\nend_header\n", "line 2: unknown PLY format 'binary'"},
        {"b.ply", "ply\nend_header\n", "line 2: the PLY header has no 'format' line"},
        {"b.ply", "ply\nformat ascii 1.0\nproperty float x\nend_header\n", "line 3: a property before any element"},
        {"b.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty real x\nend_header\n",
         "line 4: unknown PLY type 'real'"},
        {"b.ply", "ply\nformat ascii 1.0\nelement vertex three\nend_header\n",
         "line 3: element count: 'three' is not an integer"},
        {"b.ply", "ply\nformat ascii 1.0\nelement vertex -3\nend_header\n", "line 3: negative element count -3"},
        {"b.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nend_header\n0 0\n",
         "line 3: the vertex element lacks an x, y or z property"},
        {"b.ply", plyHead.substr(0, plyHead.size() - 15) + "end_header\n",
         "the PLY header declares no face element: the mesh has no triangles"},
        {"b.ply", "ply\nformat ascii 1.0\nelement face 0\nproperty list uchar int vertex_indices\nend_header\n",
         "the PLY header declares no vertex element"},
        {"b.ply", plyHead + "property list uchar float vertex_indices\nend_header\n",
         "line 7: 'vertex_indices' must be a list of an integer type"},
        {"b.ply", plyHead + "property list float int vertex_indices\nend_header\n",
         "line 8: a list count must have an integer type, not 'float'"},
        {"b.ply", plyHead + "property list uchar int corners\nend_header\n",
         "line 7: the face element has no 'vertex_indices' list"},
        {"b.ply", "ply\nformat binary_little_endian 1.0\nelement ghost 1000000\n" + plyHead.substr(20) +
         "property list uchar int vertex_indices\nend_header\n", "line 3: element 'ghost' has no properties"},
        {"h.ply", BinaryPly(4000000000u, 1, floats9), "line 3: the header announces 4000000000 'vertex' elements, "
         "more than the 36 bytes after the header can hold"},
        {"h.ply", BinaryPly(3, 4000000000u, floats9), "line 7: the header announces 4000000000 'face' elements, "
         "more than the 36 bytes after the header can hold"},
        {"t.ply", BinaryPly(3, 1, floats9 + tri + U32(0) + U32(1)),
         "byte " + body + ": truncated binary PLY: 'face' element 1 of 1 runs past the end of the file"},
        {"t.ply", BinaryPly(3, 1, floats9 + tri + U32(0) + U32(1) + U32(0xFFFFFFFEu)),
         "byte " + body + ": a face refers to point -2" + far},
        {"t.ply", BinaryPly(3, 2, floats9 + tri + U32(0) + U32(1) + U32(2) + tri + U32(0) + U32(1) + U32(3)),
         "byte " + std::to_string(std::stoul(body) + 13) + ": a face refers to point 3" + far},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 abc 0\n3 0 1 2\n", "line 12: property 'y': 'abc' is not a number"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1\n3 0 1 2\n", "line 12: missing a value for property 'z'"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0 5\n3 0 1 2\n", "line 12: more values than the properties of element "
         "'vertex'"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1\n", "line 13: missing a value for an item of list "
         "'vertex_indices'"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2.5\n", "line 13: an item of list 'vertex_indices': '2.5' is "
         "not an integer"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0\n300 0 1 2\n", "line 13: the length of list 'vertex_indices': '300' "
         "does not fit its type uchar"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 5\n", "line 13: a face refers to point 5" + far},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0\n", "line 7: the header announces 1 'face' elements, more than the "
         "18 bytes after the header can hold"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0\n\n\n\n", "line 15: truncated PLY: the file ends before 'face' "
         "element 1 of 1"},
        {"a.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 1 2\n", "line 14: data after the last element the "
         "header announces"},
        {"b.off", "OFF\n", "line 1: truncated OFF: the file ends before the counts of vertices, faces and edges"},
        {"b.off", "OFF\n3 x 0\n", "line 2: face count: 'x' is not an integer"},
        {"b.off", "OFF\n-3 1 0\n", "line 2: negative vertex or face count"},
        {"b.off", "OFF\n3 1 0 9\n", "line 2: unexpected '9' after the counts"},
        {"b.off", "OFF BINARY\n3 1 0\n", "line 1: binary OFF is not supported"},
        {"b.off", "4OFF\n3 1 0\n", "line 2: the header announces 3 vertices and 1 faces, more than the remaining "
         "0 bytes can hold"},
        {"b.off", off3 + "0 1\n3 0 1 2\n", "line 5: a vertex needs three coordinates"},
        {"b.off", off3 + "0 1 zz\n3 0 1 2\n", "line 5: 'zz' is not a number"},
        {"b.off", off3 + "0 1 0\n3 0 1\n", "line 6: the face announces 3 corners but has 2"},
        {"b.off", off3 + "0 1 0\n-3 0 1\n", "line 6: negative corner count -3"},
        {"b.off", off3 + "0 1 0\n3 0 1 3\n", "line 6: a face refers to point 3" + far},
        {"b.off", off3 + "0 1 0\n", "line 2: the header announces 3 vertices and 1 faces, more than the remaining "
         "18 bytes can hold"},
        {"b.off", off3 + "0 1 0\n# end\n", "line 6: truncated OFF: the file ends before the last face"},
        {"c.off", "NCOFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "not an OFF file: the first word outside "
         "comments is not an OFF keyword"},
        {"z.stl", std::string(80, ' ') + std::string(54, '\0'),
         "byte 80: the header announces 0 triangles but the file holds 134 bytes"},
        // 3MF faults name the part and its line.
        {"c.3mf", "plain text\n", "not a 3MF file: it is not a zip archive"},
        {"c.3mf", zip.substr(0, zip.size() / 2), "not a readable 3MF archive: "},
        {"c.3mf", Write3mfPackage("<model>\n<resources>\n<object id=\"1\">\n</model>\n"),
         "3D/3dmodel.model: line 4: malformed XML: Start-end tags mismatch"},
        {"c.3mf", Write3mfPackage(Model(kTetraObject.substr(0, kTetraObject.find("<triangle ")) +
                                        "<triangle v1=\"0\" v2=\"1\" v3=\"4\"/></triangles></mesh></object>\n")),
         "3D/3dmodel.model: line 5: a triangle refers to vertex 4, but object 1 has 4 vertices"},
        {"c.3mf", Write3mfPackage(Model("<object id=\"7\">\n<components><component objectid=\"7\"/></components>"
                                        "</object>\n")), "3D/3dmodel.model: line 4: components of object 7 refer back to it"},
        {"c.3mf", Write3mfPackage(Model("")), "3D/3dmodel.model: line 2: the model has no objects"},
    };
    for (const Case& c : table) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.message);
        try {
            ReadMeshBytes(c.bytes, c.name);
            ADD_FAILURE() << "read without an error";
        } catch (const LoadError& e) {
            // A message that ends in ": " goes on in the zip library's words.
            const std::string want = std::string(c.name) + ": " + c.message;
            EXPECT_EQ(std::string(e.what()).substr(0, want.back() == ' ' ? want.size() : std::string::npos), want);
        }
    }
}

// A negative zero, values that need all 17 digits, tiny and huge ones, a
// line of the longest texts a coordinate can take, an unused point, a triangle that repeats a point and one stored twice; and
// NaN and infinities.
std::vector<MeshData> AwkwardMeshes()
{
    MeshData mesh = testing::ToMeshData(meshaudit::testing::Torus(6, 4));
    mesh.points[0] = T3DVECF{0.1, 1.0 / 3.0, -0.0};
    mesh.points[1] = T3DVECF{1e-310, -2.5e300, 123456789.123456789};
    mesh.points[2] = T3DVECF{std::nextafter(1.0, 2.0), -std::nextafter(0.0, 1.0), 7.0};
    mesh.points[3] = T3DVECF{-2.2250738585072014e-308, -1.7976931348623157e+308, -2.2250738585072014e-308};
    mesh.points.push_back(T3DVECF{42.0, 42.0, 42.0});
    mesh.triangles.push_back(TRIANGLE{3, 3, 4});
    mesh.triangles.push_back(mesh.triangles[5]);
    MeshData odd = Tetra();
    odd.points[1] = T3DVECF{std::nan(""), HUGE_VAL, -HUGE_VAL};
    return {mesh, odd};
}

// Soups of a few thousand triangles whose corners take a few values (both
// zeros among them, and NaN, which equals nothing): STL's joining, binary
// and ASCII, against a brute-force search of the earlier points.
TEST(Readers, StlJoinsExactlyEqualCornersInOrderOfFirstUse)
{
    const float values[] = {0.0f, -0.0f, 1.0f, 0.5f, 3.0f, 1e-30f, -2.0f, 7.25f, std::nanf("")};
    std::mt19937 random(7);
    for (const bool ascii : {false, true}) {
        MeshData soup;
        for (uint32_t t = 0; t < 3000; ++t) {
            for (int c = 0; c < 3; ++c) {
                double xyz[3];
                for (double& v : xyz) {
                    const uint32_t k = random() % 64;
                    v = k < 9 ? values[k] : 8.0 + static_cast<double>(k % 8);
                }
                soup.points.push_back(T3DVECF{xyz[0], xyz[1], xyz[2]});
            }
            soup.triangles.push_back(TRIANGLE{3 * t, 3 * t + 1, 3 * t + 2});
        }
        MeshData want;
        std::vector<uint32_t> number;
        for (const T3DVECF& p : soup.points) {
            uint32_t n = 0;
            while (n < want.points.size() && !(want.points[n].x == p.x && want.points[n].y == p.y &&
                                               want.points[n].z == p.z)) {
                ++n;
            }
            if (n == want.points.size()) {
                want.points.push_back(p);
            }
            number.push_back(n);
        }
        for (size_t t = 0; t < soup.triangles.size(); ++t) {
            want.triangles.push_back(TRIANGLE{number[3 * t], number[3 * t + 1], number[3 * t + 2]});
        }
        // Joined points past the table's first size (NaN corners are never
        // joined): an ASCII file, which announces no count, grows it twice.
        ASSERT_GT(std::count_if(want.points.begin(), want.points.end(), [](const T3DVECF& p) { return !HasNaN(p); }),
                  1024);
        const std::string bytes =
            WriteMeshBytes(soup, MeshFormat::Stl, WriteOptions{PlyEncoding::Ascii, PlyType::Float32, ascii});
        const MeshData back = ReadMeshBytes(bytes, "soup.stl");
        ExpectSameMesh(want, back);
        EXPECT_EQ(back.notes, std::vector<std::string>{StlJoinNote(soup.points.size(), want.points.size())});
    }
}

// The double nearest in single precision (through a volatile, which GCC's
// vectorizer cannot drop).
double Single(double value)
{
    volatile float single = static_cast<float>(value);
    return single;
}

TEST(Writers, RoundTripsKeepEveryPointTriangleAndDigitTheFormatHolds)
{
    struct Case {
        MeshFormat format;
        PlyEncoding encoding;
        PlyType coordinates;
        bool stlAscii;
        const char* name;
    };
    const Case cases[] = {
        {MeshFormat::Obj, PlyEncoding::Ascii, PlyType::Float64, false, "OBJ"},
        {MeshFormat::Off, PlyEncoding::Ascii, PlyType::Float64, false, "OFF"},
        {MeshFormat::Ply, PlyEncoding::Ascii, PlyType::Float64, false, "PLY ASCII"},
        {MeshFormat::Ply, PlyEncoding::BinaryLittleEndian, PlyType::Float64, false, "PLY binary little-endian"},
        {MeshFormat::Ply, PlyEncoding::BinaryBigEndian, PlyType::Float64, false, "PLY binary big-endian"},
        {MeshFormat::Ply, PlyEncoding::Ascii, PlyType::Float32, false, "PLY ASCII"},
        {MeshFormat::Ply, PlyEncoding::BinaryLittleEndian, PlyType::Float32, false, "PLY binary little-endian"},
        {MeshFormat::Ply, PlyEncoding::BinaryBigEndian, PlyType::Float32, false, "PLY binary big-endian"},
        {MeshFormat::Stl, PlyEncoding::Ascii, PlyType::Float64, true, "STL ASCII"},
        {MeshFormat::Stl, PlyEncoding::Ascii, PlyType::Float32, false, "STL binary"},
        {MeshFormat::ThreeMf, PlyEncoding::Ascii, PlyType::Float64, false, "3MF"},
    };
    for (const Case& c : cases) {
        for (MeshData mesh : AwkwardMeshes()) {
            SCOPED_TRACE(std::string(c.name) + (c.coordinates == PlyType::Float32 ? " float" : ""));
            if (c.format == MeshFormat::Stl) {  // shared points only where corners are equal
                mesh = FirstUseOrdered(testing::ToMeshData(meshaudit::testing::Sphere(8, 6, 2.3, 0.1)));
            }
            const std::string bytes = WriteMeshBytes(mesh, c.format, WriteOptions{c.encoding, c.coordinates,
                                                                                  c.stlAscii});
            const MeshData back = ReadMeshBytes(bytes, std::string("m.") + FormatName(c.format));
            for (T3DVECF& p : mesh.points) {
                if (c.coordinates == PlyType::Float32) {
                    p = T3DVECF{Single(p.x), Single(p.y), Single(p.z)};
                }
            }
            ExpectSameMesh(mesh, back);
            EXPECT_EQ(back.formatName, c.name);
            EXPECT_EQ(back.notes.size(), c.format == MeshFormat::Stl ? 1u : 0u);
        }
    }

    testing::TempDir dir;
    EXPECT_THROW(WriteMeshFile(dir.File("cube.xyz"), Tetra(), {}), LoadError);
    EXPECT_THROW(WriteMeshFile(dir.File("missing-folder/cube.ply"), Tetra(), {}), LoadError);
}

// Whole files come back byte for byte whatever their size and kind: empty,
// regular, and a pipe whose size is not known and which outgrows the first
// block more than once.
TEST(Files, ReadWholeFromRegularFilesAndPipes)
{
    testing::TempDir dir;
    std::string bytes(200'000, '\0');
    std::mt19937 random(7);
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    EXPECT_EQ(ReadFileBytes(dir.Write("empty.bin", "")), "");
    EXPECT_EQ(ReadFileBytes(dir.Write("some.bin", bytes)), bytes);
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << bytes; });
    const std::string read = ReadFileBytes(pipe);
    writer.join();
    EXPECT_EQ(read, bytes);
    EXPECT_THROW(ReadFileBytes(dir.path), LoadError);
    EXPECT_THROW(ReadFileBytes(dir.File("missing.bin")), LoadError);
}

// Packages read back by the reader and, where Python is installed, by its
// zipfile module, an independent reader: parts deflated where that pays and
// stored where it does not, and ZIP64 records, forced by lowering their
// bound, for sizes, offsets and the end of the directory.
TEST(Zip, PartsReadBackDeflatedStoredAndWide)
{
    std::string noise(5000, '\0');
    std::mt19937 random(3);
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    const std::string model = "<model/>", rels = std::string(70000, 'r');
    const ZipPart parts[] = {{"3D/3dmodel.model", &model}, {"_rels/.rels", &rels}, {"noise.bin", &noise}};
    testing::TempDir dir;
    for (const uint64_t zip64From : {uint64_t{0xFFFFFFFF}, uint64_t{1}, uint64_t{200}}) {
        const std::string zip = WriteZip(parts, zip64From);
        EXPECT_LT(zip.size(), noise.size() + 1000);  // the repeated part is deflated
        EXPECT_EQ(zip.find("PK\x06\x06") != std::string::npos, zip64From != 0xFFFFFFFF);
        const ZipReader reader(zip, "f.3mf");
        EXPECT_EQ(reader.Read("3d/3DMODEL.model", 100), model);  // case does not matter
        EXPECT_EQ(reader.Read("_rels/.rels", 1 << 20), rels);
        EXPECT_EQ(reader.Read("noise.bin", 1 << 20), noise);
        EXPECT_FALSE(reader.Read("absent", 100));
        EXPECT_THROW(reader.Read("_rels/.rels", 100), LoadError);  // claims more than taken
        if (::access("/usr/bin/python3", X_OK) == 0) {
            const std::string file = dir.Write("p.zip", zip);
            const std::string script =
                "import zipfile, sys; z = zipfile.ZipFile(sys.argv[1]); "
                "assert z.testzip() is None; "
                "assert [(i.filename, i.compress_type, i.file_size) for i in z.infolist()] == "
                "[('3D/3dmodel.model', 0, 8), ('_rels/.rels', 8, 70000), ('noise.bin', 0, 5000)]";
            EXPECT_EQ(std::system(("/usr/bin/python3 -c \"" + script + "\" " + file).c_str()), 0) << zip64From;
        }
    }
    // The model part is stored first, right after its 30-byte header and name.
    std::string bad = WriteZip(parts);
    bad[30 + 16 + 3] ^= 1;  // the CRC no longer matches
    EXPECT_THROW(ZipReader(bad, "f.3mf").Read("3D/3dmodel.model", 100), LoadError);
    const std::string zip = WriteZip(parts);
    for (const std::string& junk : {std::string("PK\x03\x04"), zip.substr(0, zip.size() - 30)}) {
        EXPECT_THROW(ZipReader(junk, "f.3mf"), LoadError);
    }
}

}  // namespace
}  // namespace meshaudit::cli
