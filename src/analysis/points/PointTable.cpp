// The point category's compute functions, one per quantity of its list in
// meshaudit.h, named as the quantity.
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"
#include "analysis/Steps.h"
#include "analysis/points/PointAnalyses.h"

#include <cstddef>

namespace meshaudit {

namespace point_steps {

int32_t Count(AnalysisContext& c)
{
    return static_cast<int32_t>(c.mesh.pointCount);
}

int32_t CountClassesOfEpsilonDuplicatedGeometrical(AnalysisContext& c)
{
    return points::CountEpsilonDuplicates(c.mesh, &c.pointSettings.Epsilon, c.CurrentList());
}

constexpr auto CountNAN = &Step<points::CountNAN>;
constexpr auto CountINF = &Step<points::CountINF>;
constexpr auto CountIsolated = &Step<points::CountIsolated>;
constexpr auto CountBorder = &Step<points::CountBorder>;
constexpr auto CountArticulation = &NotComputedCount;  // not computed in this version
constexpr auto CountDuplicatedGeometrical = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::PointsGeometrical, points::ExactDuplicates, false>);
constexpr auto CountClassesOfDuplicatedGeometrical = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::PointsGeometrical, points::ExactDuplicates, true>);
constexpr auto MinimalDegree = &Step<points::MinimalDegree>;
constexpr auto MaximalDegree = &Step<points::MaximalDegree>;

}  // namespace point_steps

MESHAUDIT_DEFINE_TABLE(PointTable, MESHAUDIT_POINT_QUANTITIES, Category::Points, PointSettings,
                       PointResults, point_steps)

}  // namespace meshaudit
