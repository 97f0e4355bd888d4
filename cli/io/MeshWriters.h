// Writers for the formats of the table in MeshFiles.h. Text formats write
// every coordinate as the shortest decimal that reads back to the same
// double, so that a written file reads back exactly.
#pragma once

#include "MeshData.h"
#include "PlyHeader.h"

#include <string>

namespace meshaudit::cli {

struct WriteOptions {
    // PLY: ASCII or binary of either byte order, coordinates as float or
    // double, corners as a uchar-counted list of uint.
    PlyEncoding plyEncoding = PlyEncoding::BinaryLittleEndian;
    PlyType plyCoordinates = PlyType::Float64;
    // STL: ASCII (full double precision) or binary (single precision, as the
    // format demands).
    bool stlAscii = false;
};

// The bytes of the file. The mesh's corners must lie below its point count.
std::string WritePly(const MeshData& mesh, PlyEncoding encoding, PlyType coordinates);
std::string WriteObj(const MeshData& mesh);
std::string WriteOff(const MeshData& mesh);
std::string WriteStl(const MeshData& mesh, bool ascii);
// A 3MF package of one object, in millimetres.
std::string Write3mf(const MeshData& mesh);
// A 3MF package around the given model part: content types, relationships.
std::string Write3mfPackage(const std::string& model);

std::string WriteMeshBytes(const MeshData& mesh, MeshFormat format, const WriteOptions& options);

// Writes `mesh` to `path` in the format its extension names (through a
// temporary file renamed at the end). Throws LoadError for an unknown
// extension or a failed write.
void WriteMeshFile(const std::string& path, const MeshData& mesh, const WriteOptions& options);

}  // namespace meshaudit::cli
