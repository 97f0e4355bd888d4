// One reader per format. Each takes the file's bytes and the name to use in
// messages, and returns the mesh or throws LoadError.
//
// Why these readers are written here rather than taken from a library:
// the command must hand the library exactly the points and triangles of the
// file, and Debian's mesh libraries do not. tinyobjloader (2.0.0rc10) rounds
// about half of all decimal coordinates to a neighbouring double (its own
// number parser is not correctly rounded), reads a non-numeric or missing
// coordinate as 0 without an error and reports out-of-range indices without
// the line of the face; assimp stores coordinates in single precision and
// its OBJ importer makes one point per face corner; and Debian packages no
// PLY or OFF library of its own (no rply, happly or miniply). All four
// formats are simple enough to read exactly with std::from_chars.
#pragma once

#include "MeshData.h"

#include <string>
#include <string_view>

namespace meshaudit::cli {

// STL, binary or ASCII (decided by IsBinaryStl). STL stores three corner
// coordinates per triangle and no shared points: corners become one point
// when their coordinates are exactly equal (0.0 and -0.0 are equal, a NaN
// equals nothing), points numbered in order of first appearance.
MeshData ReadStl(std::string_view bytes, const std::string& file);
bool IsBinaryStl(std::string_view bytes);

// Wavefront OBJ: "v" and "f" statements (1-based or negative relative
// indices); everything else (normals, texture coordinates, groups,
// materials) is ignored, line and point elements with a note.
MeshData ReadObj(std::string_view bytes, const std::string& file);

// PLY, ASCII or binary of either byte order; coordinates of any scalar type;
// face lists of any integer count and index type.
MeshData ReadPly(std::string_view bytes, const std::string& file);

// OFF (also COFF, NOFF, CNOFF, STOFF: the extra values are ignored).
MeshData ReadOff(std::string_view bytes, const std::string& file);

}  // namespace meshaudit::cli
