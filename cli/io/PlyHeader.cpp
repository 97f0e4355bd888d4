#include "PlyHeader.h"

#include "LoadError.h"
#include "TextScan.h"

namespace meshaudit::cli {

int PlyElement::Find(std::string_view wanted) const
{
    for (size_t i = 0; i < properties.size(); ++i) {
        if (properties[i].name == wanted) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

size_t PlyTypeSize(PlyType type)
{
    switch (type) {
    case PlyType::Int8:
    case PlyType::UInt8:
        return 1;
    case PlyType::Int16:
    case PlyType::UInt16:
        return 2;
    case PlyType::Int32:
    case PlyType::UInt32:
    case PlyType::Float32:
        return 4;
    case PlyType::Float64:
        return 8;
    }
    return 1;
}

bool PlyTypeIsInteger(PlyType type)
{
    return type != PlyType::Float32 && type != PlyType::Float64;
}

const char* PlyTypeName(PlyType type)
{
    switch (type) {
    case PlyType::Int8:
        return "char";
    case PlyType::UInt8:
        return "uchar";
    case PlyType::Int16:
        return "short";
    case PlyType::UInt16:
        return "ushort";
    case PlyType::Int32:
        return "int";
    case PlyType::UInt32:
        return "uint";
    case PlyType::Float32:
        return "float";
    case PlyType::Float64:
        return "double";
    }
    return "?";
}

bool ParsePlyType(std::string_view name, PlyType& type)
{
    struct Entry {
        std::string_view name;
        PlyType type;
    };
    static constexpr Entry kTypes[] = {
        {"char", PlyType::Int8},      {"int8", PlyType::Int8},       {"uchar", PlyType::UInt8},
        {"uint8", PlyType::UInt8},    {"short", PlyType::Int16},     {"int16", PlyType::Int16},
        {"ushort", PlyType::UInt16},  {"uint16", PlyType::UInt16},   {"int", PlyType::Int32},
        {"int32", PlyType::Int32},    {"uint", PlyType::UInt32},     {"uint32", PlyType::UInt32},
        {"float", PlyType::Float32},  {"float32", PlyType::Float32}, {"double", PlyType::Float64},
        {"float64", PlyType::Float64},
    };
    for (const Entry& e : kTypes) {
        if (e.name == name) {
            type = e.type;
            return true;
        }
    }
    return false;
}

PlyHeader ParsePlyHeader(std::string_view bytes, const std::string& file)
{
    PlyHeader header;
    TextLines lines(bytes);
    std::string_view line;
    auto fail = [&](const std::string& message) {
        throw LoadError(file, SourceLocation::Line(lines.LineNumber()), message);
    };
    if (!lines.Next(line) || line != "ply") {
        throw LoadError(file, SourceLocation::Line(1), "not a PLY file: the first line is not 'ply'");
    }
    bool sawFormat = false;
    for (;;) {
        if (!lines.Next(line)) {
            fail("truncated PLY header: no 'end_header'");
        }
        Tokens tokens(line);
        std::string_view keyword;
        if (!tokens.Next(keyword)) {
            continue;
        }
        if (keyword == "comment" || keyword == "obj_info") {
            continue;
        }
        if (keyword == "end_header") {
            break;
        }
        std::string_view a, b, c, d;
        if (keyword == "format") {
            if (!tokens.Next(a) || !tokens.Next(b) || !tokens.AtEnd()) {
                fail("expected 'format ENCODING 1.0'");
            }
            if (a == "ascii") {
                header.encoding = PlyEncoding::Ascii;
            } else if (a == "binary_little_endian") {
                header.encoding = PlyEncoding::BinaryLittleEndian;
            } else if (a == "binary_big_endian") {
                header.encoding = PlyEncoding::BinaryBigEndian;
            } else {
                fail("unknown PLY format " + Quoted(a));
            }
            if (b != "1.0") {
                fail("unsupported PLY version " + Quoted(b));
            }
            sawFormat = true;
        } else if (keyword == "element") {
            if (!tokens.Next(a) || !tokens.Next(b) || !tokens.AtEnd()) {
                fail("expected 'element NAME COUNT'");
            }
            int64_t count = 0;
            NumberStatus status = ParseInteger(b, count);
            if (status != NumberStatus::Ok) {
                fail("element count: " + DescribeBadNumber(b, status, true));
            }
            if (count < 0) {
                fail("negative element count " + std::to_string(count));
            }
            PlyElement element;
            element.name = std::string(a);
            element.count = static_cast<uint64_t>(count);
            element.line = lines.LineNumber();
            header.elements.push_back(std::move(element));
        } else if (keyword == "property") {
            if (header.elements.empty()) {
                fail("a property before any element");
            }
            PlyProperty property;
            if (!tokens.Next(a)) {
                fail("expected 'property TYPE NAME'");
            }
            if (a == "list") {
                if (!tokens.Next(b) || !tokens.Next(c) || !tokens.Next(d) || !tokens.AtEnd()) {
                    fail("expected 'property list COUNT_TYPE ITEM_TYPE NAME'");
                }
                property.isList = true;
                if (!ParsePlyType(b, property.countType)) {
                    fail("unknown PLY type " + Quoted(b));
                }
                if (!PlyTypeIsInteger(property.countType)) {
                    fail("a list count must have an integer type, not " + Quoted(b));
                }
                if (!ParsePlyType(c, property.type)) {
                    fail("unknown PLY type " + Quoted(c));
                }
                property.name = std::string(d);
            } else {
                if (!tokens.Next(b) || !tokens.AtEnd()) {
                    fail("expected 'property TYPE NAME'");
                }
                if (!ParsePlyType(a, property.type)) {
                    fail("unknown PLY type " + Quoted(a));
                }
                property.name = std::string(b);
            }
            header.elements.back().properties.push_back(std::move(property));
        } else {
            fail("unknown PLY header keyword " + Quoted(keyword));
        }
    }
    if (!sawFormat) {
        fail("the PLY header has no 'format' line");
    }
    header.bodyOffset = lines.Offset();
    header.headerLines = lines.LineNumber();
    return header;
}

}  // namespace meshaudit::cli
