// Dropping the triangles that name one point index more than once.
#include "repair/FilterTriangles.h"

#include "containers/Memory.h"

#include <cstdint>

namespace meshaudit {

int32_t RemoveInvalidTriangles(MeshRecord& record)
{
    TRIANGLE* triangles = record.triangles;
    const uint32_t triangleCount = record.triangleCount;
    if (triangles == nullptr) {
        return -1;
    }
    if (triangleCount == 0) {
        return -2;
    }
    uint8_t* invalid = AllocateZeroedArray<uint8_t>(triangleCount);
    if (invalid == nullptr) {
        return -3;
    }
    uint32_t validCount = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        const TRIANGLE& tri = triangles[t];
        if (tri.a != tri.b && tri.a != tri.c && tri.b != tri.c) {
            ++validCount;
        } else {
            invalid[t] = 1;
        }
    }
    // With no valid triangle this is an array of zero length, which the seam
    // still returns as a real (releasable) allocation.
    TRIANGLE* kept = AllocateArray<TRIANGLE>(validCount);
    if (kept == nullptr) {
        Free(invalid);
        return -4;
    }
    uint32_t k = 0;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        if (invalid[t] != 1) {
            kept[k++] = triangles[t];
        }
    }
    record.triangles = kept;
    record.triangleCount = validCount;
    Free(triangles);
    Free(invalid);
    // Only the sign of the result reaches the host; a count beyond the signed
    // range must not read as a failure.
    return validCount > INT32_MAX ? INT32_MAX : static_cast<int32_t>(validCount);
}

}  // namespace meshaudit
