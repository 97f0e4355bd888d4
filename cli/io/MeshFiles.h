// Reading and writing mesh files by name: the format is chosen from the
// content and the extension.
#pragma once

#include "MeshData.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace meshaudit::cli {

// The format named by the extension of `path` (case-insensitive: .stl, .obj,
// .ply, .off, .3mf), if any.
std::optional<MeshFormat> FormatFromExtension(const std::string& path);

// The format of a file: a PLY or OFF signature or a zip archive (3MF)
// decides; otherwise an ".stl" or ".obj" extension, an STL "solid" start, or
// a binary STL whose size matches its triangle count; otherwise an OBJ "v"
// or "f" statement among the first lines. Throws LoadError when nothing
// fits, or when the extension names PLY, OFF or 3MF and the signature is
// missing.
MeshFormat DetectFormat(std::string_view bytes, const std::string& path);

MeshData ReadMeshBytes(std::string_view bytes, const std::string& path);

// Reads the file at `path` (LoadError on any failure).
MeshData ReadMeshFile(const std::string& path);

// The meshes a file holds, each checked on its own: one per 3MF object, the
// file's one mesh for the other formats.
std::vector<MeshData> ReadMeshObjects(std::string_view bytes, const std::string& path);
std::vector<MeshData> ReadMeshFileObjects(const std::string& path);

const char* FormatName(MeshFormat format);

}  // namespace meshaudit::cli
