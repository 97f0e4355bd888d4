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
// the pair search would test exactly the pairs the count tested.
int32_t CountIntersected(AnalysisContext& c)
{
    const int32_t count = triangles::CountIntersected(c.mesh);
    c.noIntersectingPair = count == 0;
    return count;
}

constexpr auto CountBorder = &Step<triangles::CountBorder>;
constexpr auto CountIsolated = &Step<triangles::CountIsolated>;
constexpr auto CountSingular = &Step<triangles::CountSingular>;
constexpr auto MinimalDegree = &Step<triangles::MinimalDegree>;
constexpr auto MaximalDegree = &Step<triangles::MaximalDegree>;
constexpr auto CountInvalidTopological = &Step<triangles::CountInvalidTopological>;
constexpr auto CountInvalidGeometrical = &Step<triangles::CountInvalidGeometrical>;
constexpr auto CountDuplicatedTopological =
    &DuplicateStep<DuplicateSearch::TrianglesTopological, triangles::TopologicalDuplicates, false>;
constexpr auto CountDuplicatedGeometrical =
    &DuplicateStep<DuplicateSearch::TrianglesGeometrical, triangles::GeometricalDuplicates, false>;
constexpr auto CountClassesOfDuplicatedTopological =
    &DuplicateStep<DuplicateSearch::TrianglesTopological, triangles::TopologicalDuplicates, true>;
constexpr auto CountClassesOfDuplicatedGeometrical =
    &DuplicateStep<DuplicateSearch::TrianglesGeometrical, triangles::GeometricalDuplicates, true>;
constexpr auto CountFlippedTopological = &Step<triangles::CountFlippedTopological>;

}  // namespace triangle_steps

MESHAUDIT_DEFINE_TABLE(TriangleTable, MESHAUDIT_TRIANGLE_QUANTITIES, Category::Triangles,
                       TriangleSettings, TriangleResults, triangle_steps)

}  // namespace meshaudit
