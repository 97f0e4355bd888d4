#include "MeshFiles.h"

#include "FileBytes.h"
#include "LoadError.h"
#include "Readers.h"
#include "TextScan.h"

#include <cstring>

namespace meshaudit::cli {

namespace {

std::string LowerExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

std::string_view FirstLine(std::string_view bytes)
{
    std::string_view line = bytes.substr(0, bytes.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// The first word that is neither blank nor in a comment is an OFF keyword.
bool LooksLikeOff(std::string_view bytes)
{
    TextLines lines(bytes.substr(0, 1 << 16));
    std::string_view line;
    while (lines.Next(line)) {
        Tokens tokens(line.substr(0, line.find('#')));
        std::string_view first;
        if (tokens.Next(first)) {
            OffKeyword ignored;
            return ParseOffKeyword(first, ignored);
        }
    }
    return false;
}

bool LooksLikeBinaryStl(std::string_view bytes)
{
    if (bytes.size() < 84) {
        return false;
    }
    unsigned char b[4];
    std::memcpy(b, bytes.data() + 80, 4);
    uint64_t count = uint64_t{b[0]} | uint64_t{b[1]} << 8 | uint64_t{b[2]} << 16 | uint64_t{b[3]} << 24;
    return 84 + 50 * count == bytes.size();
}

// An OBJ file has no signature: look for a vertex or face statement among
// the first lines that are not comments.
bool LooksLikeObj(std::string_view bytes)
{
    TextLines lines(bytes.substr(0, 1 << 16));
    std::string_view line;
    int seen = 0;
    while (lines.Next(line) && seen < 64) {
        Tokens tokens(line);
        std::string_view word;
        if (!tokens.Next(word) || word.front() == '#') {
            continue;
        }
        ++seen;
        if (word == "v" || word == "f") {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<MeshFormat> FormatFromExtension(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    if (extension == "stl") {
        return MeshFormat::Stl;
    }
    if (extension == "obj") {
        return MeshFormat::Obj;
    }
    if (extension == "ply") {
        return MeshFormat::Ply;
    }
    if (extension == "off") {
        return MeshFormat::Off;
    }
    if (extension == "3mf") {
        return MeshFormat::ThreeMf;
    }
    return std::nullopt;
}

const char* FormatName(MeshFormat format)
{
    switch (format) {
    case MeshFormat::Stl:
        return "STL";
    case MeshFormat::Obj:
        return "OBJ";
    case MeshFormat::Ply:
        return "PLY";
    case MeshFormat::Off:
        return "OFF";
    case MeshFormat::ThreeMf:
        return "3MF";
    }
    return "?";
}

MeshFormat DetectFormat(std::string_view bytes, const std::string& path)
{
    if (bytes.empty()) {
        throw LoadError(path, "the file is empty");
    }
    if (FirstLine(bytes) == "ply") {
        return MeshFormat::Ply;
    }
    // A zip archive's local file header: 3MF is the only zipped format.
    if (bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4)) {
        return MeshFormat::ThreeMf;
    }
    if (LooksLikeOff(bytes)) {
        return MeshFormat::Off;
    }
    const std::optional<MeshFormat> byName = FormatFromExtension(path);
    if (byName == MeshFormat::Ply) {
        throw LoadError(path, SourceLocation::Line(1), "not a PLY file: the first line is not 'ply'");
    }
    if (byName == MeshFormat::Off) {
        throw LoadError(path, "not an OFF file: the first word outside comments is not an OFF keyword");
    }
    if (byName == MeshFormat::ThreeMf) {
        throw LoadError(path, "not a 3MF file: it is not a zip archive");
    }
    if (byName == MeshFormat::Stl || byName == MeshFormat::Obj) {
        return *byName;
    }
    if (FirstLine(bytes).substr(0, 5) == "solid" || LooksLikeBinaryStl(bytes)) {
        return MeshFormat::Stl;
    }
    if (LooksLikeObj(bytes)) {
        return MeshFormat::Obj;
    }
    throw LoadError(path, "unknown mesh format: neither the extension nor the content names STL, OBJ, PLY, OFF or 3MF");
}

MeshData ReadMeshBytes(std::string_view bytes, const std::string& path)
{
    switch (DetectFormat(bytes, path)) {
    case MeshFormat::Stl:
        return ReadStl(bytes, path);
    case MeshFormat::Obj:
        return ReadObj(bytes, path);
    case MeshFormat::Ply:
        return ReadPly(bytes, path);
    case MeshFormat::Off:
        return ReadOff(bytes, path);
    case MeshFormat::ThreeMf:
        return Read3mf(bytes, path);
    }
    throw LoadError(path, "unknown mesh format");
}

std::vector<MeshData> ReadMeshObjects(std::string_view bytes, const std::string& path)
{
    if (DetectFormat(bytes, path) == MeshFormat::ThreeMf) {
        return Read3mfObjects(bytes, path);
    }
    std::vector<MeshData> one;
    one.push_back(ReadMeshBytes(bytes, path));
    return one;
}

std::vector<MeshData> ReadMeshFileObjects(const std::string& path)
{
    const std::string bytes = ReadFileBytes(path);
    return ReadMeshObjects(bytes, path);
}

MeshData ReadMeshFile(const std::string& path)
{
    const std::string bytes = ReadFileBytes(path);
    return ReadMeshBytes(bytes, path);
}

}  // namespace meshaudit::cli
