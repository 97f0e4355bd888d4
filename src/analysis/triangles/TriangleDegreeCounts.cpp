// Counters over the triangle degrees: the entry counts of the shared
// triangle-neighbour lists (counted without them where they would be large).
#include "analysis/triangles/TriangleAnalyses.h"
#include "model/RecordChecks.h"

namespace meshaudit::triangles {

namespace {

// The degree of every triangle, or none (not Present) with `code` set.
RowCounts Degrees(const MeshRecord& mesh, MeshTopology& topology, int32_t& code)
{
    code = CheckRecord(mesh);
    if (code != 0) {
        return {};
    }
    const RowCounts degrees = topology.TriangleDegrees();
    if (topology.Status() != 0 || !degrees.Present()) {
        code = -5;
        return {};
    }
    return degrees;
}

// The triangles whose degree passes `counted`, listed where they are counted.
template <typename Counted>
int32_t CountDegrees(const MeshRecord& mesh, MeshTopology& topology, LocationList* where,
                     Counted counted)
{
    int32_t code = 0;
    const RowCounts degrees = Degrees(mesh, topology, code);
    if (!degrees.Present()) {
        return code;
    }
    uint32_t n = 0;
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const bool hit = counted(degrees[t]);
        n += hit ? 1u : 0u;
        if (where != nullptr && hit) {
            where->Add(t);
        }
    }
    return static_cast<int32_t>(n);
}

// Folds the degrees of all triangles with `step`, starting at `start`; the
// triangles whose degree is the result are listed by a second pass over the
// degrees, made only when they are wanted.
template <typename Step>
int32_t FoldDegrees(const MeshRecord& mesh, MeshTopology& topology, uint32_t start, LocationList* where,
                    Step step)
{
    int32_t code = 0;
    const RowCounts degrees = Degrees(mesh, topology, code);
    if (!degrees.Present()) {
        return code;
    }
    const uint32_t triangleCount = mesh.triangleCount;
    uint32_t value = start;
    for (uint32_t t = 0; t < triangleCount; ++t) {
        value = step(value, degrees[t]);
    }
    if (where != nullptr) {
        for (uint32_t t = 0; t < triangleCount; ++t) {
            if (degrees[t] == value) {
                where->Add(t);
            }
        }
    }
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t CountIsolatedInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    return CountDegrees(mesh, topology, where, [](uint32_t degree) { return degree == 0; });
}

int32_t CountSingularInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    return CountDegrees(mesh, topology, where, [](uint32_t degree) { return degree > 3; });
}

int32_t MinimalDegreeInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    return FoldDegrees(mesh, topology, 0xFFFFFFFFu, where,
                       [](uint32_t m, uint32_t degree) { return degree < m ? degree : m; });
}

int32_t MaximalDegreeInto(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    return FoldDegrees(mesh, topology, 0u, where,
                       [](uint32_t m, uint32_t degree) { return degree > m ? degree : m; });
}

}  // namespace meshaudit::triangles
