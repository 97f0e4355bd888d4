#include "LoadError.h"
#include "MeshBuilder.h"
#include "Readers.h"
#include "TextScan.h"

#include <vector>

namespace meshaudit::cli {

namespace {

// The smallest number of bytes a vertex line ("0 0 0\n") and a face line
// ("0\n") can take: a header count larger than the rest of the file can hold
// is refused before anything is reserved for it.
constexpr uint64_t kMinVertexBytes = 6;
constexpr uint64_t kMinFaceBytes = 2;

// The lines of an OFF body with comments ('#' to the end of the line) and
// blank lines left out.
class OffLines {
public:
    OffLines(std::string_view bytes, const std::string& file) : lines_(bytes), file_(file) {}

    // The next line with content; throws when the file ends first.
    Tokens Next(const char* what)
    {
        std::string_view line;
        while (lines_.Next(line)) {
            line = line.substr(0, line.find('#'));
            Tokens tokens(line);
            if (!tokens.AtEnd()) {
                return tokens;
            }
        }
        throw LoadError(file_, SourceLocation::Line(lines_.LineNumber()),
                        std::string("truncated OFF: the file ends before ") + what);
    }
    bool NextIfAny(Tokens& out)
    {
        std::string_view line;
        while (lines_.Next(line)) {
            line = line.substr(0, line.find('#'));
            Tokens tokens(line);
            if (!tokens.AtEnd()) {
                out = tokens;
                return true;
            }
        }
        return false;
    }
    SourceLocation Here() const { return SourceLocation::Line(lines_.LineNumber()); }
    size_t Remaining() const { return lines_.Remaining(); }

private:
    TextLines lines_;
    const std::string& file_;
};

int64_t Integer(Tokens& tokens, const char* what, OffLines& lines, const std::string& file)
{
    std::string_view token;
    if (!tokens.Next(token)) {
        throw LoadError(file, lines.Here(), std::string("missing ") + what);
    }
    int64_t value = 0;
    NumberStatus status = ParseInteger(token, value);
    if (status != NumberStatus::Ok) {
        throw LoadError(file, lines.Here(), std::string(what) + ": " + DescribeBadNumber(token, status, true));
    }
    return value;
}

}  // namespace

MeshData ReadOff(std::string_view bytes, const std::string& file)
{
    OffLines lines(bytes, file);
    Tokens tokens = lines.Next("the OFF keyword");
    std::string_view keyword;
    tokens.Next(keyword);
    // The optional prefixes announce texture coordinates (ST), colours (C)
    // and normals (N) after the three coordinates; they are not geometry.
    static constexpr std::string_view kKeywords[] = {"OFF", "COFF", "NOFF", "CNOFF", "STOFF", "STCOFF",
                                                     "STNOFF", "STCNOFF"};
    bool known = false;
    for (std::string_view k : kKeywords) {
        known = known || keyword == k;
    }
    if (!known) {
        throw LoadError(file, lines.Here(), "not an OFF file: expected 'OFF', found " + Quoted(keyword));
    }
    if (tokens.AtEnd()) {
        tokens = lines.Next("the counts of vertices, faces and edges");
    } else {
        std::string_view next = tokens.Rest();
        if (next.substr(0, 6) == "BINARY") {
            throw LoadError(file, lines.Here(), "binary OFF is not supported");
        }
    }
    const int64_t vertexCount = Integer(tokens, "vertex count", lines, file);
    const int64_t faceCount = Integer(tokens, "face count", lines, file);
    std::string_view edgeCount;
    if (tokens.Next(edgeCount)) {
        int64_t ignored = 0;
        NumberStatus status = ParseInteger(edgeCount, ignored);
        if (status != NumberStatus::Ok) {
            throw LoadError(file, lines.Here(), "edge count: " + DescribeBadNumber(edgeCount, status, true));
        }
    }
    if (!tokens.AtEnd()) {
        throw LoadError(file, lines.Here(), "unexpected " + Quoted(tokens.Rest()) + " after the counts");
    }
    if (vertexCount < 0 || faceCount < 0) {
        throw LoadError(file, lines.Here(), "negative vertex or face count");
    }
    const uint64_t remaining = lines.Remaining();
    // Compared by division so that no product can overflow.
    if (static_cast<uint64_t>(vertexCount) > (remaining + 1) / kMinVertexBytes ||
        static_cast<uint64_t>(faceCount) > (remaining + 1) / kMinFaceBytes ||
        static_cast<uint64_t>(vertexCount) * kMinVertexBytes +
                static_cast<uint64_t>(faceCount) * kMinFaceBytes > remaining + 1) {
        throw LoadError(file, lines.Here(),
                        "the header announces " + std::to_string(vertexCount) + " vertices and " +
                            std::to_string(faceCount) + " faces, more than the remaining " +
                            std::to_string(remaining) + " bytes can hold");
    }
    MeshBuilder builder(file, 0);
    builder.ReservePoints(static_cast<uint64_t>(vertexCount));
    builder.ReserveTriangles(static_cast<uint64_t>(faceCount));
    for (int64_t i = 0; i < vertexCount; ++i) {
        Tokens vertex = lines.Next("the last vertex");
        double xyz[3];
        for (double& v : xyz) {
            std::string_view number;
            if (!vertex.Next(number)) {
                throw LoadError(file, lines.Here(), "a vertex needs three coordinates");
            }
            NumberStatus status = ParseDouble(number, v);
            if (status != NumberStatus::Ok) {
                throw LoadError(file, lines.Here(), DescribeBadNumber(number, status, false));
            }
        }
        builder.AddPoint(xyz[0], xyz[1], xyz[2]);
    }
    std::vector<int64_t> corners;
    for (int64_t i = 0; i < faceCount; ++i) {
        Tokens face = lines.Next("the last face");
        const int64_t count = Integer(face, "corner count", lines, file);
        if (count < 0) {
            throw LoadError(file, lines.Here(), "negative corner count " + std::to_string(count));
        }
        corners.clear();
        for (int64_t c = 0; c < count; ++c) {
            // Each corner needs a token on this line, so the loop is bounded
            // by the line's length whatever the count says.
            std::string_view token;
            if (!face.Next(token)) {
                throw LoadError(file, lines.Here(),
                                "the face announces " + std::to_string(count) + " corners but has " +
                                    std::to_string(corners.size()));
            }
            int64_t index = 0;
            NumberStatus status = ParseInteger(token, index);
            if (status != NumberStatus::Ok) {
                throw LoadError(file, lines.Here(), DescribeBadNumber(token, status, true));
            }
            corners.push_back(index);
        }
        // What follows the corners is an optional face colour.
        builder.AddFace(corners.data(), corners.size(), lines.Here());
    }
    Tokens extra("");
    if (lines.NextIfAny(extra)) {
        throw LoadError(file, lines.Here(),
                        "data after the " + std::to_string(faceCount) + " faces the header announces");
    }
    return builder.Finish(std::string(keyword));
}

}  // namespace meshaudit::cli
