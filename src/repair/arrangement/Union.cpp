#include "repair/arrangement/Union.h"
#include "containers/WorkArray.h"

#include "repair/arrangement/UnionFaces.h"
#include "repair/arrangement/UnionNormal.h"
#include "repair/arrangement/WindingPropagation.h"
#include "repair/arrangement/WindingSeeds.h"

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
    WorkArray<UnionFace> faces;
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

    WorkArray<int64_t> offset;
    if (!SeedWindings(points, pointCount, faces, windings, offset)) {
        return kUniteNotArranged;
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
