// Whether the mesh holds duplicates, exact or within Epsilon, from the
// duplicate counts of the point, edge and triangle categories.
#include "analysis/mesh/MeshSteps.h"

namespace meshaudit {

int8_t PreciseDuplicatesStep(AnalysisContext& context)
{
    const int32_t counts[5] = {
        context.EnsureCount(Category::Points, PNT_CountDuplicatedGeometrical),
        context.EnsureCount(Category::Edges, EDG_CountDuplicatedGeometrical),
        context.EnsureCount(Category::Edges, EDG_CountDuplicatedTopological),
        context.EnsureCount(Category::Triangles, TRI_CountDuplicatedGeometrical),
        context.EnsureCount(Category::Triangles, TRI_CountDuplicatedTopological),
    };
    return SummaryFlag(counts, 5);
}

int8_t EpsilonDuplicatesStep(AnalysisContext& context)
{
    // The point category's count, computed with its own Epsilon setting.
    const int32_t count =
        context.EnsureCount(Category::Points, PNT_CountClassesOfEpsilonDuplicatedGeometrical);
    return SummaryFlag(&count, 1);
}

}  // namespace meshaudit
