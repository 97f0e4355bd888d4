// Border sides: triangle sides that no other triangle has.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"

namespace meshaudit {

int32_t CountBorderSides(const MeshRecord& mesh, MeshTopology& topology)
{
    EdgeMesh m;
    const int32_t code = CheckRecord(mesh, m);
    if (code != 0) {
        return code;
    }
    // The topology marks each triangle's border sides once for every border
    // analysis: the count is the number of marks.
    const uint8_t* borderSides = topology.BorderSides();
    if (topology.Status() != 0) {
        return -5;
    }
    uint32_t count = 0;
    for (uint32_t t = 0; t < m.triangleCount; ++t) {
        count += BorderSideCount(borderSides[t]);
    }
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit
