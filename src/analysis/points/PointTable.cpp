// The point category: its quantities in visiting order.
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"

#include <cstddef>

namespace meshaudit {

namespace {

int32_t Count(AnalysisContext& context)
{
    return static_cast<int32_t>(context.mesh.pointCount);
}

constexpr QuantityRow Row(const char* label, uint8_t k, uint16_t result, uint16_t criterion,
                          CountFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Count, result, Criterion::Range, criterion, true,
                       ComputeFn{.count = compute}};
}

const QuantityRow kRows[] = {
    Row("point::Count", PNT_Count, offsetof(PointResults, Count), offsetof(PointSettings, Count),
        &Count),
    Row("point::CountNAN", PNT_CountNAN, offsetof(PointResults, CountNAN),
        offsetof(PointSettings, CountNAN), &NotComputedCount),
    Row("point::CountINF", PNT_CountINF, offsetof(PointResults, CountINF),
        offsetof(PointSettings, CountINF), &NotComputedCount),
    Row("point::CountIsolated", PNT_CountIsolated, offsetof(PointResults, CountIsolated),
        offsetof(PointSettings, CountIsolated), &NotComputedCount),
    Row("point::CountBorder", PNT_CountBorder, offsetof(PointResults, CountBorder),
        offsetof(PointSettings, CountBorder), &NotComputedCount),
    // Not computed in this version: announced, then left not computed.
    Row("point::CountArticulation", PNT_CountArticulation, offsetof(PointResults, CountArticulation),
        offsetof(PointSettings, CountArticulation), &NotComputedCount),
    Row("point::CountDuplicatedGeometrical", PNT_CountDuplicatedGeometrical,
        offsetof(PointResults, CountDuplicatedGeometrical),
        offsetof(PointSettings, CountDuplicatedGeometrical), &NotComputedCount),
    Row("point::CountClassesOfDuplicatedGeometrical", PNT_CountClassesOfDuplicatedGeometrical,
        offsetof(PointResults, CountClassesOfDuplicatedGeometrical),
        offsetof(PointSettings, CountClassesOfDuplicatedGeometrical), &NotComputedCount),
    Row("point::CountClassesOfEpsilonDuplicatedGeometrical",
        PNT_CountClassesOfEpsilonDuplicatedGeometrical,
        offsetof(PointResults, CountClassesOfEpsilonDuplicatedGeometrical),
        offsetof(PointSettings, CountClassesOfEpsilonDuplicatedGeometrical), &NotComputedCount),
    Row("point::calculateMinimalDegree", PNT_MinimalDegree, offsetof(PointResults, MinimalDegree),
        offsetof(PointSettings, Degree), &NotComputedCount),
    Row("point::calculateMaximalDegree", PNT_MaximalDegree, offsetof(PointResults, MaximalDegree),
        offsetof(PointSettings, Degree), &NotComputedCount),
};

const CategoryTable kTable{Category::Points, kRows, sizeof kRows / sizeof kRows[0],
                           offsetof(PointSettings, Enable), offsetof(PointResults, InRange)};

}  // namespace

const CategoryTable& PointTable()
{
    return kTable;
}

}  // namespace meshaudit
