#include "repair/arrangement/Union.h"

#include "repair/arrangement/UnionFaces.h"
#include "repair/arrangement/UnionNormal.h"
#include "repair/arrangement/WindingPropagation.h"
#include "repair/arrangement/WindingRay.h"

#include <cmath>
#include <new>

namespace meshaudit::arrangement {

namespace {

bool Usable(const T3DVECF& p)
{
    constexpr double kLimit = 1e100;
    return std::fabs(p.x) <= kLimit && std::fabs(p.y) <= kLimit && std::fabs(p.z) <= kLimit;
}

bool ValidTriangle(const T3DVECF* points, uint32_t pointCount, const TRIANGLE& t)
{
    if (t.a >= pointCount || t.b >= pointCount || t.c >= pointCount || t.a == t.b || t.b == t.c ||
        t.c == t.a) {
        return false;
    }
    const T3DVECF& a = points[t.a];
    const T3DVECF& b = points[t.b];
    const T3DVECF& c = points[t.c];
    // NaN fails the comparisons in Usable.
    return Usable(a) && Usable(b) && Usable(c) && !IsFlat(a, b, c);
}

int UniteFaces(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles, uint32_t triangleCount,
               UnionResult& out)
{
    std::vector<UnionFace> faces;
    GroupFaces(triangles, triangleCount, faces);
    FaceWindings windings;
    const WindingStatus status = PropagateWindings(points, faces, windings);
    if (status == WindingStatus::Open) {
        out.closed = false;
        return kUniteOk;
    }
    if (status == WindingStatus::NotArranged) {
        return kUniteNotArranged;
    }

    // One face of each component whose normal has an x component, to cast
    // its ray from; a closed component with nonzero net counts has one (a
    // line along x through a cell of nonzero winding must leave it across
    // a face it does not lie in).
    const uint32_t none = UINT32_MAX;
    std::vector<uint32_t> rayFace(windings.componentCount, none);
    std::vector<int8_t> rayDirection(windings.componentCount, 0);
    for (uint32_t f = 0; f < faces.size(); ++f) {
        const uint32_t c = windings.component[f];
        if (rayFace[c] == none) {
            const TRIANGLE& t = faces[f].corners;
            const int8_t nx = NormalSign(points[t.a], points[t.b], points[t.c], 0);
            if (nx != 0) {
                rayFace[c] = f;
                rayDirection[c] = nx;
            }
        }
    }
    WindingRays rays;
    rays.Build(points, pointCount, faces);
    // offset[c]: what the relative windings of component c are short of the
    // absolute ones.
    std::vector<int64_t> offset(windings.componentCount, 0);
    for (uint32_t c = 0; c < windings.componentCount; ++c) {
        const uint32_t f = rayFace[c];
        int64_t beyond = 0;
        if (f == none || !rays.WindingBeyond(f, beyond)) {
            return kUniteNotArranged;
        }
        // +x is the front side when the normal's x is positive.
        const int64_t relative = windings.front[f] + (rayDirection[c] > 0 ? 0 : faces[f].net);
        offset[c] = beyond - relative;
    }

    for (uint32_t f = 0; f < faces.size(); ++f) {
        const int64_t front = windings.front[f] + offset[windings.component[f]];
        const int64_t back = front + faces[f].net;
        const TRIANGLE& t = faces[f].corners;
        if (front <= 0 && back >= 1) {
            out.triangles.push_back(t);
            out.triangleFrom.push_back(faces[f].along);
        } else if (back <= 0 && front >= 1) {
            out.triangles.push_back({t.a, t.c, t.b});
            out.triangleFrom.push_back(faces[f].reversed);
        }
    }
    return kUniteOk;
}

}  // namespace

int Unite(const T3DVECF* points, uint32_t pointCount, const TRIANGLE* triangles, uint32_t triangleCount,
          UnionResult& out)
{
    out = UnionResult{};
    if ((points == nullptr && pointCount != 0) || (triangles == nullptr && triangleCount != 0)) {
        return kUniteBadInput;
    }
    for (uint32_t i = 0; i < triangleCount; ++i) {
        if (!ValidTriangle(points, pointCount, triangles[i])) {
            return kUniteBadInput;
        }
    }
    int code = kUniteNoMemory;
    try {
        code = UniteFaces(points, pointCount, triangles, triangleCount, out);
    } catch (const std::bad_alloc&) {
        code = kUniteNoMemory;
    }
    if (code != kUniteOk) {
        out = UnionResult{};
    }
    return code;
}

}  // namespace meshaudit::arrangement
