// Border sides: triangle sides that no other triangle has. Listed in
// triangle order, sides 0-1, 1-2, 2-0 of each.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/edges/EdgeInputs.h"

namespace meshaudit {

int32_t CountBorderSides(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    EdgeMesh m;
    const int32_t code = ReadRecord(mesh, m);
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
    if (where == nullptr) {
        for (uint32_t t = 0; t < m.triangleCount; ++t) {
            count += BorderSideCount(borderSides[t]);
        }
        return static_cast<int32_t>(count);
    }
    // Side s runs from corner s to corner s + 1 (mod 3).
    for (uint32_t t = 0; t < m.triangleCount; ++t) {
        const uint32_t corners[3] = {m.triangles[t].a, m.triangles[t].b, m.triangles[t].c};
        for (uint32_t s = 0; s < 3; ++s) {
            if ((borderSides[t] >> s & 1u) != 0) {
                ++count;
                AddEdge(*where, corners[s], corners[(s + 1) % 3]);
            }
        }
    }
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit
