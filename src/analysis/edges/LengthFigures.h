// The four edge length quantities of one pass over the edge list. Each of
// them reads every edge's two end points, scattered over the point array, to
// compute the same lengths; an analysis that counts them without lists takes
// all four from the first pass and keeps them for the mesh and range.
#pragma once

#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cfloat>
#include <cstdint>
#include <cstring>

namespace meshaudit {

struct EdgeLengthFigures {
    bool known = false;
    double lower = 0.0;  // the range the counts were made against
    double upper = 0.0;
    int32_t code = 0;    // the edge list's failure code, or 0
    uint32_t shorter = 0;
    uint32_t longer = 0;
    double minimum = DBL_MAX;
    double maximum = 0.0;

    // Whether these are the figures of the range lower..upper (compared bit
    // for bit, so that a NaN bound matches itself).
    bool Of(double lowerBound, double upperBound) const
    {
        return known && std::memcmp(&lower, &lowerBound, sizeof lower) == 0 &&
               std::memcmp(&upper, &upperBound, sizeof upper) == 0;
    }
};

// The figures of CountShorterEdges(lowerBound), CountLongerEdges(upperBound),
// MinimalEdgeLength and MaximalEdgeLength, from one pass: each the same
// value, or the same code, as its own function gives.
EdgeLengthFigures MeasureEdgeLengths(const MeshRecord& mesh, MeshTopology& topology, double lowerBound,
                                     double upperBound);

}  // namespace meshaudit
