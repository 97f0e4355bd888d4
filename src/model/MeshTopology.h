// Incidence and adjacency of a triangle mesh, built on demand over the
// caller's arrays (which are borrowed, never copied or freed).
//
// Each getter builds its structure at the first request (and the structures
// it depends on), keeps it until FreeAll (the point neighbour lists only
// until the edges are built: see VertexNeighbours), stores the build's code in
// Status() and returns the structure, which is absent (null, empty) when the
// build failed. Callers check Status() right after the getter and read the
// structure only when it is 0.
#pragma once

#include "containers/Keys.h"
#include "containers/PointRanks.h"
#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// Status of every getter when a triangle names a point index at or beyond
// pointCount: no structure is built over such a mesh, since the builders
// index per-point arrays by corner values.
inline constexpr int32_t kTopologyIndexOutOfRange = -20;

// The number of border sides marked in one triangle's BorderSides byte.
inline uint32_t BorderSideCount(uint8_t bits)
{
    return (bits & 1u) + ((bits >> 1) & 1u) + ((bits >> 2) & 1u);
}

// A packed list of lists over a fixed set of elements: element e's entries
// are entries[starts[e] .. starts[e + 1]), element after element in element
// order, so starts[0] is 0 and starts[n] the number of entries. One 4-byte
// offset a row, where a row pointer and a count would take 12: the lists are
// the bulk of the topology, which sits beside the triangle tree at the peak
// of a call. A list holds at most 2^32 - 1 entries (a build beyond that
// fails as out of memory).
struct IncidenceLists {
    uint32_t* starts = nullptr;
    uint32_t* entries = nullptr;

    const uint32_t* Row(uint32_t e) const { return entries + starts[e]; }
    uint32_t Count(uint32_t e) const { return starts[e + 1] - starts[e]; }
};

// The entry count of each element: stored counts where there are any, else
// the row lengths of a list's offsets.
struct RowCounts {
    const uint32_t* counts = nullptr;
    const uint32_t* starts = nullptr;

    uint32_t operator[](uint32_t e) const { return counts != nullptr ? counts[e] : starts[e + 1] - starts[e]; }
    bool Present() const { return counts != nullptr || starts != nullptr; }
};

class MeshTopology {
public:
    MeshTopology() = default;
    ~MeshTopology();
    MeshTopology(const MeshTopology&) = delete;
    MeshTopology& operator=(const MeshTopology&) = delete;

    // Releases everything, then borrows the record's arrays.
    void Attach(const MeshRecord& mesh);

    // Frees every structure and forgets the borrowed arrays. Repeatable.
    void FreeAll();

    // Every unordered pair of neighbouring points once, smaller index first,
    // ascending by first point, then in the order of its VertexNeighbours row.
    // Codes: -1 neighbour lists failed, -4 out of memory.
    const T3DEDGE* Edges(uint32_t& edgeCount);

    // Every triangle side (corner 0-1, 1-2, 2-0) that no other triangle has,
    // in the triangle's direction, in triangle order. Null with count 0 when
    // there is none (a closed mesh), with status 0.
    // Codes: -1 vertex triangle lists failed, -2 out of memory.
    const T3DEDGE* BorderEdges(uint32_t& borderEdgeCount);

    // Per triangle: bit s (1 << s) set when side s (corner 0-1, 1-2, 2-0) is
    // a border side, one that no other triangle has (the sides BorderEdges
    // lists); the other bits are clear. Built once and kept, also when no
    // side is a border. Codes: -1 vertex triangle lists failed, -2 out of
    // memory.
    const uint8_t* BorderSides();

    // Per point: the distinct points sharing a triangle with it (itself when
    // a triangle repeats it), in the pre-order of the point's search tree.
    // Builds VertexTriangles first (kept). Freed once Edges are built from
    // them: only the point degrees and that build read them, and at about
    // 14 bytes a triangle they would otherwise sit beside the edge and
    // triangle steps' own structures; a later request builds them again,
    // the same. Codes: -1 no arrays, -2 out of memory for the offsets, -3
    // vertex triangle lists failed or out of memory for the scratch, -5 out
    // of memory for the entries.
    const IncidenceLists& VertexNeighbours();

    // The VertexNeighbours lists when an earlier request built them and no
    // edge build has freed them since, else null. Builds nothing and leaves
    // Status() alone: for a caller that has a cheaper way of its own when
    // the lists are absent.
    const IncidenceLists* BuiltVertexNeighbours() const
    {
        return vertexNeighbours_.entries != nullptr ? &vertexNeighbours_ : nullptr;
    }

    // The Edges when an earlier request built them (with their count in
    // `edgeCount`), else null. Builds nothing and leaves Status() alone.
    const T3DEDGE* BuiltEdges(uint32_t& edgeCount) const
    {
        edgeCount = edges_ != nullptr ? edgeCount_ : 0;
        return edges_;
    }

    // Per point: the triangles with the point as a corner, ascending, a
    // triangle listed once per corner at the point.
    // Codes: -1 no arrays, -2/-3 out of memory.
    const IncidenceLists& VertexTriangles();

    // Per edge (position in Edges): the entries of the first end point's
    // VertexTriangles row whose triangle has both end points. The counts are
    // the edge degrees. Codes: -1 no arrays, -2 vertex triangle lists failed,
    // -3 edges failed, -4/-5 out of memory.
    const IncidenceLists& EdgeTriangles();

    // Per triangle: for each side in turn, every other triangle having both
    // end points of the side, in the first end point's VertexTriangles order
    // (repeats kept). Codes: -1 vertex triangle lists failed, -2/-3 out of
    // memory.
    const IncidenceLists& TriangleNeighbours();

    // Per triangle: the number of entries of its TriangleNeighbours row. Read
    // from those lists when they are built or affordable, else counted side
    // group by side group (model/SideGroups.h) into an array of its own, kept.
    // Codes: those of TriangleNeighbours, or -1 vertex triangle lists failed,
    // -3 out of memory. Not Present() when a build failed.
    RowCounts TriangleDegrees();

    // Whether the triangle neighbour lists are built, or would hold at most
    // the limit's number of entries per triangle: a bound from the vertex
    // triangle rows (a side gets no more entries than the shorter row of its
    // end points) is compared, so the lists are never built to find out.
    // True as well when a corner is out of range or the vertex triangle
    // lists fail, so that a caller takes its usual path and reports that.
    bool NeighbourListsAffordable();

    // The limit of NeighbourListsAffordable, in entries per triangle
    // [kNeighbourEntriesPerTriangle]; 0 makes every analysis that can take
    // the side groups instead of the lists do so.
    void LimitNeighbourEntries(uint32_t perTriangle) { neighbourEntryLimit_ = perTriangle; }

    // Whether the limit is lifted (LimitNeighbourEntries(UINT32_MAX)): the
    // plain path, on which every analysis walks the lists it is defined by
    // wherever they can be built, for the cheaper ways to be compared with.
    bool NeighbourEntriesUnlimited() const { return neighbourEntryLimit_ == UINT32_MAX; }
    static constexpr uint32_t kNeighbourEntriesPerTriangle = 48;

    // Whether the caller will ask for the triangle neighbour lists anyway
    // [false]. Their build finds every side that no other triangle has on
    // the way, so the border sides are then taken from it: a first request
    // for the border sides builds the neighbour lists, where they are
    // affordable, instead of a pass of its own. Only when the structures
    // are built changes, never what they hold.
    void ExpectTriangleNeighbours(bool expected) { expectNeighbours_ = expected; }

    // Whether the triangle neighbour lists are built already. A caller with
    // a cheaper way that does not need them can then use them for free
    // instead of paying for their build.
    bool HasTriangleNeighbours() const;

    // The code of the most recent getter (0 success). Every getter gives
    // kTopologyIndexOutOfRange when a triangle names an index >= pointCount.
    int32_t Status() const { return status_; }

    // The number of groups the breadth-first walk over the triangle
    // neighbour rows finds (seeds taken in index order), once a walk over
    // this mesh has counted them (analysis/mesh/EdgeWalk.h) or the
    // orientability check has related every pair of neighbours
    // (analysis/mesh/Orientation.cpp); -1 before. The component count and
    // the reorientation walk take the same seeds, so the first of them to
    // walk serves the others.
    int64_t WalkGroups() const { return walkGroups_; }
    void KeepWalkGroups(uint32_t groups) { walkGroups_ = groups; }

    // The rank of every point in the point order, equal points sharing one,
    // and the ranking's counts (containers/PointRanks.h): ranked at the
    // first request and kept, so that the duplicate counts of points, edges
    // and triangles sort the points once between them. Reads the points
    // only, and leaves Status() alone: null when there are no points or the
    // memory cannot be had, and the callers give their own codes.
    const uint32_t* PointRanks(PointRanking& ranking);
    bool HasPointRanks() const { return pointRanks_ != nullptr; }
    // Whether ranks made already give every point a rank of its own (no two
    // points equal, none with a NaN) and every corner names a point. A key
    // of the points of some corners then equals another exactly when the
    // corner indices do, so both have the same duplicates. False when no
    // ranks are made: finding out is left to a count that needs them anyway.
    bool PointsRankedApart();
    // Whether the topology is attached to this point array (its ranks are
    // then those of these points).
    bool HoldsPoints(const T3DVECF* points, uint32_t pointCount) const
    {
        return points_ == points && pointCount_ == pointCount;
    }

    // The longest VertexTriangles row (0 before they are built).
    uint32_t LargestTriangleRow() const { return largestTriangleRow_; }

    const T3DVECF* Points() const { return points_; }
    uint32_t PointCount() const { return pointCount_; }
    const TRIANGLE* Triangles() const { return triangles_; }
    uint32_t TriangleCount() const { return triangleCount_; }

private:
    enum class IndexCheck : uint8_t { Unchecked, InRange, OutOfRange };

    // Scans the triangles once per attached mesh.
    bool IndicesInRange();

    int32_t BuildVertexTriangles();
    int32_t BuildVertexNeighbours();
    int32_t BuildEdges();
    int32_t BuildEdgeTriangles();
    int32_t BuildTriangleNeighbours();
    int32_t BuildBorderSides();
    int32_t BuildBorderEdges();
    int32_t BuildTriangleDegrees();

    const T3DVECF* points_ = nullptr;
    uint32_t pointCount_ = 0;
    const TRIANGLE* triangles_ = nullptr;
    uint32_t triangleCount_ = 0;
    T3DEDGE* edges_ = nullptr;
    uint32_t edgeCount_ = 0;
    T3DEDGE* borderEdges_ = nullptr;
    uint32_t borderEdgeCount_ = 0;
    uint8_t* borderSides_ = nullptr;
    uint32_t largestTriangleRow_ = 0;  // the longest VertexTriangles row
    uint32_t* triangleDegrees_ = nullptr;  // when counted without the lists
    uint32_t neighbourEntryLimit_ = kNeighbourEntriesPerTriangle;
    bool expectNeighbours_ = false;
    IncidenceLists vertexNeighbours_;
    IncidenceLists vertexTriangles_;
    IncidenceLists edgeTriangles_;
    IncidenceLists triangleNeighbours_;
    uint32_t* pointRanks_ = nullptr;
    PointRanking pointRanking_;
    int64_t walkGroups_ = -1;
    int32_t status_ = 0;
    IndexCheck indexCheck_ = IndexCheck::Unchecked;
};

}  // namespace meshaudit
