// The eight blocks: their default settings, their not-computed results, and
// the process-wide copies that the exported functions read and write.
#pragma once

#include "meshaudit.h"

#include <cfloat>

namespace meshaudit {

// The mesh volume's not-computed mark: the lowest finite double, since a
// volume may be negative.
inline constexpr double kVolumeNotComputed = -DBL_MAX;
inline constexpr double kDoubleNotComputed = -1.0;
inline constexpr int8_t kFlagNotComputed = -1;
inline constexpr uint8_t kNotJudged = 0xFF;

PointSettings DefaultPointSettings();
EdgeSettings DefaultEdgeSettings();
TriangleSettings DefaultTriangleSettings();
MeshSettings DefaultMeshSettings();

PointResults NotComputedPointResults();
EdgeResults NotComputedEdgeResults();
TriangleResults NotComputedTriangleResults();
MeshResults NotComputedMeshResults();

// The process-wide blocks. They hold their defaults from load on.
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
