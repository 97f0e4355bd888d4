#include "interface/Blocks.h"

namespace meshaudit {

namespace {

// Filled by a static initialiser when the library is loaded.
ProcessBlocks processBlocks{DefaultPointSettings(),      DefaultEdgeSettings(),
                            DefaultTriangleSettings(),   DefaultMeshSettings(),
                            NotComputedPointResults(),   NotComputedEdgeResults(),
                            NotComputedTriangleResults(), NotComputedMeshResults()};

}  // namespace

ProcessBlocks& Blocks()
{
    return processBlocks;
}

}  // namespace meshaudit
