#include "containers/BitCast.h"
#include "LoadError.h"
#include "MeshBuilder.h"
#include "PlyHeader.h"
#include "Readers.h"
#include "TextScan.h"

#include <bit>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace meshaudit::cli {

namespace {

// What the reader takes from each element: coordinates from "vertex",
// corner lists from "face", strips from "tristrips"; every other element
// and property is read past.
struct Roles {
    int vertexElement = -1;
    int x = -1, y = -1, z = -1;
    int faceElement = -1;
    int corners = -1;
    int stripElement = -1;
    int strips = -1;

    // The list property read from element `e`, or -1.
    int ListOf(size_t e) const
    {
        const int element = static_cast<int>(e);
        return element == faceElement ? corners : element == stripElement ? strips : -1;
    }
};

// The corner list of a face or strip element: "vertex_indices" or
// "vertex_index", a list of an integer type. Returns its index.
int FindCornerList(const PlyElement& element, const std::string& file)
{
    const SourceLocation where = SourceLocation::Line(element.line);
    int found = element.Find("vertex_indices");
    if (found < 0) {
        found = element.Find("vertex_index");
    }
    if (found < 0) {
        throw LoadError(file, where, "the " + element.name + " element has no 'vertex_indices' list");
    }
    const PlyProperty& list = element.properties[static_cast<size_t>(found)];
    if (!list.isList || !PlyTypeIsInteger(list.type)) {
        throw LoadError(file, where, "'" + list.name + "' must be a list of an integer type");
    }
    return found;
}

// Triangle strips: each list holds strips separated by -1; triangle k of a
// strip is (s[k], s[k+1], s[k+2]), with the first two swapped when k is odd
// so that all keep the strip's winding. Triangles with a repeated corner
// are the degenerate ones that join strips, and are skipped.
class StripReader {
public:
    void Add(const std::vector<int64_t>& items, MeshBuilder& builder, SourceLocation where)
    {
        size_t start = 0;
        for (size_t i = 0; i <= items.size(); ++i) {
            if (i < items.size() && items[i] != -1) {
                continue;
            }
            if (i > start) {
                ++strips_;
            }
            for (size_t k = start; k + 2 < i; ++k) {
                int64_t t[3] = {items[k], items[k + 1], items[k + 2]};
                if ((k - start) % 2 == 1) {
                    std::swap(t[0], t[1]);
                }
                if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) {
                    ++skipped_;
                    continue;
                }
                builder.AddFace(t, 3, where);
                ++triangles_;
            }
            start = i + 1;
        }
    }

    void Note(MeshBuilder& builder) const
    {
        if (strips_ == 0) {
            return;
        }
        builder.AddNote(std::to_string(strips_) + (strips_ == 1 ? " triangle strip" : " triangle strips") +
                        " read as " + std::to_string(triangles_) + " triangles; " +
                        std::to_string(skipped_) +
                        " degenerate joining triangles (with a repeated corner) skipped");
    }

private:
    uint64_t strips_ = 0;
    uint64_t triangles_ = 0;
    uint64_t skipped_ = 0;
};

Roles FindRoles(const PlyHeader& header, const std::string& file)
{
    Roles roles;
    for (size_t e = 0; e < header.elements.size(); ++e) {
        const PlyElement& element = header.elements[e];
        const SourceLocation where = SourceLocation::Line(element.line);
        if (element.name == "vertex" && roles.vertexElement < 0) {
            roles.vertexElement = static_cast<int>(e);
            roles.x = element.Find("x");
            roles.y = element.Find("y");
            roles.z = element.Find("z");
            if (roles.x < 0 || roles.y < 0 || roles.z < 0) {
                throw LoadError(file, where, "the vertex element lacks an x, y or z property");
            }
            for (int p : {roles.x, roles.y, roles.z}) {
                if (element.properties[static_cast<size_t>(p)].isList) {
                    throw LoadError(file, where, "vertex coordinates must not be lists");
                }
            }
        } else if (element.name == "face" && roles.faceElement < 0) {
            roles.faceElement = static_cast<int>(e);
            roles.corners = FindCornerList(element, file);
        } else if (element.name == "tristrips" && roles.stripElement < 0) {
            roles.stripElement = static_cast<int>(e);
            roles.strips = FindCornerList(element, file);
        }
    }
    if (roles.vertexElement < 0) {
        throw LoadError(file, "the PLY header declares no vertex element");
    }
    if (roles.faceElement < 0 && roles.stripElement < 0) {
        throw LoadError(file, "the PLY header declares no face element: the mesh has no triangles");
    }
    return roles;
}

// The fewest bytes one instance of an element can take: in binary the fixed
// properties plus the count of each list, in ASCII one character and one
// separator per property.
uint64_t MinimalInstanceBytes(const PlyElement& element, PlyEncoding encoding)
{
    if (encoding == PlyEncoding::Ascii) {
        return 2 * element.properties.size();
    }
    uint64_t bytes = 0;
    for (const PlyProperty& p : element.properties) {
        bytes += PlyTypeSize(p.isList ? p.countType : p.type);
    }
    return bytes;
}

// Refuses a header whose counts the rest of the file cannot hold, before
// anything is reserved for them.
void CheckCounts(const PlyHeader& header, uint64_t bodyBytes, const std::string& file)
{
    // An ASCII body may lack its final line end.
    uint64_t available = bodyBytes + (header.encoding == PlyEncoding::Ascii ? 1 : 0);
    for (const PlyElement& element : header.elements) {
        const uint64_t each = MinimalInstanceBytes(element, header.encoding);
        if (each == 0) {
            // Instances of nothing would take no bytes, so no file size
            // bounds their count.
            if (element.count > 0) {
                throw LoadError(file, SourceLocation::Line(element.line),
                                "element '" + element.name + "' has no properties");
            }
            continue;
        }
        if (element.count > available / each) {
            throw LoadError(file, SourceLocation::Line(element.line),
                            "the header announces " + std::to_string(element.count) + " '" + element.name +
                                "' elements, more than the " + std::to_string(bodyBytes) +
                                " bytes after the header can hold");
        }
        available -= element.count * each;
    }
}

bool InIntegerRange(PlyType type, int64_t v)
{
    switch (type) {
    case PlyType::Int8:
        return v >= -128 && v <= 127;
    case PlyType::UInt8:
        return v >= 0 && v <= 255;
    case PlyType::Int16:
        return v >= -32768 && v <= 32767;
    case PlyType::UInt16:
        return v >= 0 && v <= 65535;
    case PlyType::Int32:
        return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
    case PlyType::UInt32:
        return v >= 0 && v <= std::numeric_limits<uint32_t>::max();
    case PlyType::Float32:
    case PlyType::Float64:
        break;
    }
    return true;
}

// Reads binary values at a cursor, refusing to go past the end.
class BinaryCursor {
public:
    BinaryCursor(std::string_view bytes, size_t offset, bool bigEndian, const std::string& file)
        : bytes_(bytes), offset_(offset), bigEndian_(bigEndian), file_(file)
    {
    }

    size_t Offset() const { return offset_; }
    size_t Remaining() const { return bytes_.size() - offset_; }

    // Refuses to read `count` more bytes past the end; the error names the
    // start of the instance being read.
    void Need(uint64_t count, const PlyElement& element, uint64_t instance, size_t start)
    {
        if (count > Remaining()) {
            throw LoadError(file_, SourceLocation::Byte(start),
                            "truncated binary PLY: '" + element.name + "' element " +
                                std::to_string(instance + 1) + " of " + std::to_string(element.count) +
                                " runs past the end of the file");
        }
    }

    // One value, its integer and double readings.
    void Read(PlyType type, int64_t& integer, double& real)
    {
        const size_t size = PlyTypeSize(type);
        unsigned char b[8];
        std::memcpy(b, bytes_.data() + offset_, size);
        offset_ += size;
        uint64_t u = 0;
        for (size_t i = 0; i < size; ++i) {
            size_t from = bigEndian_ ? i : size - 1 - i;
            u = (u << 8) | b[from];
        }
        switch (type) {
        case PlyType::Int8:
            integer = static_cast<int8_t>(u);
            break;
        case PlyType::UInt8:
        case PlyType::UInt16:
        case PlyType::UInt32:
            integer = static_cast<int64_t>(u);
            break;
        case PlyType::Int16:
            integer = static_cast<int16_t>(u);
            break;
        case PlyType::Int32:
            integer = static_cast<int32_t>(u);
            break;
        case PlyType::Float32:
            real = BitCast<float>(static_cast<uint32_t>(u));
            return;
        case PlyType::Float64:
            real = BitCast<double>(u);
            return;
        }
        real = static_cast<double>(integer);
    }

    void Skip(uint64_t count) { offset_ += static_cast<size_t>(count); }

private:
    std::string_view bytes_;
    size_t offset_;
    bool bigEndian_;
    const std::string& file_;
};

// The fast paths below read values in the machine's byte order.
constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

template <typename T>
T LoadValue(const char* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

double LoadReal(const char* at, PlyType type)
{
    return type == PlyType::Float32 ? static_cast<double>(LoadValue<float>(at)) : LoadValue<double>(at);
}

// Vertices of fixed size (no list) with float or double coordinates in a
// little-endian file on a little-endian machine, the usual layout, read
// record by record without decoding every property in turn: the same
// points as the general loop. Returns how many instances were read (all of
// them, or none when the layout is another or the file too short, which the
// general loop then reports).
uint64_t ReadPlainVertices(BinaryCursor& cursor, std::string_view bytes, const PlyElement& element,
                           const Roles& roles, MeshBuilder& builder)
{
    size_t record = 0;
    size_t offsets[3] = {0, 0, 0};
    PlyType types[3] = {PlyType::Float32, PlyType::Float32, PlyType::Float32};
    const int axes[3] = {roles.x, roles.y, roles.z};
    for (size_t p = 0; p < element.properties.size(); ++p) {
        const PlyProperty& property = element.properties[p];
        if (property.isList) {
            return 0;
        }
        for (int k = 0; k < 3; ++k) {
            if (static_cast<int>(p) == axes[k]) {
                offsets[k] = record;
                types[k] = property.type;
            }
        }
        record += PlyTypeSize(property.type);
    }
    for (int k = 0; k < 3; ++k) {
        if (axes[k] < 0 || (types[k] != PlyType::Float32 && types[k] != PlyType::Float64)) {
            return 0;
        }
    }
    if (!kLittleEndianHost || element.count > cursor.Remaining() / record) {
        return 0;
    }
    const char* at = bytes.data() + cursor.Offset();
    for (uint64_t i = 0; i < element.count; ++i, at += record) {
        builder.AddPoint(LoadReal(at + offsets[0], types[0]), LoadReal(at + offsets[1], types[1]),
                         LoadReal(at + offsets[2], types[2]));
    }
    cursor.Skip(element.count * record);
    return element.count;
}

// Faces whose only property is their corner list, with a uchar length and
// int or uint corners, in a little-endian file on a little-endian machine:
// triangles are read without the general loop's per-value decoding. Stops
// at the first face that is not a whole triangle, or at the end of the
// data, and returns how many faces it read; the general loop takes the rest
// (and reports what is wrong, as it would have).
uint64_t ReadPlainTriangles(BinaryCursor& cursor, std::string_view bytes, const PlyElement& element,
                            int kept, MeshBuilder& builder)
{
    if (!kLittleEndianHost || element.properties.size() != 1 || kept != 0) {
        return 0;
    }
    const PlyProperty& list = element.properties[0];
    const bool sign = list.type == PlyType::Int32;
    if (!list.isList || list.countType != PlyType::UInt8 || (!sign && list.type != PlyType::UInt32)) {
        return 0;
    }
    constexpr size_t kRecord = 1 + 3 * 4;
    uint64_t i = 0;
    for (; i < element.count && cursor.Remaining() >= kRecord; ++i) {
        const size_t start = cursor.Offset();
        const char* at = bytes.data() + start;
        if (static_cast<unsigned char>(at[0]) != 3) {
            break;
        }
        int64_t corners[3];
        for (int k = 0; k < 3; ++k) {
            const char* item = at + 1 + 4 * k;
            corners[k] = sign ? int64_t{LoadValue<int32_t>(item)} : int64_t{LoadValue<uint32_t>(item)};
        }
        builder.AddFace(corners, 3, SourceLocation::Byte(start));
        cursor.Skip(kRecord);
    }
    return i;
}

void ReadBinaryBody(std::string_view bytes, const PlyHeader& header, const Roles& roles,
                    MeshBuilder& builder, StripReader& strips, const std::string& file)
{
    BinaryCursor cursor(bytes, header.bodyOffset, header.encoding == PlyEncoding::BinaryBigEndian, file);
    const bool littleEndian = header.encoding == PlyEncoding::BinaryLittleEndian;
    std::vector<int64_t> corners;
    for (size_t e = 0; e < header.elements.size(); ++e) {
        const PlyElement& element = header.elements[e];
        const bool isVertex = static_cast<int>(e) == roles.vertexElement;
        const bool isFace = static_cast<int>(e) == roles.faceElement;
        const bool isStrip = static_cast<int>(e) == roles.stripElement;
        const int kept = roles.ListOf(e);
        const uint64_t fixed = MinimalInstanceBytes(element, header.encoding);
        uint64_t first = 0;
        if (littleEndian && isVertex) {
            first = ReadPlainVertices(cursor, bytes, element, roles, builder);
        } else if (littleEndian && isFace) {
            first = ReadPlainTriangles(cursor, bytes, element, kept, builder);
        }
        for (uint64_t i = first; i < element.count; ++i) {
            const size_t start = cursor.Offset();
            cursor.Need(fixed, element, i, start);
            double xyz[3] = {0.0, 0.0, 0.0};
            for (size_t p = 0; p < element.properties.size(); ++p) {
                const PlyProperty& property = element.properties[p];
                int64_t integer = 0;
                double real = 0.0;
                if (!property.isList) {
                    cursor.Read(property.type, integer, real);
                    if (isVertex) {
                        const int index = static_cast<int>(p);
                        if (index == roles.x) {
                            xyz[0] = real;
                        } else if (index == roles.y) {
                            xyz[1] = real;
                        } else if (index == roles.z) {
                            xyz[2] = real;
                        }
                    }
                    continue;
                }
                const size_t countAt = cursor.Offset();
                cursor.Read(property.countType, integer, real);
                if (integer < 0) {
                    throw LoadError(file, SourceLocation::Byte(countAt),
                                    "negative list length " + std::to_string(integer));
                }
                const uint64_t itemBytes = static_cast<uint64_t>(integer) * PlyTypeSize(property.type);
                // The rest of the instance still needs its fixed part too, but
                // checking the list alone already bounds the work below.
                cursor.Need(itemBytes, element, i, start);
                if (static_cast<int>(p) == kept) {
                    corners.clear();
                    for (int64_t k = 0; k < integer; ++k) {
                        int64_t index = 0;
                        double ignored = 0.0;
                        cursor.Read(property.type, index, ignored);
                        corners.push_back(index);
                    }
                } else {
                    cursor.Skip(itemBytes);
                }
                // The remaining fixed properties of this instance.
                uint64_t rest = 0;
                for (size_t q = p + 1; q < element.properties.size(); ++q) {
                    const PlyProperty& later = element.properties[q];
                    rest += PlyTypeSize(later.isList ? later.countType : later.type);
                }
                cursor.Need(rest, element, i, start);
            }
            if (isVertex) {
                builder.AddPoint(xyz[0], xyz[1], xyz[2]);
            } else if (isFace) {
                builder.AddFace(corners.data(), corners.size(), SourceLocation::Byte(start));
            } else if (isStrip) {
                strips.Add(corners, builder, SourceLocation::Byte(start));
            }
        }
    }
    if (cursor.Remaining() > 0) {
        builder.AddNote(std::to_string(cursor.Remaining()) + " bytes after the last element were ignored");
    }
}

void ReadAsciiBody(std::string_view bytes, const PlyHeader& header, const Roles& roles,
                   MeshBuilder& builder, StripReader& strips, const std::string& file)
{
    TextLines lines(bytes, header.bodyOffset, header.headerLines);
    std::vector<int64_t> corners;
    std::string_view line;
    auto nextLine = [&](const PlyElement& element, uint64_t instance) {
        while (lines.Next(line)) {
            if (!Tokens(line).AtEnd()) {
                return;
            }
        }
        throw LoadError(file, SourceLocation::Line(lines.LineNumber()),
                        "truncated PLY: the file ends before '" + element.name + "' element " +
                            std::to_string(instance + 1) + " of " + std::to_string(element.count));
    };
    for (size_t e = 0; e < header.elements.size(); ++e) {
        const PlyElement& element = header.elements[e];
        const bool isVertex = static_cast<int>(e) == roles.vertexElement;
        const bool isFace = static_cast<int>(e) == roles.faceElement;
        const bool isStrip = static_cast<int>(e) == roles.stripElement;
        const int kept = roles.ListOf(e);
        for (uint64_t i = 0; i < element.count; ++i) {
            nextLine(element, i);
            const SourceLocation where = SourceLocation::Line(lines.LineNumber());
            Tokens tokens(line);
            auto value = [&](PlyType type, const std::string& what, int64_t& integer, double& real) {
                std::string_view token;
                if (!tokens.Next(token)) {
                    throw LoadError(file, where, "missing a value for " + what);
                }
                if (PlyTypeIsInteger(type)) {
                    NumberStatus status = ParseInteger(token, integer);
                    if (status != NumberStatus::Ok) {
                        throw LoadError(file, where, what + ": " + DescribeBadNumber(token, status, true));
                    }
                    if (!InIntegerRange(type, integer)) {
                        throw LoadError(file, where, what + ": " + Quoted(token) + " does not fit its type " +
                                                         PlyTypeName(type));
                    }
                    real = static_cast<double>(integer);
                } else {
                    NumberStatus status = ParseDouble(token, real);
                    if (status != NumberStatus::Ok) {
                        throw LoadError(file, where, what + ": " + DescribeBadNumber(token, status, false));
                    }
                }
            };
            double xyz[3] = {0.0, 0.0, 0.0};
            for (size_t p = 0; p < element.properties.size(); ++p) {
                const PlyProperty& property = element.properties[p];
                int64_t integer = 0;
                double real = 0.0;
                if (!property.isList) {
                    value(property.type, "property '" + property.name + "'", integer, real);
                    const int index = static_cast<int>(p);
                    if (isVertex && index == roles.x) {
                        xyz[0] = real;
                    } else if (isVertex && index == roles.y) {
                        xyz[1] = real;
                    } else if (isVertex && index == roles.z) {
                        xyz[2] = real;
                    }
                    continue;
                }
                int64_t length = 0;
                value(property.countType, "the length of list '" + property.name + "'", length, real);
                if (length < 0) {
                    throw LoadError(file, where, "negative list length " + std::to_string(length));
                }
                const bool keep = static_cast<int>(p) == kept;
                if (keep) {
                    corners.clear();
                }
                // Each item needs a token on this line, so the loop ends with
                // the line whatever the length says.
                for (int64_t k = 0; k < length; ++k) {
                    int64_t item = 0;
                    value(property.type, "an item of list '" + property.name + "'", item, real);
                    if (keep) {
                        corners.push_back(item);
                    }
                }
            }
            if (!tokens.AtEnd()) {
                throw LoadError(file, where,
                                "more values than the properties of element '" + element.name + "'");
            }
            if (isVertex) {
                builder.AddPoint(xyz[0], xyz[1], xyz[2]);
            } else if (isFace) {
                builder.AddFace(corners.data(), corners.size(), where);
            } else if (isStrip) {
                strips.Add(corners, builder, where);
            }
        }
    }
    while (lines.Next(line)) {
        if (!Tokens(line).AtEnd()) {
            throw LoadError(file, SourceLocation::Line(lines.LineNumber()),
                            "data after the last element the header announces");
        }
    }
}

const char* EncodingName(PlyEncoding encoding)
{
    switch (encoding) {
    case PlyEncoding::Ascii:
        return "PLY ASCII";
    case PlyEncoding::BinaryLittleEndian:
        return "PLY binary little-endian";
    case PlyEncoding::BinaryBigEndian:
        return "PLY binary big-endian";
    }
    return "PLY";
}

}  // namespace

MeshData ReadPly(std::string_view bytes, const std::string& file)
{
    const PlyHeader header = ParsePlyHeader(bytes, file);
    const Roles roles = FindRoles(header, file);
    CheckCounts(header, bytes.size() - header.bodyOffset, file);
    MeshBuilder builder(file, 0);
    const PlyElement& vertices = header.elements[static_cast<size_t>(roles.vertexElement)];
    builder.ReservePoints(vertices.count);
    if (roles.faceElement >= 0) {
        builder.ReserveTriangles(header.elements[static_cast<size_t>(roles.faceElement)].count);
    }
    StripReader strips;
    // When faces come before vertices, the builder checks their corners
    // against the final point count once the vertices are read.
    if (header.encoding == PlyEncoding::Ascii) {
        ReadAsciiBody(bytes, header, roles, builder, strips, file);
    } else {
        ReadBinaryBody(bytes, header, roles, builder, strips, file);
    }
    strips.Note(builder);
    return builder.Finish(EncodingName(header.encoding));
}

}  // namespace meshaudit::cli
