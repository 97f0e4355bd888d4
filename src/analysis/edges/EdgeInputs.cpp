#include "analysis/edges/EdgeInputs.h"

#include "model/RecordChecks.h"

namespace meshaudit {

int32_t ReadRecord(const MeshRecord& mesh, EdgeMesh& out)
{
    // Field by field: the record is packed, its members are never addressed.
    out.points = mesh.points;
    out.pointCount = mesh.pointCount;
    out.triangles = mesh.triangles;
    out.triangleCount = mesh.triangleCount;
    return CheckRecord(mesh);
}

int32_t FetchEdgeList(const MeshRecord& mesh, MeshTopology& topology, EdgeMesh& out,
                      const T3DEDGE*& edges, uint32_t& edgeCount)
{
    const int32_t code = ReadRecord(mesh, out);
    if (code != 0) {
        return code;
    }
    uint32_t count = 0;
    const T3DEDGE* list = topology.Edges(count);
    if (topology.Status() != 0) {
        return -5;
    }
    if (list == nullptr) {
        return -6;
    }
    if (count == 0) {
        return -7;
    }
    edges = list;
    edgeCount = count;
    return 0;
}

}  // namespace meshaudit
