// The edge category: its quantities in visiting order (the two length counts
// come before the two lengths).
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"
#include "analysis/edges/EdgeAnalyses.h"

#include <cstddef>

namespace meshaudit {

namespace {

// Adapters from the context to the analyses.
int32_t Count(AnalysisContext& c)
{
    return CountEdges(c.mesh, c.topology);
}

int32_t Border(AnalysisContext& c)
{
    return CountBorderSides(c.mesh, c.topology);
}

int32_t Singular(AnalysisContext& c)
{
    return CountSingularEdges(c.mesh, c.topology);
}

int32_t InvalidTopological(AnalysisContext& c)
{
    return CountInvalidTopologicalEdges(c.mesh, c.topology);
}

int32_t InvalidGeometrical(AnalysisContext& c)
{
    return CountInvalidGeometricalEdges(c.mesh, c.topology);
}

// The member count and the class count of one key read the same search.
int32_t TopologicalSums(AnalysisContext& c, DuplicateSums& sums)
{
    return c.duplicates.Sums(
        DuplicateSearch::EdgesTopological,
        [&c](DuplicateSums& s) { return TopologicalEdgeDuplicates(c.mesh, c.topology, s); }, sums);
}

int32_t GeometricalSums(AnalysisContext& c, DuplicateSums& sums)
{
    return c.duplicates.Sums(
        DuplicateSearch::EdgesGeometrical,
        [&c](DuplicateSums& s) { return GeometricalEdgeDuplicates(c.mesh, c.topology, s); }, sums);
}

int32_t DuplicatedTopological(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = TopologicalSums(c, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t DuplicatedGeometrical(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = GeometricalSums(c, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t ClassesTopological(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = TopologicalSums(c, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

int32_t ClassesGeometrical(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = GeometricalSums(c, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

int32_t MinimalDegree(AnalysisContext& c)
{
    return MinimalEdgeDegree(c.mesh, c.topology);
}

int32_t MaximalDegree(AnalysisContext& c)
{
    return MaximalEdgeDegree(c.mesh, c.topology);
}

// The length range does double duty: it judges both lengths, and its bounds
// are the thresholds of the two length counts.
int32_t SmallerLength(AnalysisContext& c)
{
    return CountShorterEdges(c.mesh, c.topology, c.edgeSettings.Length.min);
}

int32_t GreaterLength(AnalysisContext& c)
{
    return CountLongerEdges(c.mesh, c.topology, c.edgeSettings.Length.max);
}

double MinimalLength(AnalysisContext& c)
{
    return MinimalEdgeLength(c.mesh, c.topology);
}

double MaximalLength(AnalysisContext& c)
{
    return MaximalEdgeLength(c.mesh, c.topology);
}

constexpr QuantityRow CountRow(const char* label, uint8_t k, uint16_t result, uint16_t criterion,
                               CountFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Count, result, Criterion::Range, criterion, true,
                       ComputeFn{.count = compute}};
}

constexpr QuantityRow LengthRow(const char* label, uint8_t k, uint16_t result, RealFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Real, result, Criterion::RealRange,
                       offsetof(EdgeSettings, Length), true, ComputeFn{.real = compute}};
}

const QuantityRow kRows[] = {
    CountRow("edge::Count", EDG_Count, offsetof(EdgeResults, Count), offsetof(EdgeSettings, Count),
             &Count),
    CountRow("edge::CountBorder", EDG_CountBorder, offsetof(EdgeResults, CountBorder),
             offsetof(EdgeSettings, CountBorder), &Border),
    // Not computed in this version: announced, then left not computed.
    CountRow("edge::CountConvex", EDG_CountConvex, offsetof(EdgeResults, CountConvex),
             offsetof(EdgeSettings, CountConvex), &NotComputedCount),
    CountRow("edge::CountSingular", EDG_CountSingular, offsetof(EdgeResults, CountSingular),
             offsetof(EdgeSettings, CountSingular), &Singular),
    CountRow("edge::CountInvalidTopological", EDG_CountInvalidTopological,
             offsetof(EdgeResults, CountInvalidTopological),
             offsetof(EdgeSettings, CountInvalidTopological), &InvalidTopological),
    CountRow("edge::CountInvalidGeometrical", EDG_CountInvalidGeometrical,
             offsetof(EdgeResults, CountInvalidGeometrical),
             offsetof(EdgeSettings, CountInvalidGeometrical), &InvalidGeometrical),
    CountRow("edge::CountDuplicatedTopological", EDG_CountDuplicatedTopological,
             offsetof(EdgeResults, CountDuplicatedTopological),
             offsetof(EdgeSettings, CountDuplicatedTopological), &DuplicatedTopological),
    CountRow("edge::CountDuplicatedGeometrical", EDG_CountDuplicatedGeometrical,
             offsetof(EdgeResults, CountDuplicatedGeometrical),
             offsetof(EdgeSettings, CountDuplicatedGeometrical), &DuplicatedGeometrical),
    CountRow("edge::CountClassesOfDuplicatedTopological", EDG_CountClassesOfDuplicatedTopological,
             offsetof(EdgeResults, CountClassesOfDuplicatedTopological),
             offsetof(EdgeSettings, CountClassesOfDuplicatedTopological), &ClassesTopological),
    CountRow("edge::CountClassesOfDuplicatedGeometrical", EDG_CountClassesOfDuplicatedGeometrical,
             offsetof(EdgeResults, CountClassesOfDuplicatedGeometrical),
             offsetof(EdgeSettings, CountClassesOfDuplicatedGeometrical), &ClassesGeometrical),
    CountRow("edge::MinimalDegree", EDG_MinimalDegree, offsetof(EdgeResults, MinimalDegree),
             offsetof(EdgeSettings, Degree), &MinimalDegree),
    CountRow("edge::MaximalDegree", EDG_MaximalDegree, offsetof(EdgeResults, MaximalDegree),
             offsetof(EdgeSettings, Degree), &MaximalDegree),
    CountRow("edge::CountSmallerLength", EDG_CountSmallerLength,
             offsetof(EdgeResults, CountSmallerLength), offsetof(EdgeSettings, CountSmallerLength),
             &SmallerLength),
    CountRow("edge::CountGreaterLength", EDG_CountGreaterLength,
             offsetof(EdgeResults, CountGreaterLength), offsetof(EdgeSettings, CountGreaterLength),
             &GreaterLength),
    LengthRow("edge::MinimalLength", EDG_MinimalLength, offsetof(EdgeResults, MinimalLength),
              &MinimalLength),
    LengthRow("edge::MaximalLength", EDG_MaximalLength, offsetof(EdgeResults, MaximalLength),
              &MaximalLength),
};

const CategoryTable kTable{Category::Edges, kRows, sizeof kRows / sizeof kRows[0],
                           offsetof(EdgeSettings, Enable), offsetof(EdgeResults, InRange)};

}  // namespace

const CategoryTable& EdgeTable()
{
    return kTable;
}

}  // namespace meshaudit
