// The edge category's compute functions, one per quantity of its list in
// meshaudit.h, named as the quantity.
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"
#include "analysis/Steps.h"
#include "analysis/edges/EdgeAnalyses.h"

#include <cstddef>

namespace meshaudit {

namespace edge_steps {

// The length range does double duty: it judges both lengths, and its bounds
// are the thresholds of the two length counts.
int32_t CountSmallerLength(AnalysisContext& c)
{
    return CountShorterEdges(c.mesh, c.topology, c.edgeSettings.Length.min, c.CurrentList());
}

int32_t CountGreaterLength(AnalysisContext& c)
{
    return CountLongerEdges(c.mesh, c.topology, c.edgeSettings.Length.max, c.CurrentList());
}

constexpr auto Count = &Step<CountEdges>;
constexpr auto CountBorder = &Step<CountBorderSides>;
constexpr auto CountConvex = &NotComputedCount;  // not computed in this version
constexpr auto CountSingular = &Step<CountSingularEdges>;
constexpr auto CountInvalidTopological = &Step<CountInvalidTopologicalEdges>;
constexpr auto CountInvalidGeometrical = &Step<CountInvalidGeometricalEdges>;
constexpr auto CountDuplicatedTopological =
    &DuplicateStep<DuplicateSearch::EdgesTopological, TopologicalEdgeDuplicates, false>;
constexpr auto CountDuplicatedGeometrical =
    &DuplicateStep<DuplicateSearch::EdgesGeometrical, GeometricalEdgeDuplicates, false>;
constexpr auto CountClassesOfDuplicatedTopological =
    &DuplicateStep<DuplicateSearch::EdgesTopological, TopologicalEdgeDuplicates, true>;
constexpr auto CountClassesOfDuplicatedGeometrical =
    &DuplicateStep<DuplicateSearch::EdgesGeometrical, GeometricalEdgeDuplicates, true>;
constexpr auto MinimalDegree = &Step<MinimalEdgeDegree>;
constexpr auto MaximalDegree = &Step<MaximalEdgeDegree>;
constexpr auto MinimalLength = &Step<MinimalEdgeLength>;
constexpr auto MaximalLength = &Step<MaximalEdgeLength>;

}  // namespace edge_steps

MESHAUDIT_DEFINE_TABLE(EdgeTable, MESHAUDIT_EDGE_QUANTITIES, Category::Edges, EdgeSettings,
                       EdgeResults, edge_steps)

}  // namespace meshaudit
