// The triangle category's compute functions, one per quantity of its list in
// meshaudit.h, named as the quantity.
#include "analysis/AnalysisContext.h"
#include "analysis/Steps.h"
#include "analysis/triangles/TriangleAnalyses.h"

#include <cstddef>

namespace meshaudit {

namespace triangle_steps {

int32_t Count(AnalysisContext& c)
{
    return static_cast<int32_t>(c.mesh.triangleCount);
}

// A successful count of none tells the self-intersection flag its answer:
// the pair search would test exactly the pairs the count tested. When the
// intersecting pairs are wanted the count's own search lists them, and a
// successful count hands them complete to the self-intersection step.
int32_t CountIntersected(AnalysisContext& c)
{
    // Pairs are listed only for a flag that will be computed: listing makes
    // the search test the pairs it could otherwise skip.
    LocationList* pairs = c.meshSettings.Enable[MSH_Selfintersection] == 1
                             ? c.List(Category::Mesh, MSH_Selfintersection)
                             : nullptr;
    if (pairs != nullptr) {
        pairs->Clear();
    }
    const int32_t count = triangles::CountIntersectedInto(c.mesh, c.CurrentList(), pairs);
    c.Memo().KeepIntersectedCount(count);
    if (count >= 0 && pairs != nullptr) {
        pairs->Seal();  // complete: the flag's step keeps it
    }
    return count;
}

constexpr auto CountBorder = &Step<triangles::CountBorderInto>;
constexpr auto CountIsolated = &Step<triangles::CountIsolatedInto>;
constexpr auto CountSingular = &Step<triangles::CountSingularInto>;
constexpr auto MinimalDegree = &Step<triangles::MinimalDegreeInto>;
constexpr auto MaximalDegree = &Step<triangles::MaximalDegreeInto>;
constexpr auto CountInvalidTopological = &Step<triangles::CountInvalidTopologicalInto>;
constexpr auto CountInvalidGeometrical = &Step<triangles::CountInvalidGeometricalInto>;
constexpr auto CountDuplicatedTopological = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::TrianglesTopological, triangles::TopologicalDuplicates, false>);
constexpr auto CountDuplicatedGeometrical = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::TrianglesGeometrical, triangles::GeometricalDuplicates, false>);
constexpr auto CountClassesOfDuplicatedTopological = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::TrianglesTopological, triangles::TopologicalDuplicates, true>);
constexpr auto CountClassesOfDuplicatedGeometrical = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::TrianglesGeometrical, triangles::GeometricalDuplicates, true>);
// Kept for the mesh's Oriented step (MeshTable.cpp).
int32_t CountFlippedTopological(AnalysisContext& c)
{
    const int32_t count = Step<triangles::CountFlippedTopologicalInto>(c);
    c.Memo().KeepFlippedTriangles(count);
    return count;
}

}  // namespace triangle_steps

MESHAUDIT_DEFINE_TABLE(TriangleTable, MESHAUDIT_TRIANGLE_QUANTITIES, Category::Triangles,
                       TriangleSettings, TriangleResults, triangle_steps)

}  // namespace meshaudit
