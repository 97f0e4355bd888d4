// Step 1: a triangle with a NaN or infinite corner has no place in space.
#include "repair/pipeline/Steps.h"

#include <cmath>

namespace meshaudit::pipeline {

void DropNonFinite(WorkMesh& mesh)
{
    const auto finite = [&mesh](uint32_t p) {
        const T3DVECF& v = mesh.Point(p);
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
    };
    WorkArray<uint8_t> reasons(mesh.triangles.size(), WorkMesh::kKeep);
    bool any = false;
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        if (!finite(tri.a) || !finite(tri.b) || !finite(tri.c)) {
            reasons[t] = static_cast<uint8_t>(DropReason::NonFinite);
            any = true;
        }
    }
    if (any) {
        mesh.DropTriangles(reasons);
    }
}

}  // namespace meshaudit::pipeline
