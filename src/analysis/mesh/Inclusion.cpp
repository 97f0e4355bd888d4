// Whether the mesh encloses a volume: one closed, consistently oriented
// piece whose orientation makes its volume positive.
#include "analysis/mesh/MeshSteps.h"
#include "model/BlockMarks.h"

namespace meshaudit {

int8_t InclusionFlag(int32_t components, int32_t borders, int8_t oriented, double volume)
{
    if (components < 0 || borders < 0 || oriented < 0 || volume == kVolumeNotComputed) {
        return -1;
    }
    return components == 1 && borders == 0 && oriented > 0 && volume > 0.0 ? 1 : 0;
}

int8_t InclusionStep(AnalysisContext& context)
{
    // Computed silently into the mesh's own slots, in this order, so that
    // later steps find them set and neither announce nor recompute them.
    const int32_t components = context.EnsureCount(Category::Mesh, MSH_CountComponents);
    const int32_t borders = context.EnsureCount(Category::Mesh, MSH_CountBorders);
    const int8_t oriented = context.EnsureFlag(Category::Mesh, MSH_Oriented);
    const double volume = context.EnsureReal(Category::Mesh, MSH_Volume);
    return InclusionFlag(components, borders, oriented, volume);
}

}  // namespace meshaudit
