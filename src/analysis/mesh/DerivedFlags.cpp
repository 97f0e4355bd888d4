// The mesh booleans that follow from counts: connectivity, handles, borders,
// invalid and singular elements. A failure code among the inputs makes the
// flag -1 (not computable) rather than a guess.
#include "analysis/mesh/MeshSteps.h"

namespace meshaudit {

int8_t SummaryFlag(const int32_t* counts, size_t n)
{
    bool anyNegative = false;
    bool anyPositive = false;
    for (size_t i = 0; i < n; ++i) {
        anyNegative = anyNegative || counts[i] < 0;
        anyPositive = anyPositive || counts[i] > 0;
    }
    if (anyNegative) {
        return -1;
    }
    return anyPositive ? 1 : 0;
}

int8_t ConnectedStep(AnalysisContext& context)
{
    const int32_t components = context.EnsureCount(Category::Mesh, MSH_CountComponents);
    if (components < 0) {
        return -1;
    }
    return components == 1 ? 1 : 0;
}

int8_t HasHandlesStep(AnalysisContext& context)
{
    const int32_t handles = context.EnsureCount(Category::Mesh, MSH_CountHandles);
    return SummaryFlag(&handles, 1);
}

int8_t HasBordersStep(AnalysisContext& context)
{
    const int32_t borders = context.EnsureCount(Category::Mesh, MSH_CountBorders);
    return SummaryFlag(&borders, 1);
}

int8_t ClosedStep(AnalysisContext& context)
{
    const int32_t borders = context.EnsureCount(Category::Mesh, MSH_CountBorders);
    if (borders < 0) {
        return -1;
    }
    return borders == 0 ? 1 : 0;
}

int8_t InvalidStep(AnalysisContext& context)
{
    // Each count is made sure of in turn, also after one has failed, so that
    // all four stand in their categories' blocks.
    const int32_t counts[4] = {
        context.EnsureCount(Category::Triangles, TRI_CountInvalidTopological),
        context.EnsureCount(Category::Triangles, TRI_CountInvalidGeometrical),
        context.EnsureCount(Category::Edges, EDG_CountInvalidTopological),
        context.EnsureCount(Category::Edges, EDG_CountInvalidGeometrical),
    };
    return SummaryFlag(counts, 4);
}

int8_t SingularStep(AnalysisContext& context)
{
    const int32_t counts[2] = {
        context.EnsureCount(Category::Triangles, TRI_CountSingular),
        context.EnsureCount(Category::Edges, EDG_CountSingular),
    };
    return SummaryFlag(counts, 2);
}

}  // namespace meshaudit
