// The triangle category: its quantities in visiting order (the intersected
// count, k 13, before the flipped count, k 12).
#include "analysis/AnalysisContext.h"
#include "analysis/triangles/TriangleAnalyses.h"

#include <cstddef>

namespace meshaudit {

namespace {

int32_t Count(AnalysisContext& context)
{
    return static_cast<int32_t>(context.mesh.triangleCount);
}

int32_t Border(AnalysisContext& c)
{
    return triangles::CountBorder(c.mesh, c.topology);
}

int32_t Isolated(AnalysisContext& c)
{
    return triangles::CountIsolated(c.mesh, c.topology);
}

int32_t Singular(AnalysisContext& c)
{
    return triangles::CountSingular(c.mesh, c.topology);
}

int32_t MinimalDegree(AnalysisContext& c)
{
    return triangles::MinimalDegree(c.mesh, c.topology);
}

int32_t MaximalDegree(AnalysisContext& c)
{
    return triangles::MaximalDegree(c.mesh, c.topology);
}

int32_t InvalidTopological(AnalysisContext& c)
{
    return triangles::CountInvalidTopological(c.mesh);
}

int32_t InvalidGeometrical(AnalysisContext& c)
{
    return triangles::CountInvalidGeometrical(c.mesh);
}

// The member count and the class count of one key read one search, kept by
// the context.
int32_t TopologicalSums(AnalysisContext& c, DuplicateSums& sums)
{
    return c.duplicates.Sums(
        DuplicateSearch::TrianglesTopological,
        [&c](DuplicateSums& s) { return triangles::TopologicalDuplicates(c.mesh, s); }, sums);
}

int32_t GeometricalSums(AnalysisContext& c, DuplicateSums& sums)
{
    return c.duplicates.Sums(
        DuplicateSearch::TrianglesGeometrical,
        [&c](DuplicateSums& s) { return triangles::GeometricalDuplicates(c.mesh, s); }, sums);
}

int32_t Members(int32_t code, const DuplicateSums& sums)
{
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t Classes(int32_t code, const DuplicateSums& sums)
{
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

int32_t DuplicatedTopological(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = TopologicalSums(c, sums);
    return Members(code, sums);
}

int32_t DuplicatedGeometrical(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = GeometricalSums(c, sums);
    return Members(code, sums);
}

int32_t TopologicalClasses(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = TopologicalSums(c, sums);
    return Classes(code, sums);
}

int32_t GeometricalClasses(AnalysisContext& c)
{
    DuplicateSums sums;
    const int32_t code = GeometricalSums(c, sums);
    return Classes(code, sums);
}

int32_t Intersected(AnalysisContext& c)
{
    const int32_t count = triangles::CountIntersected(c.mesh);
    c.noIntersectingPair = count == 0;
    return count;
}

int32_t Flipped(AnalysisContext& c)
{
    return triangles::CountFlippedTopological(c.mesh, c.topology);
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
        offsetof(TriangleSettings, CountBorder), &Border),
    Row("triangle::CountIsolated", TRI_CountIsolated, offsetof(TriangleResults, CountIsolated),
        offsetof(TriangleSettings, CountIsolated), &Isolated),
    Row("triangle::CountSingular", TRI_CountSingular, offsetof(TriangleResults, CountSingular),
        offsetof(TriangleSettings, CountSingular), &Singular),
    Row("triangle::MinimalDegree", TRI_MinimalDegree, offsetof(TriangleResults, MinimalDegree),
        offsetof(TriangleSettings, Degree), &MinimalDegree),
    Row("triangle::MaximalDegree", TRI_MaximalDegree, offsetof(TriangleResults, MaximalDegree),
        offsetof(TriangleSettings, Degree), &MaximalDegree),
    Row("triangle::CountInvalidTopological", TRI_CountInvalidTopological,
        offsetof(TriangleResults, CountInvalidTopological),
        offsetof(TriangleSettings, CountInvalidTopological), &InvalidTopological),
    Row("triangle::CountInvalidGeometrical", TRI_CountInvalidGeometrical,
        offsetof(TriangleResults, CountInvalidGeometrical),
        offsetof(TriangleSettings, CountInvalidGeometrical), &InvalidGeometrical),
    Unjudged("triangle::CountDuplicatedTopological", TRI_CountDuplicatedTopological,
             offsetof(TriangleResults, CountDuplicatedTopological), &DuplicatedTopological),
    Unjudged("triangle::CountDuplicatedGeometrical", TRI_CountDuplicatedGeometrical,
             offsetof(TriangleResults, CountDuplicatedGeometrical), &DuplicatedGeometrical),
    Row("triangle::CountClassesOfDuplicatedTopological", TRI_CountClassesOfDuplicatedTopological,
        offsetof(TriangleResults, CountClassesOfDuplicatedTopological),
        offsetof(TriangleSettings, CountClassesOfDuplicatedTopological), &TopologicalClasses),
    Row("triangle::CountClassesOfDuplicatedGeometrical", TRI_CountClassesOfDuplicatedGeometrical,
        offsetof(TriangleResults, CountClassesOfDuplicatedGeometrical),
        offsetof(TriangleSettings, CountClassesOfDuplicatedGeometrical), &GeometricalClasses),
    Row("triangle::CountIntersected", TRI_CountIntersected,
        offsetof(TriangleResults, CountIntersected), offsetof(TriangleSettings, CountIntersected),
        &Intersected),
    Row("triangle::CountFlippedTopological", TRI_CountFlippedTopological,
        offsetof(TriangleResults, CountFlippedTopological),
        offsetof(TriangleSettings, CountFlippedTopological), &Flipped),
};

const CategoryTable kTable{Category::Triangles, kRows, sizeof kRows / sizeof kRows[0],
                           offsetof(TriangleSettings, Enable), offsetof(TriangleResults, InRange)};

}  // namespace

const CategoryTable& TriangleTable()
{
    return kTable;
}

}  // namespace meshaudit
