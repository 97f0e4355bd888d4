#include "PlyBuilder.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace meshaudit::cli::testing {

namespace {

void AppendText(std::string& out, double value, PlyType type)
{
    char buffer[40];
    std::to_chars_result r = PlyTypeIsInteger(type)
                                 ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<int64_t>(value))
                                 : std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

void AppendBinary(std::string& out, double value, PlyType type, bool big)
{
    uint64_t bits = 0;
    switch (type) {
    case PlyType::Int8:
    case PlyType::Int16:
    case PlyType::Int32:
        bits = static_cast<uint64_t>(static_cast<int64_t>(value));
        break;
    case PlyType::UInt8:
    case PlyType::UInt16:
    case PlyType::UInt32:
        bits = static_cast<uint64_t>(value);
        break;
    case PlyType::Float32:
        bits = std::bit_cast<uint32_t>(static_cast<float>(value));
        break;
    case PlyType::Float64:
        bits = std::bit_cast<uint64_t>(value);
        break;
    }
    const size_t size = PlyTypeSize(type);
    for (size_t i = 0; i < size; ++i) {
        const size_t shift = 8 * (big ? size - 1 - i : i);
        out += static_cast<char>((bits >> shift) & 0xFF);
    }
}

}  // namespace

std::string BuildPly(PlyEncoding encoding, const std::vector<PlyTestElement>& elements)
{
    std::string out = "ply\nformat ";
    out += encoding == PlyEncoding::Ascii                ? "ascii"
           : encoding == PlyEncoding::BinaryLittleEndian ? "binary_little_endian"
                                                         : "binary_big_endian";
    out += " 1.0\ncomment built by a test\n";
    for (const PlyTestElement& e : elements) {
        out += "element " + e.name + " " + std::to_string(e.rows.size()) + "\n";
        for (const PlyTestProperty& p : e.properties) {
            if (p.isList) {
                out += std::string("property list ") + PlyTypeName(p.countType) + " " + PlyTypeName(p.type) + " " +
                       p.name + "\n";
            } else {
                out += std::string("property ") + PlyTypeName(p.type) + " " + p.name + "\n";
            }
        }
    }
    out += "end_header\n";
    const bool big = encoding == PlyEncoding::BinaryBigEndian;
    for (const PlyTestElement& e : elements) {
        for (const auto& row : e.rows) {
            for (size_t p = 0; p < e.properties.size(); ++p) {
                const PlyTestProperty& property = e.properties[p];
                const std::vector<double>& values = row[p];
                if (encoding == PlyEncoding::Ascii) {
                    if (property.isList) {
                        out += std::to_string(values.size()) + " ";
                    }
                    for (double v : values) {
                        AppendText(out, v, property.type);
                        out += ' ';
                    }
                } else {
                    if (property.isList) {
                        AppendBinary(out, static_cast<double>(values.size()), property.countType, big);
                    }
                    for (double v : values) {
                        AppendBinary(out, v, property.type, big);
                    }
                }
            }
            if (encoding == PlyEncoding::Ascii) {
                out.back() = '\n';
            }
        }
    }
    return out;
}

}  // namespace meshaudit::cli::testing
