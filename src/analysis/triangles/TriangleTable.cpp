// The triangle category: its quantities in visiting order (the intersected
// count, k 13, before the flipped count, k 12).
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"

#include <cstddef>

namespace meshaudit {

namespace {

int32_t Count(AnalysisContext& context)
{
    return static_cast<int32_t>(context.mesh.triangleCount);
}

constexpr QuantityRow Row(const char* label, uint8_t k, uint16_t result, uint16_t criterion,
                          CountFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Count, result, Criterion::Range, criterion, true,
                       ComputeFn{.count = compute}};
}

// Computed when enabled, but never judged and not counted as a step.
constexpr QuantityRow Unjudged(const char* label, uint8_t k, uint16_t result, CountFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Count, result, Criterion::None, 0, false,
                       ComputeFn{.count = compute}};
}

const QuantityRow kRows[] = {
    Row("triangle::Count\r", TRI_Count, offsetof(TriangleResults, Count),
        offsetof(TriangleSettings, Count), &Count),
    Row("triangle::CountBorder", TRI_CountBorder, offsetof(TriangleResults, CountBorder),
        offsetof(TriangleSettings, CountBorder), &NotComputedCount),
    Row("triangle::CountIsolated", TRI_CountIsolated, offsetof(TriangleResults, CountIsolated),
        offsetof(TriangleSettings, CountIsolated), &NotComputedCount),
    Row("triangle::CountSingular", TRI_CountSingular, offsetof(TriangleResults, CountSingular),
        offsetof(TriangleSettings, CountSingular), &NotComputedCount),
    Row("triangle::MinimalDegree", TRI_MinimalDegree, offsetof(TriangleResults, MinimalDegree),
        offsetof(TriangleSettings, Degree), &NotComputedCount),
    Row("triangle::MaximalDegree", TRI_MaximalDegree, offsetof(TriangleResults, MaximalDegree),
        offsetof(TriangleSettings, Degree), &NotComputedCount),
    Row("triangle::CountInvalidTopological", TRI_CountInvalidTopological,
        offsetof(TriangleResults, CountInvalidTopological),
        offsetof(TriangleSettings, CountInvalidTopological), &NotComputedCount),
    Row("triangle::CountInvalidGeometrical", TRI_CountInvalidGeometrical,
        offsetof(TriangleResults, CountInvalidGeometrical),
        offsetof(TriangleSettings, CountInvalidGeometrical), &NotComputedCount),
    Unjudged("triangle::CountDuplicatedTopological", TRI_CountDuplicatedTopological,
             offsetof(TriangleResults, CountDuplicatedTopological), &NotComputedCount),
    Unjudged("triangle::CountDuplicatedGeometrical", TRI_CountDuplicatedGeometrical,
             offsetof(TriangleResults, CountDuplicatedGeometrical), &NotComputedCount),
    Row("triangle::CountClassesOfDuplicatedTopological", TRI_CountClassesOfDuplicatedTopological,
        offsetof(TriangleResults, CountClassesOfDuplicatedTopological),
        offsetof(TriangleSettings, CountClassesOfDuplicatedTopological), &NotComputedCount),
    Row("triangle::CountClassesOfDuplicatedGeometrical", TRI_CountClassesOfDuplicatedGeometrical,
        offsetof(TriangleResults, CountClassesOfDuplicatedGeometrical),
        offsetof(TriangleSettings, CountClassesOfDuplicatedGeometrical), &NotComputedCount),
    Row("triangle::CountIntersected", TRI_CountIntersected,
        offsetof(TriangleResults, CountIntersected), offsetof(TriangleSettings, CountIntersected),
        &NotComputedCount),
    Row("triangle::CountFlippedTopological", TRI_CountFlippedTopological,
        offsetof(TriangleResults, CountFlippedTopological),
        offsetof(TriangleSettings, CountFlippedTopological), &NotComputedCount),
};

const CategoryTable kTable{Category::Triangles, kRows, sizeof kRows / sizeof kRows[0],
                           offsetof(TriangleSettings, Enable), offsetof(TriangleResults, InRange)};

}  // namespace

const CategoryTable& TriangleTable()
{
    return kTable;
}

}  // namespace meshaudit
