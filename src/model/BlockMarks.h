// The settings blocks' defaults, the result blocks' not-computed state and
// the mark of each value kind, all derived from the quantity lists of
// meshaudit.h. They sit below both the analyses, which test slots against
// the marks, and the exported interface, which holds the process-wide
// blocks.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

inline constexpr double kVolumeNotComputed = MESHAUDIT_VOLUME_NOT_COMPUTED;
inline constexpr double kDoubleNotComputed = MESHAUDIT_REAL_NOT_COMPUTED;
inline constexpr int8_t kFlagNotComputed = MESHAUDIT_FLAG_NOT_COMPUTED;
inline constexpr uint8_t kNotJudged = MESHAUDIT_NOT_JUDGED;

// Each fills a block through the header's helper of the same name, so the
// library and a host start from the same bytes.
template <typename Block, void (*fill)(Block*)>
Block Filled()
{
    Block block;
    fill(&block);
    return block;
}

inline PointSettings DefaultPointSettings() { return Filled<PointSettings, meshaudit_default_point_settings>(); }
inline EdgeSettings DefaultEdgeSettings() { return Filled<EdgeSettings, meshaudit_default_edge_settings>(); }
inline TriangleSettings DefaultTriangleSettings() { return Filled<TriangleSettings, meshaudit_default_triangle_settings>(); }
inline MeshSettings DefaultMeshSettings() { return Filled<MeshSettings, meshaudit_default_mesh_settings>(); }

inline PointResults NotComputedPointResults() { return Filled<PointResults, meshaudit_not_computed_point_results>(); }
inline EdgeResults NotComputedEdgeResults() { return Filled<EdgeResults, meshaudit_not_computed_edge_results>(); }
inline TriangleResults NotComputedTriangleResults() { return Filled<TriangleResults, meshaudit_not_computed_triangle_results>(); }
inline MeshResults NotComputedMeshResults() { return Filled<MeshResults, meshaudit_not_computed_mesh_results>(); }

}  // namespace meshaudit
