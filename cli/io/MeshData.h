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
};

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
