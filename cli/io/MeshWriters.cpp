#include "MeshWriters.h"

#include "Decimal.h"
#include "FileBytes.h"
#include "LoadError.h"
#include "MeshFiles.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace meshaudit::cli {

namespace {

template <typename T>
void AppendBinary(std::string& out, T value, bool bigEndian)
{
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    // The host is little-endian (as the library's records are).
    if (bigEndian) {
        for (size_t i = 0; i < sizeof(T) / 2; ++i) {
            std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
        }
    }
    out.append(reinterpret_cast<const char*>(bytes), sizeof(T));
}

// The value a coordinate has once stored in the file's type. The float goes
// through a volatile: GCC 12.2's SLP vectorizer drops a double-to-float-to-
// double round trip in loops it vectorizes.
double Stored(double value, PlyType type)
{
    if (type != PlyType::Float32) {
        return value;
    }
    volatile float single = static_cast<float>(value);
    return single;
}

// Text lines are formatted in a buffer on the stack and appended whole, and
// the text is reserved at once from the counts: appending number by number
// to a growing string spent a third of the writing time in checks of its
// room and in copies of the text as it doubled.
constexpr size_t kNumberRoom = 32;  // WriteShortest's room; an index needs 20

// Room for a face line of `prefix` and three indices below `pointCount`
// (plus `base`).
size_t FaceLineRoom(std::string_view prefix, size_t pointCount, uint64_t base)
{
    size_t digits = 1;
    for (uint64_t most = pointCount + base; most >= 10; most /= 10) {
        ++digits;
    }
    return prefix.size() + 3 * (1 + digits) + 1;
}

// Reserves what the lines will most likely take: a face line's full room
// (its indices' digits are known), and for a point line the length of
// seventeen-digit coordinates, the longest of most files. Longer text only
// makes the string grow once more.
void ReserveLines(std::string& out, std::string_view pointPrefix, size_t pointCount, std::string_view facePrefix,
                  size_t faceCount, uint64_t base)
{
    out.reserve(out.size() + pointCount * (pointPrefix.size() + 3 * 21) +
                faceCount * FaceLineRoom(facePrefix, pointCount, base));
}

// "PREFIX x y z\n", each coordinate as WriteShortest writes it.
void AppendPointLine(std::string& out, std::string_view prefix, double x, double y, double z)
{
    char line[8 + 3 * kNumberRoom];
    char* at = std::copy(prefix.begin(), prefix.end(), line);
    const double values[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) {
        at = WriteShortest(at, at + kNumberRoom, values[k]);
        *at++ = k < 2 ? ' ' : '\n';
    }
    out.append(line, at);
}

// "PREFIX a b c\n", each index plus `base`.
void AppendFaceLine(std::string& out, std::string_view prefix, const TRIANGLE& t, uint64_t base)
{
    char line[8 + 3 * 24];
    char* at = std::copy(prefix.begin(), prefix.end(), line);
    for (const uint32_t c : {t.a, t.b, t.c}) {
        *at++ = ' ';
        at = WriteIndex(at, uint64_t{c} + base);
    }
    *at++ = '\n';
    out.append(line, at);
}

T3DVECF UnitNormal(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
    const double vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    T3DVECF n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return T3DVECF{0.0, 0.0, 0.0};
    }
    return T3DVECF{n.x / length, n.y / length, n.z / length};
}

}  // namespace

std::string WritePly(const MeshData& mesh, PlyEncoding encoding, PlyType coordinates)
{
    const char* format = encoding == PlyEncoding::Ascii                ? "ascii"
                         : encoding == PlyEncoding::BinaryLittleEndian ? "binary_little_endian"
                                                                       : "binary_big_endian";
    const char* type = coordinates == PlyType::Float32 ? "float" : "double";
    std::string out = "ply\nformat ";
    out += format;
    out += " 1.0\ncomment written by meshaudit\nelement vertex ";
    AppendNumber(out, uint64_t{mesh.points.size()});
    out += "\nproperty " + std::string(type) + " x\nproperty " + type + " y\nproperty " + type +
           " z\nelement face ";
    AppendNumber(out, uint64_t{mesh.triangles.size()});
    out += "\nproperty list uchar uint vertex_indices\nend_header\n";
    if (encoding == PlyEncoding::Ascii) {
        ReserveLines(out, "", mesh.points.size(), "3", mesh.triangles.size(), 0);
        for (const T3DVECF& p : mesh.points) {
            AppendPointLine(out, "", Stored(p.x, coordinates), Stored(p.y, coordinates), Stored(p.z, coordinates));
        }
        for (const TRIANGLE& t : mesh.triangles) {
            AppendFaceLine(out, "3", t, 0);
        }
        return out;
    }
    const bool big = encoding == PlyEncoding::BinaryBigEndian;
    for (const T3DVECF& p : mesh.points) {
        for (double v : {p.x, p.y, p.z}) {
            if (coordinates == PlyType::Float32) {
                AppendBinary(out, static_cast<float>(v), big);
            } else {
                AppendBinary(out, v, big);
            }
        }
    }
    for (const TRIANGLE& t : mesh.triangles) {
        out += static_cast<char>(3);
        AppendBinary(out, t.a, big);
        AppendBinary(out, t.b, big);
        AppendBinary(out, t.c, big);
    }
    return out;
}

std::string WriteObj(const MeshData& mesh)
{
    std::string out = "# written by meshaudit\n";
    ReserveLines(out, "v ", mesh.points.size(), "f", mesh.triangles.size(), 1);
    for (const T3DVECF& p : mesh.points) {
        AppendPointLine(out, "v ", p.x, p.y, p.z);
    }
    for (const TRIANGLE& t : mesh.triangles) {
        AppendFaceLine(out, "f", t, 1);
    }
    return out;
}

std::string WriteOff(const MeshData& mesh)
{
    std::string out = "OFF\n";
    AppendNumber(out, uint64_t{mesh.points.size()});
    out += ' ';
    AppendNumber(out, uint64_t{mesh.triangles.size()});
    out += " 0\n";
    ReserveLines(out, "", mesh.points.size(), "3", mesh.triangles.size(), 0);
    for (const T3DVECF& p : mesh.points) {
        AppendPointLine(out, "", p.x, p.y, p.z);
    }
    for (const TRIANGLE& t : mesh.triangles) {
        AppendFaceLine(out, "3", t, 0);
    }
    return out;
}

std::string WriteStl(const MeshData& mesh, bool ascii)
{
    std::string out;
    if (ascii) {
        out = "solid meshaudit\n";
        for (const TRIANGLE& t : mesh.triangles) {
            const T3DVECF& a = mesh.points[t.a];
            const T3DVECF& b = mesh.points[t.b];
            const T3DVECF& c = mesh.points[t.c];
            const T3DVECF n = UnitNormal(a, b, c);
            out += "facet normal ";
            AppendNumber(out, n.x);
            out += ' ';
            AppendNumber(out, n.y);
            out += ' ';
            AppendNumber(out, n.z);
            out += "\nouter loop\n";
            for (const T3DVECF* p : {&a, &b, &c}) {
                out += "vertex ";
                AppendNumber(out, p->x);
                out += ' ';
                AppendNumber(out, p->y);
                out += ' ';
                AppendNumber(out, p->z);
                out += '\n';
            }
            out += "endloop\nendfacet\n";
        }
        out += "endsolid meshaudit\n";
        return out;
    }
    // The 80-byte header must not begin with "solid", or readers that trust
    // the first word would take the file for ASCII.
    std::string header = "binary STL written by meshaudit";
    header.resize(80, ' ');
    out = header;
    out.reserve(84 + 50 * mesh.triangles.size());
    AppendBinary(out, static_cast<uint32_t>(mesh.triangles.size()), false);
    for (const TRIANGLE& t : mesh.triangles) {
        const T3DVECF& a = mesh.points[t.a];
        const T3DVECF& b = mesh.points[t.b];
        const T3DVECF& c = mesh.points[t.c];
        const T3DVECF n = UnitNormal(a, b, c);
        for (const T3DVECF* p : {&n, &a, &b, &c}) {
            AppendBinary(out, static_cast<float>(p->x), false);
            AppendBinary(out, static_cast<float>(p->y), false);
            AppendBinary(out, static_cast<float>(p->z), false);
        }
        AppendBinary(out, uint16_t{0}, false);
    }
    return out;
}

std::string WriteMeshBytes(const MeshData& mesh, MeshFormat format, const WriteOptions& options)
{
    return EntryOf(format).write(mesh, options);
}

void WriteMeshFile(const std::string& path, const MeshData& mesh, const WriteOptions& options)
{
    const std::optional<MeshFormat> format = FormatFromExtension(path);
    if (!format) {
        throw LoadError(path, "unknown output format: the name must end in one of " + FormatExtensions());
    }
    WriteFileBytes(path, WriteMeshBytes(mesh, *format, options));
}

}  // namespace meshaudit::cli
