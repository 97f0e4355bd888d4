// The mesh category's compute functions, one per quantity of its list in
// meshaudit.h, named as the quantity. The flags that summarise counts read
// them through the context (MeshSteps.h).
#include "analysis/AnalysisContext.h"
#include "analysis/NotComputed.h"
#include "analysis/Steps.h"
#include "analysis/mesh/GraphWalk.h"
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

// Where no triangle repeats a point, two side neighbours have a side in
// common that each runs one way (two common sides make them copies: turned,
// running every side alike, or reversed, every side opposite), so a pair
// runs a common side opposite exactly when it does not run one alike: the
// mesh is oriented exactly when no triangle is flipped. Counted without a
// list, the flipped count the triangle step made answers without a second
// pass over the neighbour rows.
int8_t OrientedStep(AnalysisContext& c)
{
    const int32_t flipped = c.Memo().FlippedTriangles();
    if (c.CurrentList() == nullptr && flipped >= 0 &&
        !AnyTriangleRepeatsAPoint(c.mesh.triangles, c.mesh.triangleCount)) {
        return flipped == 0 ? 1 : 0;
    }
    return Step<IsOrientedInto>(c);
}

constexpr auto Oriented = Reads<MemoEntry::FlippedTriangles>(&OrientedStep);
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
constexpr auto Selfintersection = Reads<MemoEntry::NoIntersectingPair>(&SelfintersectionStep);
// When its scratch array cannot be allocated the volume is its own
// not-computed mark, so the slot stays unset. The volume and the area both
// read every triangle's corners, scattered over the point array: the
// volume's pass sums the areas too, for the Area step that comes later.
double Volume(AnalysisContext& c)
{
    double area = c.Memo().Area();
    const double volume = ComputeVolume(c.mesh, &area);
    c.Memo().KeepArea(area);
    return volume;
}

double AreaStep(AnalysisContext& c)
{
    const double area = c.Memo().Area();
    return area >= 0.0 ? area : ComputeArea(c.mesh);
}

constexpr auto Area = Reads<MemoEntry::Area>(&AreaStep);

}  // namespace mesh_steps

MESHAUDIT_DEFINE_TABLE(MeshTable, MESHAUDIT_MESH_QUANTITIES, Category::Mesh, MeshSettings,
                       MeshResults, mesh_steps)

}  // namespace meshaudit
