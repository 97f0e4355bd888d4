// The mesh category: its steps in visiting order. Several steps open on more
// than one Enable byte, and some labels differ from their quantity's name
// (HasHandles shows "mesh::Manifold", CountBorders "mesh::Handles").
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/mesh/MeshSteps.h"

#include <cstddef>

namespace meshaudit {

namespace {

// Adapters from the context to the analyses of the whole mesh.
int8_t Oriented(AnalysisContext& c)
{
    return IsOriented(c.mesh, c.topology) ? 1 : 0;
}

int8_t Orientable(AnalysisContext& c)
{
    return IsOrientable(c.mesh, c.topology) ? 1 : 0;
}

int32_t Components(AnalysisContext& c)
{
    return ComputeComponents(c.mesh, c.topology);
}

int32_t Borders(AnalysisContext& c)
{
    return ComputeBorders(c.mesh, c.topology);
}

// When the scratch array cannot be allocated the volume is the lowest finite
// double, its not-computed mark: the slot then stays unset.
double Volume(AnalysisContext& c)
{
    return ComputeVolume(c.mesh);
}

double Area(AnalysisContext& c)
{
    return ComputeArea(c.mesh);
}

constexpr QuantityRow FlagRow(const char* label, uint8_t k, uint16_t result, uint16_t expected,
                              FlagFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Flag, result, Criterion::Expected, expected, true,
                       ComputeFn{.flag = compute}};
}

constexpr QuantityRow CountRow(const char* label, uint8_t k, uint32_t gate, uint16_t result,
                               uint16_t criterion, CountFn compute)
{
    return QuantityRow{label, k, gate, Slot::Count, result, Criterion::Range, criterion, true,
                       ComputeFn{.count = compute}};
}

// Computed (or announced) when enabled, never judged, not a counted step.
constexpr QuantityRow UnjudgedRealRow(const char* label, uint8_t k, uint16_t result,
                                      RealFn compute)
{
    return QuantityRow{label, k, Gate(k), Slot::Real, result, Criterion::None, 0, false,
                       ComputeFn{.real = compute}};
}

const QuantityRow kRows[] = {
    // Not computed in this version: announced, then left at -1.
    FlagRow("mesh::Manifold", MSH_Manifold, offsetof(MeshResults, Manifold),
            offsetof(MeshSettings, Manifold), &NotComputedFlag),
    FlagRow("mesh::Oriented", MSH_Oriented, offsetof(MeshResults, Oriented),
            offsetof(MeshSettings, Oriented), &Oriented),
    FlagRow("mesh::Orientable", MSH_Orientable, offsetof(MeshResults, Orientable),
            offsetof(MeshSettings, Orientable), &Orientable),
    CountRow("mesh::CountComponents", MSH_CountComponents,
             Gate(MSH_Connected) | Gate(MSH_CountComponents), offsetof(MeshResults, CountComponents),
             offsetof(MeshSettings, CountComponents), &Components),
    FlagRow("mesh::Connected", MSH_Connected, offsetof(MeshResults, Connected),
            offsetof(MeshSettings, Connected), &ConnectedStep),
    CountRow("mesh::CountHandles", MSH_CountHandles, Gate(MSH_HasHandles) | Gate(MSH_CountHandles),
             offsetof(MeshResults, CountHandles), offsetof(MeshSettings, CountHandles),
             &NotComputedCount),
    FlagRow("mesh::Manifold", MSH_HasHandles, offsetof(MeshResults, HasHandles),
            offsetof(MeshSettings, HasHandles), &HasHandlesStep),
    CountRow("mesh::Handles", MSH_CountBorders,
             Gate(MSH_Closed) | Gate(MSH_HasBorders) | Gate(MSH_CountBorders),
             offsetof(MeshResults, CountBorders), offsetof(MeshSettings, CountBorders),
             &Borders),
    FlagRow("mesh::Borders", MSH_HasBorders, offsetof(MeshResults, HasBorders),
            offsetof(MeshSettings, HasBorders), &HasBordersStep),
    FlagRow("mesh::Closed", MSH_Closed, offsetof(MeshResults, Closed),
            offsetof(MeshSettings, Closed), &ClosedStep),
    FlagRow("mesh::Invalid", MSH_Invalid, offsetof(MeshResults, Invalid),
            offsetof(MeshSettings, Invalid), &InvalidStep),
    FlagRow("mesh::Singular", MSH_Singular, offsetof(MeshResults, Singular),
            offsetof(MeshSettings, Singular), &SingularStep),
    FlagRow("mesh::Precise Duplicates", MSH_PreciseDuplicates,
            offsetof(MeshResults, PreciseDuplicates), offsetof(MeshSettings, PreciseDuplicates),
            &PreciseDuplicatesStep),
    FlagRow("mesh::Epsilon Duplicates", MSH_EpsilonDuplicates,
            offsetof(MeshResults, EpsilonDuplicates), offsetof(MeshSettings, EpsilonDuplicates),
            &EpsilonDuplicatesStep),
    FlagRow("mesh::Inclusion", MSH_Inclusion, offsetof(MeshResults, Inclusion),
            offsetof(MeshSettings, Inclusion), &InclusionStep),
    FlagRow("mesh::Selfintersection", MSH_Selfintersection,
            offsetof(MeshResults, Selfintersection), offsetof(MeshSettings, Selfintersection),
            &SelfintersectionStep),
    // Not computed in this version: announced, then left at -1.
    FlagRow("mesh::Convex", MSH_Convex, offsetof(MeshResults, Convex),
            offsetof(MeshSettings, Convex), &NotComputedFlag),
    QuantityRow{"mesh::Volume", MSH_Volume, Gate(MSH_Volume), Slot::Volume,
                offsetof(MeshResults, Volume), Criterion::RealRange, offsetof(MeshSettings, Volume),
                true, ComputeFn{.real = &Volume}},
    UnjudgedRealRow("mesh::Area", MSH_Area, offsetof(MeshResults, Area), &Area),
    // Slot 19 has no step. The last two are not computed in this version.
    UnjudgedRealRow("mesh::AspectRatio", MSH_AspectRatio, offsetof(MeshResults, AspectRatio),
                    &NotComputedReal),
    UnjudgedRealRow("mesh::Diameter", MSH_Diameter, offsetof(MeshResults, Diameter),
                    &NotComputedReal),
};

const CategoryTable kTable{Category::Mesh, kRows, sizeof kRows / sizeof kRows[0],
                           offsetof(MeshSettings, Enable), offsetof(MeshResults, InRange)};

}  // namespace

const CategoryTable& MeshTable()
{
    return kTable;
}

}  // namespace meshaudit
