// The mesh category's compute functions, one per quantity of its list in
// meshaudit.h, named as the quantity. The flags that summarise counts read
// them through the context (MeshSteps.h).
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"
#include "analysis/Steps.h"
#include "analysis/mesh/MeshAnalyses.h"
#include "analysis/mesh/MeshSteps.h"

#include <cstddef>

namespace meshaudit {

namespace mesh_steps {

// Not computed in this version: announced, then left at their marks.
constexpr auto Manifold = &NotComputedFlag;
constexpr auto Convex = &NotComputedFlag;
constexpr auto AspectRatio = &NotComputedReal;
constexpr auto Diameter = &NotComputedReal;

constexpr auto Oriented = &Step<IsOrientedInto>;
constexpr auto Orientable = &Step<IsOrientable>;
constexpr auto CountComponents = &Step<ComputeComponentsInto>;
constexpr auto Connected = &ConnectedStep;
constexpr auto CountHandles = &Step<ComputeHandles>;
constexpr auto HasHandles = &HasHandlesStep;
constexpr auto CountBorders = &Step<ComputeBordersInto>;
constexpr auto HasBorders = &HasBordersStep;
constexpr auto Closed = &ClosedStep;
constexpr auto Invalid = &InvalidStep;
constexpr auto Singular = &SingularStep;
constexpr auto PreciseDuplicates = &PreciseDuplicatesStep;
constexpr auto EpsilonDuplicates = &EpsilonDuplicatesStep;
constexpr auto Inclusion = &InclusionStep;
constexpr auto Selfintersection = &SelfintersectionStep;
// When its scratch array cannot be allocated the volume is its own
// not-computed mark, so the slot stays unset.
constexpr auto Volume = &Step<ComputeVolume>;
constexpr auto Area = &Step<ComputeArea>;

}  // namespace mesh_steps

MESHAUDIT_DEFINE_TABLE(MeshTable, MESHAUDIT_MESH_QUANTITIES, Category::Mesh, MeshSettings,
                       MeshResults, mesh_steps)

}  // namespace meshaudit
