#include "LoadError.h"
#include "MeshBuilder.h"
#include "Readers.h"
#include "TextScan.h"

#include <vector>

namespace meshaudit::cli {

bool ParseOffKeyword(std::string_view word, OffKeyword& keyword)
{
    // [ST][C][N][4][n]OFF: each prefix is optional, in this order.
    OffKeyword k;
    auto take = [&word](std::string_view prefix) {
        if (word.substr(0, prefix.size()) != prefix) {
            return false;
        }
        word.remove_prefix(prefix.size());
        return true;
    };
    k.textures = take("ST");
    k.colours = take("C");
    k.normals = take("N");
    k.homogeneous = take("4");
    k.dimension = take("n");
    if (word != "OFF") {
        return false;
    }
    keyword = k;
    return true;
}

namespace {

// The smallest number of bytes a vertex line ("0 0 0\n") and a face line
// ("0\n") can take: a header count larger than the rest of the file can hold
// is refused before anything is reserved for it.
constexpr uint64_t kMinVertexBytes = 6;
constexpr uint64_t kMinFaceBytes = 2;

// The lines of an OFF file with comments ('#' to the end of the line) and
// blank lines left out, wherever they are.
class OffLines {
public:
    OffLines(std::string_view bytes, const std::string& file) : lines_(bytes), file_(file) {}

    // The next line with content; throws when the file ends first.
    Tokens Next(const char* what)
    {
        Tokens tokens("");
        if (!NextIfAny(tokens)) {
            throw LoadError(file_, SourceLocation::Line(lines_.LineNumber()),
                            std::string("truncated OFF: the file ends before ") + what);
        }
        return tokens;
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

// The tokens of the current line, or of the next line with content when
// the current one is used up: the keyword, the dimension and the counts may
// share lines or not.
Tokens& Continue(Tokens& tokens, OffLines& lines, const char* what)
{
    if (tokens.AtEnd()) {
        tokens = lines.Next(what);
    }
    return tokens;
}

}  // namespace

MeshData ReadOff(std::string_view bytes, const std::string& file)
{
    OffLines lines(bytes, file);
    Tokens tokens = lines.Next("the OFF keyword");
    std::string_view word;
    tokens.Next(word);
    OffKeyword keyword;
    if (!ParseOffKeyword(word, keyword)) {
        throw LoadError(file, lines.Here(), "not an OFF file: expected 'OFF', found " + Quoted(word));
    }
    if (tokens.Rest().substr(0, 6) == "BINARY") {
        throw LoadError(file, lines.Here(), "binary OFF is not supported");
    }
    int64_t dimension = 3;
    if (keyword.dimension) {
        dimension = Integer(Continue(tokens, lines, "the dimension"), "dimension", lines, file);
        if (dimension < 3 || dimension > 64) {
            throw LoadError(file, lines.Here(),
                            "dimension " + std::to_string(dimension) + ": only 3 to 64 dimensions can be read");
        }
    }
    Continue(tokens, lines, "the counts of vertices, faces and edges");
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
    // A vertex is its coordinates, then w for homogeneous ones; normals,
    // colours and texture coordinates may follow and are not geometry.
    const size_t values = static_cast<size_t>(dimension) + (keyword.homogeneous ? 1 : 0);
    std::vector<double> vertex(values);
    uint64_t divided = 0;
    for (int64_t i = 0; i < vertexCount; ++i) {
        Tokens line = lines.Next("the last vertex");
        for (double& v : vertex) {
            std::string_view number;
            if (!line.Next(number)) {
                throw LoadError(file, lines.Here(),
                                "a vertex needs " + (values == 3 ? std::string("three") : std::to_string(values)) +
                                    " coordinates");
            }
            NumberStatus status = ParseDouble(number, v);
            if (status != NumberStatus::Ok) {
                throw LoadError(file, lines.Here(), DescribeBadNumber(number, status, false));
            }
        }
        double x = vertex[0], y = vertex[1], z = vertex[2];
        if (keyword.homogeneous && vertex.back() != 1.0) {
            const double w = vertex.back();
            if (w == 0.0 || w != w) {
                throw LoadError(file, lines.Here(), "a homogeneous vertex with w = 0 or NaN has no position");
            }
            x /= w;
            y /= w;
            z /= w;
            ++divided;
        }
        builder.AddPoint(x, y, z);
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
    if (dimension > 3) {
        builder.AddNote("the file has " + std::to_string(dimension) +
                        " dimensions: only the first three coordinates of each vertex were read");
    }
    if (divided > 0) {
        builder.AddNote(std::to_string(divided) + (divided == 1 ? " vertex" : " vertices") +
                        " in homogeneous coordinates divided by w");
    }
    Tokens extra("");
    if (lines.NextIfAny(extra)) {
        builder.AddNote("data after the " + std::to_string(faceCount) +
                        " faces the header announces was ignored (from " + lines.Here().Describe() + ")");
    }
    return builder.Finish(std::string(word));
}

}  // namespace meshaudit::cli
