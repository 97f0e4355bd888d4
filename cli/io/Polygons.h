// Splitting a face of more than three corners into triangles without
// making defects the file does not have: a fan from the first corner covers
// a convex face exactly, but folds over itself on a non-convex one (an L or
// a U), and the library would then report triangles that intersect. A split
// whose diagonal is already an edge of the mesh, or whose triangle is
// already a triangle of it, makes a singular edge or a duplicated triangle;
// two quads that share three corners both give the same triangle when each
// is fanned from that corner.
#pragma once

#include "meshaudit.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshaudit::cli {

// Edges and triangles of a mesh, as unordered pairs and triples of point
// indices, for a split to avoid.
class KnownElements {
public:
    // Room for so many of each without growing.
    void Reserve(size_t edges, size_t triangles);
    void AddEdge(uint32_t a, uint32_t b);
    // The triangle alone, not its edges.
    void AddTriangle(const TRIANGLE& t);
    bool HasEdge(uint32_t a, uint32_t b) const;
    bool HasTriangle(const TRIANGLE& t) const;

private:
    // Open addressing with linear probing, at most half full, keys of
    // `width` words in place: a look-up mostly reads one cache line and an
    // element costs no allocation, which a node-based set pays per element
    // (in time and memory) on every face of a file of polygons. A key is the
    // sorted indices packed two to a word; no index is 2^32 - 1, so a first
    // word of all ones marks a free slot.
    struct Table {
        std::vector<uint64_t> words;
        size_t count = 0;
    };
    static void Grow(Table& table, size_t width, size_t keys);
    static void Insert(Table& table, const uint64_t* key, size_t width);
    static bool Contains(const Table& table, const uint64_t* key, size_t width);

    Table edges_;      // one word: the smaller index, then the larger
    Table triangles_;  // two words: the two smallest, then the largest
};

enum class PolygonSplit {
    Convex,     // planar and convex: the fan that repeats least, then has the largest smallest angle
    Ears,       // planar, simple, not convex: ear clipping in its plane
    NotPlanar,  // not planar: as if convex when its projection is, else the fan that repeats least
    Failed,     // self-crossing, degenerate, or too large to clip: the fan that repeats least
};

// Splits the face with the given corners (indices into `points`, all inside,
// `count` > 3) into count - 2 triangles written to `out`, keeping the face's
// winding and, where the face allows another split, using no diagonal that
// is an edge in `known` and making no triangle in it. Among the fans, the
// first corner wins ties, so that a split depends on the file alone.
// Every triangle but the last closes a diagonal of the split, from its third
// corner back to its first, so that the count - 3 diagonals are known
// without a search. Orientation tests are exact (on the coordinates
// projected onto the plane the face is widest in, which drops a coordinate
// and so rounds nothing); angles only rank splits that are all valid, and
// are in doubles.
PolygonSplit SplitPolygon(const std::vector<T3DVECF>& points, const int64_t* corners, size_t count,
                          const KnownElements& known, TRIANGLE* out);

}  // namespace meshaudit::cli
