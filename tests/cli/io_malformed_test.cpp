// A table of malformed files and the one-line error each must give: the
// file's name, the line or byte where the fault lies, and what it is.
#include "LoadError.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "support/CliTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace meshaudit::cli {
namespace {

struct Malformed {
    const char* name;     // file name (its extension matters)
    std::string bytes;
    std::string message;  // the whole message after "NAME: "
};

std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    std::memcpy(s.data(), &v, 4);
    return s;
}

std::string BinaryStlHeader(uint32_t count)
{
    return std::string(80, ' ') + U32(count);
}

std::string Facet()
{
    return std::string(50, '\0');
}

const char* kPlyHeader =
    "ply\n"
    "format ascii 1.0\n"
    "element vertex 3\n"
    "property float x\n"
    "property float y\n"
    "property float z\n"
    "element face 1\n"
    "property list uchar int vertex_indices\n"
    "end_header\n";

std::string BinaryPly(uint32_t vertices, uint32_t faces, const std::string& body)
{
    return "ply\nformat binary_little_endian 1.0\nelement vertex " + std::to_string(vertices) +
           "\nproperty float x\nproperty float y\nproperty float z\nelement face " + std::to_string(faces) +
           "\nproperty list uchar int vertex_indices\nend_header\n" + body;
}

std::string Floats(int count)
{
    return std::string(4 * static_cast<size_t>(count), '\0');
}

std::vector<Malformed> Table()
{
    const std::string ply = kPlyHeader;
    const std::string plyHeaderOnly = BinaryPly(3, 1, "");
    return {
        // Every format
        {"empty.obj", "", "the file is empty"},
        {"mystery.dat", "hello\nworld\n", "unknown mesh format: neither the extension nor the content names STL, OBJ, PLY or OFF"},
        {"fake.ply", "OBJ? no\n", "line 1: not a PLY file: the first line is not 'ply'"},
        {"fake.off", "ply?\n", "line 1: not an OFF file: the first line is not 'OFF'"},

        // STL
        {"short.stl", std::string(40, 'x'), "byte 40: truncated binary STL: 40 bytes, shorter than its 84-byte header"},
        {"truncated.stl", BinaryStlHeader(10) + Facet() + Facet() + "abc",
         "byte 184: truncated binary STL: the header announces 10 triangles (584 bytes) but the file has 187 bytes"},
        {"huge.stl", BinaryStlHeader(0xFFFFFFFFu),
         "byte 84: truncated binary STL: the header announces 4294967295 triangles (214748364834 bytes) but the file "
         "has 84 bytes"},
        {"nothing.stl", BinaryStlHeader(0), "the mesh is empty: no points"},
        {"ascii.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 x 0\n",
         "line 5: 'x' is not a number"},
        {"ascii.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0\n", "line 4: a vertex needs three coordinates"},
        {"ascii.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0 7\n", "line 4: unexpected '7' at the end of the line"},
        {"ascii.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nendfacet\n",
         "line 5: expected 'vertex' or 'endloop', found 'endfacet'"},
        {"ascii.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n",
         "line 4: truncated ASCII STL: the file ends inside a solid"},
        {"ascii.stl", "solid a\nfacet normal 0 0 1\ninner loop\n", "line 3: expected 'outer loop', found 'inner'"},
        {"ascii.stl", "solid a\nendsolid a\n", "the mesh is empty: no points"},
        {"ascii.stl", "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\nendfacet\nendsolid\n",
         "the mesh is empty: no triangles"},

        // OBJ
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 abc 0\nf 1 2 3\n", "line 3: 'abc' is not a number"},
        {"bad.obj", "v 0 0 0\nv 1 0\n", "line 2: a vertex needs three coordinates"},
        {"bad.obj", "v 0 0 0\nv 1 0 0 0.5 red\n", "line 2: 'red' is not a number"},
        {"bad.obj", "v 0 0 0\nv 1e999 0 0\n", "line 2: '1e999' is out of range for a double"},
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n", "line 4: face corner '0': point index 0 (OBJ counts from 1)"},
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 x/1\n", "line 4: face corner 'x/1': 'x' is not an integer"},
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 7\nf 9 8 1 2\nf -5 1 2\n",
         "line 5: a face refers to point 7, but the file has 3 points (4 triangles with corners out of range)"},
        {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 99999999999999999999 1 2\n",
         "line 4: face corner '99999999999999999999': '99999999999999999999' is out of range for an integer"},
        {"points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", "the mesh is empty: no triangles"},
        {"noface.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n", "the mesh is empty: no triangles"},

        // PLY header
        {"bad.ply", "ply\nformat ascii 1.0\n", "line 2: truncated PLY header: no 'end_header'"},
        {"bad.ply", "ply\nformat ascii 2.0\nend_header\n", "line 2: unsupported PLY version '2.0'"},
        {"bad.ply", "ply\nformat binary 1.0\nend_header\n", "line 2: unknown PLY format 'binary'"},
        {"bad.ply", "ply\nend_header\n", "line 2: the PLY header has no 'format' line"},
        {"bad.ply", "ply\nformat ascii 1.0\nproperty float x\nend_header\n", "line 3: a property before any element"},
        {"bad.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty real x\nend_header\n", "line 4: unknown PLY type 'real'"},
        {"bad.ply", "ply\nformat ascii 1.0\nelement vertex three\nend_header\n",
         "line 3: element count: 'three' is not an integer"},
        {"bad.ply", "ply\nformat ascii 1.0\nelement vertex -3\nend_header\n", "line 3: negative element count -3"},
        {"bad.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nend_header\n0 0\n",
         "line 3: the vertex element lacks an x, y or z property"},
        {"bad.ply", "ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\nproperty float z\nend_header\n",
         "the PLY header declares no face element: the mesh has no triangles"},
        {"bad.ply", "ply\nformat ascii 1.0\nelement face 0\nproperty list uchar int vertex_indices\nend_header\n",
         "the PLY header declares no vertex element"},
        {"bad.ply",
         "ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\nproperty float z\n"
         "element face 0\nproperty list uchar float vertex_indices\nend_header\n",
         "line 7: 'vertex_indices' must be a list of an integer type"},
        {"bad.ply",
         "ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\nproperty float z\n"
         "element face 0\nproperty list float int vertex_indices\nend_header\n",
         "line 8: a list count must have an integer type, not 'float'"},
        {"bad.ply", "ply\nformat ascii 1.0\nelement vertex 0\nproperty float x\nproperty float y\nproperty float z\n"
                    "element face 0\nproperty list uchar int corners\nend_header\n",
         "line 7: the face element has no 'vertex_indices' list"},
        {"bad.ply", "ply\nformat binary_little_endian 1.0\nelement ghost 1000000\nelement vertex 0\nproperty float x\n"
                    "property float y\nproperty float z\nelement face 0\nproperty list uchar int vertex_indices\nend_header\n",
         "line 3: element 'ghost' has no properties"},

        // PLY counts against the file size
        {"huge.ply", BinaryPly(4000000000u, 1, Floats(9)),
         "line 3: the header announces 4000000000 'vertex' elements, more than the 36 bytes after the header can hold"},
        {"huge.ply", BinaryPly(3, 4000000000u, Floats(9)),
         "line 7: the header announces 4000000000 'face' elements, more than the 36 bytes after the header can hold"},
        {"huge.ply",
         "ply\nformat ascii 1.0\nelement vertex 1000000\nproperty float x\nproperty float y\nproperty float z\n"
         "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n",
         "line 3: the header announces 1000000 'vertex' elements, more than the 6 bytes after the header can hold"},

        // PLY binary bodies
        {"truncated.ply", BinaryPly(3, 1, Floats(9) + std::string(1, '\x03') + U32(0) + U32(1)),
         "byte " + std::to_string(plyHeaderOnly.size() + 36) +
             ": truncated binary PLY: 'face' element 1 of 1 runs past the end of the file"},
        {"negative.ply", BinaryPly(3, 1, Floats(9) + std::string(1, '\x03') + U32(0) + U32(1) + U32(0xFFFFFFFEu)),
         "byte " + std::to_string(plyHeaderOnly.size() + 36) +
             ": a face refers to point -2, but the file has 3 points (1 triangle with corners out of range)"},
        {"range.ply", BinaryPly(3, 2, Floats(9) + std::string(1, '\x03') + U32(0) + U32(1) + U32(2) +
                                          std::string(1, '\x03') + U32(0) + U32(1) + U32(3)),
         "byte " + std::to_string(plyHeaderOnly.size() + 49) +
             ": a face refers to point 3, but the file has 3 points (1 triangle with corners out of range)"},

        // PLY ASCII bodies
        {"text.ply", ply + "0 0 0\n1 0 0\n0 abc 0\n3 0 1 2\n", "line 12: property 'y': 'abc' is not a number"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1\n3 0 1 2\n", "line 12: missing a value for property 'z'"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0 5\n3 0 1 2\n",
         "line 12: more values than the properties of element 'vertex'"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1\n",
         "line 13: missing a value for an item of list 'vertex_indices'"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2.5\n",
         "line 13: an item of list 'vertex_indices': '2.5' is not an integer"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0\n300 0 1 2\n",
         "line 13: the length of list 'vertex_indices': '300' does not fit its type uchar"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 5\n",
         "line 13: a face refers to point 5, but the file has 3 points (1 triangle with corners out of range)"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0\n", "line 7: the header announces 1 'face' elements, more than the 18 bytes after the header can hold"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0\n\n\n\n", "line 15: truncated PLY: the file ends before 'face' element 1 of 1"},
        {"text.ply", ply + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 1 2\n",
         "line 14: data after the last element the header announces"},

        // OFF
        {"bad.off", "OFF\n", "line 1: truncated OFF: the file ends before the counts of vertices, faces and edges"},
        {"bad.off", "OFF\n3 x 0\n", "line 2: face count: 'x' is not an integer"},
        {"bad.off", "OFF\n-3 1 0\n", "line 2: negative vertex or face count"},
        {"bad.off", "OFF\n3 1 0 9\n", "line 2: unexpected '9' after the counts"},
        {"bad.off", "OFF BINARY\n3 1 0\n", "line 1: binary OFF is not supported"},
        {"bad.off", "4OFF\n3 1 0\n", "line 1: not an OFF file: the first line is not 'OFF'"},
        {"bad.off", "OFF\n4000000000 1 0\n0 0 0\n",
         "line 2: the header announces 4000000000 vertices and 1 faces, more than the remaining 6 bytes can hold"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1\n3 0 1 2\n", "line 5: a vertex needs three coordinates"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 zz\n3 0 1 2\n", "line 5: 'zz' is not a number"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1\n", "line 6: the face announces 3 corners but has 2"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n-3 0 1\n", "line 6: negative corner count -3"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n",
         "line 6: a face refers to point 3, but the file has 3 points (1 triangle with corners out of range)"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n", "line 2: the header announces 3 vertices and 1 faces, more than the remaining 18 bytes can hold"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n# end\n", "line 6: truncated OFF: the file ends before the last face"},
        {"bad.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n3 0 1 2\n",
         "line 7: data after the 1 faces the header announces"},
        {"bad.off", "OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 0\n", "the mesh is empty: no triangles"},
    };
}

TEST(Malformed, EachGivesItsOneLineError)
{
    for (const Malformed& m : Table()) {
        SCOPED_TRACE(std::string(m.name) + ": " + m.message);
        try {
            ReadMeshBytes(m.bytes, m.name);
            ADD_FAILURE() << "read without an error";
        } catch (const LoadError& e) {
            EXPECT_EQ(std::string(e.what()), std::string(m.name) + ": " + m.message);
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        }
    }
}

// Every proper prefix of a valid file is rejected with an error or read as
// a smaller mesh; none crashes or reads out of bounds (the sanitizer build
// checks the latter).
TEST(Malformed, EveryTruncationOfEveryFormatFailsCleanly)
{
    const MeshData mesh = testing::ToMeshData(meshaudit::testing::Tetrahedron());
    const std::pair<std::string, std::string> files[] = {
        {"t.ply", WritePly(mesh, PlyEncoding::Ascii, PlyType::Float64)},
        {"t.ply", WritePly(mesh, PlyEncoding::BinaryLittleEndian, PlyType::Float32)},
        {"t.ply", WritePly(mesh, PlyEncoding::BinaryBigEndian, PlyType::Float64)},
        {"t.obj", WriteObj(mesh)},
        {"t.off", WriteOff(mesh)},
        {"t.stl", WriteStl(mesh, true)},
        {"t.stl", WriteStl(mesh, false)},
    };
    for (const auto& [name, bytes] : files) {
        for (size_t length = 0; length < bytes.size(); ++length) {
            try {
                MeshData partial = ReadMeshBytes(bytes.substr(0, length), name);
                EXPECT_LE(partial.triangles.size(), mesh.triangles.size());
                for (const TRIANGLE& t : partial.triangles) {
                    EXPECT_LT(std::max({t.a, t.b, t.c}), partial.points.size());
                }
            } catch (const LoadError& e) {
                EXPECT_EQ(std::string(e.what()).rfind(name + ": ", 0), 0u) << e.what();
            }
        }
    }
}

TEST(Malformed, UnreadablePaths)
{
    testing::TempDir dir;
    try {
        ReadMeshFile(dir.File("missing.obj"));
        ADD_FAILURE();
    } catch (const LoadError& e) {
        EXPECT_EQ(std::string(e.what()), dir.File("missing.obj") + ": cannot open: No such file or directory");
    }
    try {
        ReadMeshFile(dir.Path());
        ADD_FAILURE();
    } catch (const LoadError& e) {
        EXPECT_EQ(std::string(e.what()), dir.Path() + ": is a directory, not a mesh file");
    }
}

}  // namespace
}  // namespace meshaudit::cli
