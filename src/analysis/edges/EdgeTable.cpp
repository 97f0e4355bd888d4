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
// are the thresholds of the two length counts. Without a list to fill, the
// four length quantities share one pass over the edges (LengthFigures.h).
const EdgeLengthFigures& LengthFigures(AnalysisContext& c)
{
    const DoubleRange& range = c.edgeSettings.Length;
    StepMemo& memo = c.Memo();
    if (!memo.EdgeLengths().Of(range.min, range.max)) {
        memo.KeepEdgeLengths(MeasureEdgeLengths(c.mesh, c.topology, range.min, range.max));
    }
    return memo.EdgeLengths();
}

int32_t CountSmallerLengthStep(AnalysisContext& c)
{
    if (c.CurrentList() == nullptr) {
        const EdgeLengthFigures& f = LengthFigures(c);
        return f.code != 0 ? f.code : static_cast<int32_t>(f.shorter);
    }
    return CountShorterEdges(c.mesh, c.topology, c.edgeSettings.Length.min, c.CurrentList());
}

int32_t CountGreaterLengthStep(AnalysisContext& c)
{
    if (c.CurrentList() == nullptr) {
        const EdgeLengthFigures& f = LengthFigures(c);
        return f.code != 0 ? f.code : static_cast<int32_t>(f.longer);
    }
    return CountLongerEdges(c.mesh, c.topology, c.edgeSettings.Length.max, c.CurrentList());
}

double MinimalLengthStep(AnalysisContext& c)
{
    if (c.CurrentList() == nullptr) {
        const EdgeLengthFigures& f = LengthFigures(c);
        return f.code != 0 ? static_cast<double>(f.code) : f.minimum;
    }
    return MinimalEdgeLength(c.mesh, c.topology, c.CurrentList());
}

double MaximalLengthStep(AnalysisContext& c)
{
    if (c.CurrentList() == nullptr) {
        const EdgeLengthFigures& f = LengthFigures(c);
        return f.code != 0 ? static_cast<double>(f.code) : f.maximum;
    }
    return MaximalEdgeLength(c.mesh, c.topology, c.CurrentList());
}

constexpr auto CountSmallerLength = Reads<MemoEntry::EdgeLengths>(&CountSmallerLengthStep);
constexpr auto CountGreaterLength = Reads<MemoEntry::EdgeLengths>(&CountGreaterLengthStep);
constexpr auto MinimalLength = Reads<MemoEntry::EdgeLengths>(&MinimalLengthStep);
constexpr auto MaximalLength = Reads<MemoEntry::EdgeLengths>(&MaximalLengthStep);
constexpr auto Count = &Step<CountEdges>;
constexpr auto CountBorder = &Step<CountBorderSides>;
constexpr auto CountConvex = &NotComputedCount;  // not computed in this version
constexpr auto CountSingular = &Step<CountSingularEdges>;
constexpr auto CountInvalidTopological = &Step<CountInvalidTopologicalEdges>;
constexpr auto CountInvalidGeometrical = &Step<CountInvalidGeometricalEdges>;
constexpr auto CountDuplicatedTopological = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::EdgesTopological, TopologicalEdgeDuplicates, false>);
constexpr auto CountDuplicatedGeometrical = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::EdgesGeometrical, GeometricalEdgeDuplicates, false>);
constexpr auto CountClassesOfDuplicatedTopological = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::EdgesTopological, TopologicalEdgeDuplicates, true>);
constexpr auto CountClassesOfDuplicatedGeometrical = Reads<MemoEntry::DuplicateSums>(
    &DuplicateStep<DuplicateSearch::EdgesGeometrical, GeometricalEdgeDuplicates, true>);
constexpr auto MinimalDegree = &Step<MinimalEdgeDegree>;
constexpr auto MaximalDegree = &Step<MaximalEdgeDegree>;

}  // namespace edge_steps

MESHAUDIT_DEFINE_TABLE(EdgeTable, MESHAUDIT_EDGE_QUANTITIES, Category::Edges, EdgeSettings,
                       EdgeResults, edge_steps)

}  // namespace meshaudit
