// The triangle degrees, from the neighbour lists when they are affordable and
// side group by side group when they are not (see model/SideGroups.h).
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"
#include "model/SideGroups.h"

namespace meshaudit {

bool MeshTopology::NeighbourListsAffordable()
{
    if (IsPresent(triangleNeighbours_) || !IndicesInRange() || BuildVertexTriangles() != 0) {
        return true;
    }
    const RowCounts counts{nullptr, vertexTriangles_.starts};
    uint64_t bound = 0;
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        const TRIANGLE& tri = triangles_[t];
        const uint64_t a = counts[tri.a];
        const uint64_t b = counts[tri.b];
        const uint64_t c = counts[tri.c];
        bound += (a < b ? a : b) + (b < c ? b : c) + (c < a ? c : a);
    }
    // A small mesh may always have them: 128 triangles' worth of room.
    return bound <= uint64_t{neighbourEntryLimit_} * (uint64_t{triangleCount_} + 128);
}

int32_t MeshTopology::BuildTriangleDegrees()
{
    if (triangleDegrees_ != nullptr) {
        return 0;
    }
    if (NeighbourListsAffordable()) {
        return BuildTriangleNeighbours();
    }
    // A row of t holds, side by side, the entries of the side's start row
    // whose triangle has the side's end, t's own left out: as many as the
    // group's start and end have in common, less t's corners at the start.
    uint32_t* degrees = AllocateZeroedArray<uint32_t>(triangleCount_);
    SideFrom* scratch = AllocateArray<SideFrom>(largestTriangleRow_);
    if (degrees == nullptr || scratch == nullptr) {
        Free(degrees);
        Free(scratch);
        return -3;
    }
    ForEachSideGroup(triangles_, pointCount_, vertexTriangles_, scratch,
                     [&](uint32_t p, uint32_t q, const SideFrom* sides, uint32_t n) {
                         const uint32_t shared = EntriesWithBoth(vertexTriangles_, p, q);
                         for (uint32_t k = 0; k < n; ++k) {
                             degrees[sides[k].t] += shared - CornersAt(triangles_[sides[k].t], p);
                         }
                     });
    Free(scratch);
    triangleDegrees_ = degrees;
    return 0;
}

}  // namespace meshaudit
