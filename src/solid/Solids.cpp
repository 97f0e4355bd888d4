// solids(): the shells of a mesh, their nesting and contacts, its pinched
// points and its triangles' quality.
#include "SolidParts.h"

#include <new>

namespace meshaudit {

int32_t solids(const MeshRecord& mesh, const SolidRequest& request, Solids& out) noexcept
{
    out = Solids{};
    if (mesh.points == nullptr) {
        return -1;
    }
    if (mesh.triangles == nullptr) {
        return -2;
    }
    if (mesh.pointCount == 0) {
        return -3;
    }
    if (mesh.triangleCount == 0) {
        return -4;
    }
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        if (tri.a >= mesh.pointCount || tri.b >= mesh.pointCount || tri.c >= mesh.pointCount) {
            return -5;
        }
    }
    try {
        const solid::EdgeGroups groups = solid::GroupSides(mesh);
        solid::LabelShells(mesh, groups, out);
        out.pinchedPoints = solid::PinchedPoints(mesh, groups);
        if (request.shellPairs) {
            solid::PairShells(mesh, out);
        }
        solid::NestShells(mesh, out);
        solid::MeasureQuality(mesh, request.skinnyAngle, out);
    } catch (const std::bad_alloc&) {
        out = Solids{};
        return -6;
    }
    return 1;
}

}  // namespace meshaudit
