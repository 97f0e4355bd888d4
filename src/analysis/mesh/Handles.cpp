// Handles (genus) of a mesh from the Euler relation
// V - E + F = 2K - 2 * handles - B, with points that no triangle uses and
// triangles that repeat a point left out of V and F.
#include "analysis/edges/EdgeAnalyses.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/points/PointAnalyses.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "model/RecordChecks.h"

namespace meshaudit {

int32_t HandlesFromEuler(uint32_t components, uint32_t points, uint32_t isolatedPoints,
                         uint32_t edges, uint32_t borders, uint32_t triangles,
                         uint32_t invalidTriangles)
{
    // Unsigned arithmetic wraps like 32-bit two's complement without the
    // undefined behaviour of signed overflow; the conversion back to int32_t
    // is modular.
    const uint32_t sum = points - isolatedPoints - edges + borders + triangles - invalidTriangles;
    const int32_t half = static_cast<int32_t>(sum) / 2;
    return static_cast<int32_t>(components - static_cast<uint32_t>(half));
}

int32_t ComputeHandles(const MeshRecord& mesh, MeshTopology& topology)
{
    if (const int32_t code = CheckRecord(mesh); code != 0) {
        return code;
    }
    const uint32_t pointCount = mesh.pointCount;
    const uint32_t triangleCount = mesh.triangleCount;
    // The five inputs are computed afresh, in this order, by the analyses of
    // their own categories, and never stored: the handle count must not
    // depend on which of them the caller asked for.
    const int32_t edges = CountEdges(mesh, topology);
    const int32_t isolated = points::CountIsolated(mesh);
    const int32_t invalid = triangles::CountInvalidTopological(mesh);
    const int32_t borders = ComputeBorders(mesh, topology);
    const int32_t components = ComputeComponents(mesh, topology);
    // With a failed input the relation would give a number without meaning;
    // a code says so instead.
    if (edges < 0 || isolated < 0 || invalid < 0 || borders < 0 || components < 0) {
        return -5;
    }
    return HandlesFromEuler(static_cast<uint32_t>(components), pointCount,
                            static_cast<uint32_t>(isolated), static_cast<uint32_t>(edges),
                            static_cast<uint32_t>(borders), triangleCount,
                            static_cast<uint32_t>(invalid));
}

}  // namespace meshaudit
