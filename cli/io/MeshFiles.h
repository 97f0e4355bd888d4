// Reading and writing mesh files by name: the format is chosen from the
// content and the extension, through one table of the formats.
#pragma once

#include "MeshData.h"
#include "MeshWriters.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meshaudit::cli {

// One format the command reads and writes. Detection, reading, writing, the
// help texts, the folder scans and the messages that list the formats all
// come from the table of these rows, so a format is added in one place.
struct FormatEntry {
    MeshFormat format;
    const char* name;                             // "PLY"
    std::array<std::string_view, 2> extensions;   // ".ply", lower case; unused ones empty
    const char* recognised;                       // how detection tells it, in a few words
    const char* reads;                            // what the reader takes, in a few words
    const char* writes;                           // what the writer writes
    // A test of the content that decides alone (a signature), or nullptr;
    // `noSignature` is the error when the extension names the format but
    // the signature is missing.
    bool (*signature)(std::string_view bytes);
    const char* noSignature;
    // A weaker test, tried when neither a signature nor an extension decided.
    bool (*guess)(std::string_view bytes);
    MeshData (*read)(std::string_view bytes, const std::string& path);
    // The meshes of a file of several objects, each checked on its own;
    // nullptr where a file holds one mesh.
    std::vector<MeshData> (*readObjects)(std::string_view bytes, const std::string& path);
    std::string (*write)(const MeshData& mesh, const WriteOptions& options);
    // How `write` writes with the options, e.g. "PLY binary little-endian".
    std::string (*writtenAs)(const WriteOptions& options);
};

// Every format, in the order signatures and guesses are tried.
std::span<const FormatEntry> MeshFormats();
const FormatEntry& EntryOf(MeshFormat format);
// The extensions of every format in table order, joined by `separator`.
std::string FormatExtensions(const char* separator = ", ");

// The format named by the extension of `path` (case-insensitive), if any.
std::optional<MeshFormat> FormatFromExtension(const std::string& path);

// The format of a file: a signature decides; otherwise the extension (an
// error when it names a format whose signature is missing); otherwise the
// formats' guesses. Throws LoadError when nothing fits.
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
