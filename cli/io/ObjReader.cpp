#include "LoadError.h"
#include "MeshBuilder.h"
#include "Readers.h"
#include "TextScan.h"

#include <vector>

namespace meshaudit::cli {

namespace {

// The point index of one face corner "v", "v/vt", "v//vn" or "v/vt/vn":
// 1-based, or negative to count back from the last point read so far.
int64_t CornerIndex(std::string_view token, int64_t pointsSoFar, const std::string& file,
                    SourceLocation where)
{
    std::string_view point = token.substr(0, token.find('/'));
    int64_t value = 0;
    NumberStatus status = ParseInteger(point, value);
    if (status != NumberStatus::Ok) {
        throw LoadError(file, where, "face corner " + Quoted(token) + ": " +
                                         DescribeBadNumber(point, status, true));
    }
    if (value == 0) {
        throw LoadError(file, where, "face corner " + Quoted(token) + ": point index 0 (OBJ counts from 1)");
    }
    return value > 0 ? value - 1 : pointsSoFar + value;
}

}  // namespace

MeshData ReadObj(std::string_view bytes, const std::string& file)
{
    MeshBuilder builder(file, 1);
    TextLines lines(bytes);
    std::vector<int64_t> corners;
    uint64_t lineElements = 0;
    uint64_t pointElements = 0;
    std::string joined;
    std::string_view line;
    while (lines.Next(line)) {
        const SourceLocation where = SourceLocation::Line(lines.LineNumber());
        // A backslash at the end of a line continues the statement on the
        // next line.
        if (!line.empty() && line.back() == '\\') {
            joined.assign(line.substr(0, line.size() - 1));
            std::string_view more;
            while (lines.Next(more)) {
                joined += ' ';
                if (!more.empty() && more.back() == '\\') {
                    joined.append(more.substr(0, more.size() - 1));
                } else {
                    joined.append(more);
                    break;
                }
            }
            line = joined;
        }
        Tokens tokens(line);
        std::string_view word;
        if (!tokens.Next(word) || word.front() == '#') {
            continue;
        }
        if (word == "v") {
            // x y z, then optionally w or r g b, which are not geometry.
            double xyz[3];
            for (double& v : xyz) {
                std::string_view number;
                if (!tokens.Next(number)) {
                    throw LoadError(file, where, "a vertex needs three coordinates");
                }
                NumberStatus status = ParseDouble(number, v);
                if (status != NumberStatus::Ok) {
                    throw LoadError(file, where, DescribeBadNumber(number, status, false));
                }
            }
            std::string_view extra;
            while (tokens.Next(extra)) {
                double ignored = 0.0;
                NumberStatus status = ParseDouble(extra, ignored);
                if (status != NumberStatus::Ok) {
                    throw LoadError(file, where, DescribeBadNumber(extra, status, false));
                }
            }
            builder.AddPoint(xyz[0], xyz[1], xyz[2]);
        } else if (word == "f") {
            corners.clear();
            const int64_t pointsSoFar = static_cast<int64_t>(builder.PointCount());
            std::string_view corner;
            while (tokens.Next(corner)) {
                corners.push_back(CornerIndex(corner, pointsSoFar, file, where));
            }
            builder.AddFace(corners.data(), corners.size(), where);
        } else if (word == "l") {
            ++lineElements;
        } else if (word == "p") {
            ++pointElements;
        }
        // Normals, texture coordinates, groups, objects, smoothing groups
        // and materials do not change the surface the library checks.
    }
    if (lineElements > 0) {
        builder.AddNote(std::to_string(lineElements) + " line elements ('l') ignored: they are not triangles");
    }
    if (pointElements > 0) {
        builder.AddNote(std::to_string(pointElements) + " point elements ('p') ignored: they are not triangles");
    }
    return builder.Finish("OBJ");
}

}  // namespace meshaudit::cli
