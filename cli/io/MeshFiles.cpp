#include "MeshFiles.h"

#include "FileBytes.h"
#include "LoadError.h"
#include "Readers.h"
#include "TextScan.h"

#include <cstring>
#include <stdexcept>

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

bool LooksLikeStl(std::string_view bytes)
{
    return FirstLine(bytes).substr(0, 5) == "solid" || LooksLikeBinaryStl(bytes);
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

bool IsPly(std::string_view bytes)
{
    return FirstLine(bytes) == "ply";
}

// A zip archive's local file header: 3MF is the only zipped format.
bool IsZip(std::string_view bytes)
{
    return bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4);
}

std::string PlyWrittenAs(const WriteOptions& options)
{
    return options.plyEncoding == PlyEncoding::Ascii ? "PLY ASCII"
           : options.plyEncoding == PlyEncoding::BinaryBigEndian ? "PLY binary big-endian"
                                                                 : "PLY binary little-endian";
}

// STL and OBJ have no signature: their extension or a guess decides. The
// signatures exclude each other (a first line "ply", a zip header, an OFF
// keyword as the first word), so their order does not matter; STL is
// guessed before OBJ, whose guess is the weaker.
constexpr FormatEntry kFormats[] = {
    {MeshFormat::Stl, "STL", {".stl"}, "the extension, 'solid' first or its size",
     "binary, ASCII, several solids", "binary (single precision), or ASCII",  //
     nullptr, nullptr, LooksLikeStl, ReadStl, nullptr,
     [](const MeshData& mesh, const WriteOptions& options) { return WriteStl(mesh, options.stlAscii); },
     [](const WriteOptions& options) -> std::string {
         return options.stlAscii ? "STL ASCII" : "STL binary, single precision";
     }},
    {MeshFormat::Obj, "OBJ", {".obj"}, "the extension, 'v' or 'f' lines", "'v' and 'f'; polygons split", "text",  //
     nullptr, nullptr, LooksLikeObj, ReadObj, nullptr,
     [](const MeshData& mesh, const WriteOptions&) { return WriteObj(mesh); },
     [](const WriteOptions&) -> std::string { return "OBJ"; }},
    {MeshFormat::Ply, "PLY", {".ply"}, "'ply' first", "ASCII, binary; polygons, strips split",
     "binary little-endian (double), or ASCII",  //
     IsPly, "line 1: not a PLY file: the first line is not 'ply'", nullptr, ReadPly, nullptr,
     [](const MeshData& mesh, const WriteOptions& options) {
         return WritePly(mesh, options.plyEncoding, options.plyCoordinates);
     },
     PlyWrittenAs},
    {MeshFormat::Off, "OFF", {".off"}, "an OFF keyword first", "any [ST][C][N][4][n]OFF; polygons split", "text",
     LooksLikeOff, "not an OFF file: the first word outside comments is not an OFF keyword", nullptr, ReadOff, nullptr,
     [](const MeshData& mesh, const WriteOptions&) { return WriteOff(mesh); },
     [](const WriteOptions&) -> std::string { return "OFF"; }},
    {MeshFormat::ThreeMf, "3MF", {".3mf"}, "a zip archive", "each object on its own", "one object, in millimetres",
     IsZip, "not a 3MF file: it is not a zip archive", nullptr, Read3mf, Read3mfObjects,
     [](const MeshData& mesh, const WriteOptions&) { return Write3mf(mesh); },
     [](const WriteOptions&) -> std::string { return "3MF"; }},
};

// "STL, OBJ, PLY, OFF or 3MF".
std::string FormatNames()
{
    std::string names;
    for (size_t i = 0; i < std::size(kFormats); ++i) {
        names += (i == 0 ? "" : i + 1 == std::size(kFormats) ? " or " : ", ") + std::string(kFormats[i].name);
    }
    return names;
}

}  // namespace

std::span<const FormatEntry> MeshFormats()
{
    return kFormats;
}

const FormatEntry& EntryOf(MeshFormat format)
{
    for (const FormatEntry& entry : kFormats) {
        if (entry.format == format) {
            return entry;
        }
    }
    throw std::logic_error("a mesh format without a row in the table of formats");
}

std::string FormatExtensions(const char* separator)
{
    std::string list;
    for (const FormatEntry& entry : kFormats) {
        for (std::string_view extension : entry.extensions) {
            if (!extension.empty()) {
                list += (list.empty() ? "" : separator) + std::string(extension);
            }
        }
    }
    return list;
}

std::optional<MeshFormat> FormatFromExtension(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    for (const FormatEntry& entry : kFormats) {
        for (std::string_view known : entry.extensions) {
            if (!known.empty() && !extension.empty() && known.substr(1) == extension) {
                return entry.format;
            }
        }
    }
    return std::nullopt;
}

const char* FormatName(MeshFormat format)
{
    return EntryOf(format).name;
}

MeshFormat DetectFormat(std::string_view bytes, const std::string& path)
{
    if (bytes.empty()) {
        throw LoadError(path, "the file is empty");
    }
    for (const FormatEntry& entry : kFormats) {
        if (entry.signature != nullptr && entry.signature(bytes)) {
            return entry.format;
        }
    }
    if (const std::optional<MeshFormat> byName = FormatFromExtension(path)) {
        const FormatEntry& named = EntryOf(*byName);
        if (named.signature != nullptr) {
            throw LoadError(path, named.noSignature);
        }
        return *byName;
    }
    for (const FormatEntry& entry : kFormats) {
        if (entry.guess != nullptr && entry.guess(bytes)) {
            return entry.format;
        }
    }
    throw LoadError(path, "unknown mesh format: neither the extension nor the content names " + FormatNames());
}

MeshData ReadMeshBytes(std::string_view bytes, const std::string& path)
{
    return EntryOf(DetectFormat(bytes, path)).read(bytes, path);
}

std::vector<MeshData> ReadMeshObjects(std::string_view bytes, const std::string& path)
{
    const FormatEntry& entry = EntryOf(DetectFormat(bytes, path));
    if (entry.readObjects != nullptr) {
        return entry.readObjects(bytes, path);
    }
    std::vector<MeshData> one;
    one.push_back(entry.read(bytes, path));
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
