// The process-wide copies of the eight blocks, which the exported functions
// read and write.
#pragma once

#include "meshaudit.h"
#include "model/BlockMarks.h"

namespace meshaudit {

// They hold their defaults (settings) and their not-computed state (results)
// from load on.
struct ProcessBlocks {
    PointSettings pointSettings;
    EdgeSettings edgeSettings;
    TriangleSettings triangleSettings;
    MeshSettings meshSettings;
    PointResults pointResults;
    EdgeResults edgeResults;
    TriangleResults triangleResults;
    MeshResults meshResults;
};

ProcessBlocks& Blocks();

}  // namespace meshaudit
