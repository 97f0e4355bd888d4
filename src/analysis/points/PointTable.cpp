// The point category: its quantities in visiting order.
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"
#include "analysis/points/PointAnalyses.h"

#include <cstddef>

namespace meshaudit {

namespace {

int32_t Count(AnalysisContext& context)
{
    return static_cast<int32_t>(context.mesh.pointCount);
}

int32_t Nan(AnalysisContext& c)
{
    return points::CountNAN(c.mesh);
}

int32_t Inf(AnalysisContext& c)
{
    return points::CountINF(c.mesh);
}

int32_t Isolated(AnalysisContext& c)
{
    return points::CountIsolated(c.mesh);
}

int32_t Border(AnalysisContext& c)
{
    return points::CountBorder(c.mesh, c.topology);
}

// The member count and the class count read one search, kept by the context.
int32_t ExactSums(AnalysisContext& c, DuplicateSums& sums)
{
    return c.duplicates.Sums(
        DuplicateSearch::PointsGeometrical,
        [&c](DuplicateSums& s) { return points::ExactDuplicates(c.mesh, s); }, sums);
}

int32_t Duplicated(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = ExactSums(c, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t DuplicateClasses(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = ExactSums(c, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

int32_t EpsilonDuplicates(AnalysisContext& c)
{
    return points::CountEpsilonDuplicates(c.mesh, &c.pointSettings.Epsilon);
}

int32_t MinimalDegree(AnalysisContext& c)
{
    return points::MinimalDegree(c.mesh, c.topology);
}

int32_t MaximalDegree(AnalysisContext& c)
{
    return points::MaximalDegree(c.mesh, c.topology);
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
        offsetof(PointSettings, CountNAN), &Nan),
    Row("point::CountINF", PNT_CountINF, offsetof(PointResults, CountINF),
        offsetof(PointSettings, CountINF), &Inf),
    Row("point::CountIsolated", PNT_CountIsolated, offsetof(PointResults, CountIsolated),
        offsetof(PointSettings, CountIsolated), &Isolated),
    Row("point::CountBorder", PNT_CountBorder, offsetof(PointResults, CountBorder),
        offsetof(PointSettings, CountBorder), &Border),
    // Not computed in this version: announced, then left not computed.
    Row("point::CountArticulation", PNT_CountArticulation, offsetof(PointResults, CountArticulation),
        offsetof(PointSettings, CountArticulation), &NotComputedCount),
    Row("point::CountDuplicatedGeometrical", PNT_CountDuplicatedGeometrical,
        offsetof(PointResults, CountDuplicatedGeometrical),
        offsetof(PointSettings, CountDuplicatedGeometrical), &Duplicated),
    Row("point::CountClassesOfDuplicatedGeometrical", PNT_CountClassesOfDuplicatedGeometrical,
        offsetof(PointResults, CountClassesOfDuplicatedGeometrical),
        offsetof(PointSettings, CountClassesOfDuplicatedGeometrical), &DuplicateClasses),
    Row("point::CountClassesOfEpsilonDuplicatedGeometrical",
        PNT_CountClassesOfEpsilonDuplicatedGeometrical,
        offsetof(PointResults, CountClassesOfEpsilonDuplicatedGeometrical),
        offsetof(PointSettings, CountClassesOfEpsilonDuplicatedGeometrical), &EpsilonDuplicates),
    Row("point::calculateMinimalDegree", PNT_MinimalDegree, offsetof(PointResults, MinimalDegree),
        offsetof(PointSettings, Degree), &MinimalDegree),
    Row("point::calculateMaximalDegree", PNT_MaximalDegree, offsetof(PointResults, MaximalDegree),
        offsetof(PointSettings, Degree), &MaximalDegree),
};

const CategoryTable kTable{Category::Points, kRows, sizeof kRows / sizeof kRows[0],
                           offsetof(PointSettings, Enable), offsetof(PointResults, InRange)};

}  // namespace

const CategoryTable& PointTable()
{
    return kTable;
}

}  // namespace meshaudit
