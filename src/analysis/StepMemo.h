// What a step of an analysis leaves for a later step beyond the result
// slots: figures one step makes on its way that another would otherwise
// make again. Each entry has a reader and a keeper of its own, named after
// what it holds, so that a step keeps only the value it means to keep; a
// table row names the entries its step reads (QuantityRow::reads).
#pragma once

#include "analysis/DuplicateMemo.h"
#include "analysis/edges/LengthFigures.h"

#include <cstdint>

namespace meshaudit {

// The entries, as the bits of a row's `reads`.
enum class MemoEntry : uint8_t {
    DuplicateSums = 1,       // the duplicate searches' sums, kept by their steps
    EdgeLengths = 2,         // the four edge length figures, kept by the first length step
    FlippedTriangles = 4,    // the triangle step's flipped count
    NoIntersectingPair = 8,  // the triangle step counted no intersected triangle
    Area = 16,               // the area, kept by the volume's pass
};

class StepMemo {
public:
    // Forgets every entry (a new mesh is loaded).
    void Forget() { *this = StepMemo{}; }

    // The duplicate searches run so far: each pair of counts of one key
    // shares one search (DuplicateMemo.h).
    DuplicateMemo& Duplicates() { return duplicates_; }

    // The four length quantities of one pass over the edges (LengthFigures.h).
    const EdgeLengthFigures& EdgeLengths() const { return edgeLengths_; }
    void KeepEdgeLengths(const EdgeLengthFigures& figures) { edgeLengths_ = figures; }

    // The flipped triangle count once the triangle step made it: -1 before,
    // or the count's failure code.
    int32_t FlippedTriangles() const { return flippedTriangles_; }
    void KeepFlippedTriangles(int32_t count) { flippedTriangles_ = count; }

    // True when this analysis counted the intersected triangles,
    // successfully, as none: the intersecting-pair search over the same tree
    // then has its answer already (it would test exactly the pairs the count
    // tested).
    bool NoIntersectingPair() const { return noIntersectingPair_; }
    void KeepIntersectedCount(int32_t count) { noIntersectingPair_ = count == 0; }

    // The area once the volume's pass summed it too (negative before).
    double Area() const { return area_; }
    void KeepArea(double area) { area_ = area; }

private:
    DuplicateMemo duplicates_;
    EdgeLengthFigures edgeLengths_;
    int32_t flippedTriangles_ = -1;
    bool noIntersectingPair_ = false;
    double area_ = -1.0;
};

}  // namespace meshaudit
