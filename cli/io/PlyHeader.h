// The header of a PLY file: its encoding and the elements it announces.
#pragma once

#include "MeshData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace meshaudit::cli {

enum class PlyType { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64 };
enum class PlyEncoding { Ascii, BinaryLittleEndian, BinaryBigEndian };

struct PlyProperty {
    std::string name;
    bool isList = false;
    PlyType countType = PlyType::UInt8;  // lists only
    PlyType type = PlyType::Float32;     // the value, or each list item
};

struct PlyElement {
    std::string name;
    uint64_t count = 0;
    std::vector<PlyProperty> properties;
    uint64_t line = 0;  // where the header declares it

    // Index of the property called `name`, or -1.
    int Find(std::string_view name) const;
};

struct PlyHeader {
    PlyEncoding encoding = PlyEncoding::Ascii;
    std::vector<PlyElement> elements;
    size_t bodyOffset = 0;     // first byte after "end_header" and its line end
    uint64_t headerLines = 0;  // lines up to and including "end_header"
};

// Bytes per value of a type (1, 2, 4 or 8).
size_t PlyTypeSize(PlyType type);
bool PlyTypeIsInteger(PlyType type);
const char* PlyTypeName(PlyType type);
// The type called `name` ("uchar", "uint8", "float", "float64", ...).
bool ParsePlyType(std::string_view name, PlyType& type);

// Reads the header. Throws LoadError naming the line of anything it cannot
// accept (unknown format, type or keyword; a property outside an element; a
// count that is not a number; a missing "end_header").
PlyHeader ParsePlyHeader(std::string_view bytes, const std::string& file);

}  // namespace meshaudit::cli
