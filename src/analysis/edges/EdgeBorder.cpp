// Border sides: triangle sides that no other triangle has.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"
#include "model/TriangleSides.h"

namespace meshaudit {

int32_t CountBorderSides(const MeshRecord& mesh, MeshTopology& topology)
{
    EdgeMesh m;
    const int32_t code = CheckRecord(mesh, m);
    if (code != 0) {
        return code;
    }
    const IncidenceLists& incident = topology.VertexTriangles();
    if (topology.Status() != 0) {
        return -5;
    }
    uint32_t count = 0;
    for (uint32_t t = 0; t < m.triangleCount; ++t) {
        for (int s = 0; s < 3; ++s) {
            const TriangleSide side = SideOf(m.triangles[t], s);
            if (!SideIsShared(incident, t, side.p, side.q)) {
                ++count;
            }
        }
    }
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit
