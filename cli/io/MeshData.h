// The mesh as a reader found it in a file, before it is handed to the library.
#pragma once

#include "meshaudit.h"

#include <cstdint>
#include <string>
#include <vector>

namespace meshaudit::cli {

// The file formats the command reads and writes.
enum class MeshFormat { Stl, Obj, Ply, Off, ThreeMf };

struct MeshData {
    // Points and triangles in the file's own order; triangle corners are
    // 0-based indices into `points`, all below points.size() once a reader
    // has returned.
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
    // How the file was read, e.g. "PLY binary little-endian".
    std::string formatName;
    // One sentence per thing the reader did beyond copying the file's
    // points and triangles (fan triangulation, joined STL corners, ...).
    std::vector<std::string> notes;
    // The 3MF object this mesh is, by its id and name; empty otherwise.
    std::string objectId{};
    std::string objectName{};
    // The file's own numbering, for a file whose faces are not all
    // triangles: for each triangle, the 0-based number of the face it came
    // from (every face of the file counts, skipped ones too), and its part,
    // 1-based among the triangles the face was split into (0 for a face that
    // is one triangle). A face's triangles are contiguous and in the order
    // of its split. Both empty when triangle i is face i: every face a
    // triangle, none skipped (binary STL and 3MF always).
    std::vector<uint32_t> faces{};
    std::vector<uint32_t> parts{};
};

// The face of the file that `triangle` came from, and its part in it, as
// MeshData::faces and parts hold them, also where they are empty.
inline uint32_t FaceOf(const MeshData& mesh, uint32_t triangle)
{
    return mesh.faces.empty() ? triangle : mesh.faces[triangle];
}
inline uint32_t FacePart(const MeshData& mesh, uint32_t triangle)
{
    return mesh.parts.empty() ? 0 : mesh.parts[triangle];
}

// Where in a file something was found: a 1-based line of a text format or a
// 0-based byte offset of a binary one.
struct SourceLocation {
    enum class Kind { None, Line, Byte };
    Kind kind = Kind::None;
    uint64_t value = 0;

    static SourceLocation Line(uint64_t line) { return {Kind::Line, line}; }
    static SourceLocation Byte(uint64_t offset) { return {Kind::Byte, offset}; }
    // "line 12", "byte 84", or "" for None.
    std::string Describe() const;
};

}  // namespace meshaudit::cli
