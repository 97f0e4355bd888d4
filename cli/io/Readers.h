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
// formats are simple enough to read exactly with std::from_chars. 3MF is a
// zip package of XML: libzip and pugixml take it apart, and its numbers go
// through the same std::from_chars parsing.
#pragma once

#include "BuildItem.h"
#include "MeshData.h"

#include <string>
#include <string_view>
#include <vector>

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

// OFF with any of its keyword prefixes, [ST][C][N][4][n]OFF: texture
// coordinates, colours and normals after a vertex's coordinates are read
// past, homogeneous coordinates (4) are divided by w, a dimension (n) above
// three keeps the first three coordinates. Comments and blank lines may
// stand anywhere; data after the announced faces is ignored with a note.
MeshData ReadOff(std::string_view bytes, const std::string& file);

// 3MF: a zip package whose model part (named by _rels/.rels) holds objects
// of vertices and triangles or of components (other objects placed by 3x4
// transforms, nested). Each object no other object uses as a component is
// one mesh, its components flattened into it; Read3mf joins them all into
// one mesh for the commands that take a single one.
std::vector<MeshData> Read3mfObjects(std::string_view bytes, const std::string& file);
MeshData Read3mf(std::string_view bytes, const std::string& file);

// The build of a 3MF file: one BuildItem per <item> of its <build>, in
// document order (empty when there is none), each the object it names
// flattened as Read3mfObjects flattens it, then moved by the item's
// transform. An item may name any object, also one that others use as a
// component, and several items may name one object. Throws LoadError, as
// Read3mfObjects does and also when an item names an object the model does
// not define or one without triangles (of its own or in its components),
// names another model part (p:path), or has a transform that is not twelve
// finite numbers or is singular (determinant 0: the object would be flat),
// or when all items together place more than 2^26 triangles or points.
std::vector<BuildItem> Read3mfBuildItems(std::string_view bytes, const std::string& file);

// Read3mfObjects and Read3mfBuildItems from one reading of the model part,
// for a check of the objects and of the plate they make.
struct ThreeMfPackage {
    std::vector<MeshData> objects;
    std::vector<BuildItem> items;
};
ThreeMfPackage Read3mfPackage(std::string_view bytes, const std::string& file);

// What an OFF keyword announces; false when `word` is no OFF keyword.
struct OffKeyword {
    bool textures = false, colours = false, normals = false, homogeneous = false, dimension = false;
};
bool ParseOffKeyword(std::string_view word, OffKeyword& keyword);

}  // namespace meshaudit::cli
