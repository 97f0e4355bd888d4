#include "containers/BitCast.h"
#include "containers/Keys.h"
#include "LoadError.h"
#include "MeshBuilder.h"
#include "Readers.h"
#include "TextScan.h"

#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace meshaudit::cli {

namespace {

constexpr size_t kHeaderBytes = 80;
constexpr size_t kFacetBytes = 50;

uint32_t ReadU32LE(const char* p)
{
    unsigned char b[4];
    std::memcpy(b, p, 4);
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

float ReadF32LE(const char* p)
{
    return BitCast<float>(ReadU32LE(p));
}

bool StartsWithSolid(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size() && (IsBlank(bytes[i]) || bytes[i] == '\n')) {
        ++i;
    }
    return bytes.substr(i, 5) == "solid";
}

// Joins corners with exactly equal coordinates (0.0 and -0.0 alike) into
// one point, numbering the points in order of first appearance. The table
// holds point indices alone, 4 bytes a slot, and compares coordinates with
// the builder's points: open addressing with linear probing, at most half
// full, in one block. A soup of a million triangles is then a table of 8
// MiB where a map of nodes took 40, and a lookup touches a cache line or
// two rather than a chain of nodes.
class CornerJoiner {
public:
    explicit CornerJoiner(MeshBuilder& builder) : builder_(builder) {}

    // Room for `points` joined points without growing.
    void Reserve(uint64_t points)
    {
        uint64_t capacity = kFirstCapacity;
        while (capacity / 2 < points && capacity < kMostCapacity) {
            capacity *= 2;
        }
        if (capacity > slots_.size()) {
            Rehash(capacity);
        }
    }

    int64_t Corner(double x, double y, double z)
    {
        ++corners_;
        const T3DVECF p{x, y, z};
        // A NaN equals nothing, not even itself: a point of its own. So is
        // every point past what 32-bit indices number, which only a file
        // too large to check could hold (the builder refuses such counts).
        if (HasNaN(p) || builder_.PointCount() >= kEmpty) {
            return Add(p);
        }
        if (2 * (joined_ + 1) > slots_.size()) {
            Rehash(slots_.empty() ? kFirstCapacity : 2 * uint64_t{slots_.size()});
        }
        for (size_t s = SlotOf(p);; s = (s + 1) & (slots_.size() - 1)) {
            const uint32_t index = slots_[s];
            if (index == kEmpty) {
                slots_[s] = static_cast<uint32_t>(builder_.PointCount());
                ++joined_;
                return Add(p);
            }
            const T3DVECF& q = builder_.Point(index);
            if (q.x == x && q.y == y && q.z == z) {
                return index;
            }
        }
    }

    void Note()
    {
        builder_.AddNote("STL has no shared points: its " + std::to_string(corners_) +
                         " triangle corners were joined into " + std::to_string(builder_.PointCount()) +
                         " points where their coordinates are exactly equal");
    }

private:
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr uint64_t kFirstCapacity = 1024;
    static constexpr uint64_t kMostCapacity = uint64_t{1} << 33;  // room for every 32-bit index

    // The slot a point's probe starts at: the top bits of its hash.
    size_t SlotOf(const T3DVECF& p) const { return static_cast<size_t>(PointHash(p) >> shift_); }

    void Rehash(uint64_t capacity)
    {
        if (capacity > std::numeric_limits<size_t>::max() / sizeof(uint32_t)) {
            throw std::bad_alloc();  // more than a 32-bit address space holds
        }
        std::vector<uint32_t> old(static_cast<size_t>(capacity), kEmpty);
        old.swap(slots_);
        shift_ = 64;
        for (uint64_t c = capacity; c > 1; c /= 2) {
            --shift_;
        }
        for (const uint32_t index : old) {
            if (index != kEmpty) {
                size_t s = SlotOf(builder_.Point(index));
                while (slots_[s] != kEmpty) {
                    s = (s + 1) & (slots_.size() - 1);
                }
                slots_[s] = index;
            }
        }
    }

    int64_t Add(const T3DVECF& p)
    {
        const auto index = static_cast<int64_t>(builder_.PointCount());
        builder_.AddPoint(p.x, p.y, p.z);
        return index;
    }

    MeshBuilder& builder_;
    std::vector<uint32_t> slots_;
    int shift_ = 64;
    uint64_t joined_ = 0;
    uint64_t corners_ = 0;
};

MeshData ReadBinaryStl(std::string_view bytes, const std::string& file)
{
    if (bytes.size() < kHeaderBytes + 4) {
        throw LoadError(file, SourceLocation::Byte(bytes.size()),
                        "truncated binary STL: " + std::to_string(bytes.size()) +
                            " bytes, shorter than its 84-byte header");
    }
    const uint64_t count = ReadU32LE(bytes.data() + kHeaderBytes);
    const uint64_t needed = kHeaderBytes + 4 + count * kFacetBytes;
    if (count == 0 && bytes.size() > kHeaderBytes + 4) {
        // Some writers never fill in the count; guessing it from the size
        // would read a file the header disowns.
        throw LoadError(file, SourceLocation::Byte(kHeaderBytes),
                        "the header announces 0 triangles but the file holds " +
                            std::to_string(bytes.size()) + " bytes");
    }
    if (needed > bytes.size()) {
        const uint64_t whole = (bytes.size() - kHeaderBytes - 4) / kFacetBytes;
        throw LoadError(file, SourceLocation::Byte(kHeaderBytes + 4 + whole * kFacetBytes),
                        "truncated binary STL: the header announces " + std::to_string(count) +
                            " triangles (" + std::to_string(needed) + " bytes) but the file has " +
                            std::to_string(bytes.size()) + " bytes");
    }
    MeshBuilder builder(file, 0);
    builder.ReserveTriangles(count);
    CornerJoiner joiner(builder);
    // A closed surface has about half as many points as triangles, and an
    // open one a few more: room for a sixteenth more, so that the points'
    // array is not doubled for the last few of them.
    const uint64_t points = count / 2 + count / 16 + 16;
    builder.ReservePoints(points);
    joiner.Reserve(points);
    const char* facet = bytes.data() + kHeaderBytes + 4;
    for (uint64_t i = 0; i < count; ++i, facet += kFacetBytes) {
        int64_t corners[3];
        for (int c = 0; c < 3; ++c) {
            // Each facet: normal (3 floats), three corners (3 floats each),
            // a 2-byte attribute; the normal is recomputed by whoever needs
            // it, so it is not read.
            const char* p = facet + 12 + 12 * c;
            corners[c] = joiner.Corner(ReadF32LE(p), ReadF32LE(p + 4), ReadF32LE(p + 8));
        }
        builder.AddFace(corners, 3, SourceLocation::Byte(static_cast<uint64_t>(facet - bytes.data())));
    }
    joiner.Note();
    if (needed < bytes.size()) {
        builder.AddNote(std::to_string(bytes.size() - needed) +
                        " bytes after the last triangle were ignored");
    }
    return builder.Finish("STL binary");
}

bool KeywordIs(std::string_view token, std::string_view keyword)
{
    if (token.size() != keyword.size()) {
        return false;
    }
    for (size_t i = 0; i < token.size(); ++i) {
        char c = token[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != keyword[i]) {
            return false;
        }
    }
    return true;
}

// ASCII STL: solid NAME { facet normal N N N / outer loop / vertex X Y Z ... /
// endloop / endfacet } endsolid [NAME]; several solids may follow each other.
MeshData ReadAsciiStl(std::string_view bytes, const std::string& file)
{
    MeshBuilder builder(file, 0);
    CornerJoiner joiner(builder);
    TextLines lines(bytes);
    enum class State { Outside, InSolid, InFacet, InLoop, AfterLoop };
    State state = State::Outside;
    std::vector<int64_t> loop;
    SourceLocation loopStart;
    std::string_view line;
    auto fail = [&](const std::string& message) {
        throw LoadError(file, SourceLocation::Line(lines.LineNumber()), message);
    };
    auto expectEnd = [&](Tokens& tokens) {
        std::string_view extra;
        if (tokens.Next(extra)) {
            fail("unexpected " + Quoted(extra) + " at the end of the line");
        }
    };
    while (lines.Next(line)) {
        Tokens tokens(line);
        std::string_view word;
        if (!tokens.Next(word)) {
            continue;
        }
        switch (state) {
        case State::Outside:
            if (!KeywordIs(word, "solid")) {
                fail("expected 'solid', found " + Quoted(word));
            }
            state = State::InSolid;
            break;
        case State::InSolid:
            if (KeywordIs(word, "endsolid")) {
                state = State::Outside;
            } else if (KeywordIs(word, "facet")) {
                state = State::InFacet;
            } else {
                fail("expected 'facet' or 'endsolid', found " + Quoted(word));
            }
            break;
        case State::InFacet: {
            std::string_view second;
            if (!KeywordIs(word, "outer") || !tokens.Next(second) || !KeywordIs(second, "loop")) {
                fail("expected 'outer loop', found " + Quoted(word));
            }
            expectEnd(tokens);
            state = State::InLoop;
            loop.clear();
            loopStart = SourceLocation::Line(lines.LineNumber());
            break;
        }
        case State::InLoop:
            if (KeywordIs(word, "vertex")) {
                double xyz[3];
                for (double& v : xyz) {
                    std::string_view number;
                    if (!tokens.Next(number)) {
                        fail("a vertex needs three coordinates");
                    }
                    NumberStatus status = ParseDouble(number, v);
                    if (status != NumberStatus::Ok) {
                        fail(DescribeBadNumber(number, status, false));
                    }
                }
                expectEnd(tokens);
                loop.push_back(joiner.Corner(xyz[0], xyz[1], xyz[2]));
            } else if (KeywordIs(word, "endloop")) {
                expectEnd(tokens);
                builder.AddFace(loop.data(), loop.size(), loopStart);
                state = State::AfterLoop;
            } else {
                fail("expected 'vertex' or 'endloop', found " + Quoted(word));
            }
            break;
        case State::AfterLoop:
            if (!KeywordIs(word, "endfacet")) {
                fail("expected 'endfacet', found " + Quoted(word));
            }
            expectEnd(tokens);
            state = State::InSolid;
            break;
        }
    }
    if (state != State::Outside && state != State::InSolid) {
        throw LoadError(file, SourceLocation::Line(lines.LineNumber()),
                        "truncated ASCII STL: the file ends inside a solid");
    }
    joiner.Note();
    if (state == State::InSolid) {
        // Every facet is whole: only the closing line is missing.
        builder.AddNote("the file ends without 'endsolid' after its last facet");
    }
    return builder.Finish("STL ASCII");
}

}  // namespace

bool IsBinaryStl(std::string_view bytes)
{
    if (!StartsWithSolid(bytes)) {
        return true;
    }
    // Some exporters begin the 80-byte header of a binary file with "solid"
    // too; a size that matches the announced triangle count exactly tells
    // them apart from ASCII.
    if (bytes.size() >= kHeaderBytes + 4) {
        uint64_t count = ReadU32LE(bytes.data() + kHeaderBytes);
        if (kHeaderBytes + 4 + count * kFacetBytes == bytes.size()) {
            return true;
        }
    }
    return false;
}

MeshData ReadStl(std::string_view bytes, const std::string& file)
{
    return IsBinaryStl(bytes) ? ReadBinaryStl(bytes, file) : ReadAsciiStl(bytes, file);
}

}  // namespace meshaudit::cli
