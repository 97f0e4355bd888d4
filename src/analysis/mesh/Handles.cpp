// Handles (genus) of a mesh from the Euler relation
// V - E + F = 2K - 2 * handles - B, with points that no triangle uses and
// triangles that repeat a point left out of V and F.
#include "analysis/mesh/MeshAnalyses.h"

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

}  // namespace meshaudit
