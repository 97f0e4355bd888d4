// Duplicated triangles, by index set and by corner coordinates. Each count
// puts one canonical key per triangle into a search tree of (key,
// occurrences) pairs; the tree never reorders a key's parts, so the key is
// sorted here and the orientation and starting corner drop out.
#include "analysis/RecordChecks.h"
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"

#include <utility>

namespace meshaudit::triangles {

namespace {

// Sorts three values ascending by their order `<`, repeated values kept. With an
// order that is not total (NaN coordinates) the result is still one fixed
// arrangement of the three.
template <typename T>
void SortThree(T& a, T& b, T& c)
{
    if (b < a) {
        std::swap(a, b);
    }
    if (c < b) {
        std::swap(b, c);
    }
    if (b < a) {
        std::swap(a, b);
    }
}

}  // namespace

int32_t TopologicalDuplicates(const MeshRecord& mesh, DuplicateSums& sums)
{
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (triangles == nullptr) {
        return -1;
    }
    if (triangleCount == 0) {
        return -2;
    }
    const DuplicateCodes codes{-3, -4, -5, -6};
    auto keyOf = [triangles](uint32_t t, TRIANGLE& key) {
        key = triangles[t];
        SortThree(key.a, key.b, key.c);
        return true;
    };
    return CountDuplicates<TRIANGLE>(triangleCount, keyOf, codes, sums);
}

int32_t GeometricalDuplicates(const MeshRecord& mesh, DuplicateSums& sums)
{
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    const TRIANGLE* triangles = mesh.triangles;
    const uint32_t triangleCount = mesh.triangleCount;
    if (points == nullptr) {
        return -1;
    }
    if (pointCount == 0) {
        return -2;
    }
    if (triangles == nullptr) {
        return -3;
    }
    if (triangleCount == 0) {
        return -4;
    }
    const DuplicateCodes codes{-5, -6, -7, -8};
    // A triangle with a corner that names no point has no corner set: it is
    // neither inserted nor counted.
    auto keyOf = [points, pointCount, triangles](uint32_t t, T3DTRGL& key) {
        const TRIANGLE& tri = triangles[t];
        if (!CornersInRange(tri, pointCount)) {
            return false;
        }
        key.corner[0] = points[tri.a];
        key.corner[1] = points[tri.b];
        key.corner[2] = points[tri.c];
        SortThree(key.corner[0], key.corner[1], key.corner[2]);
        return true;
    };
    return CountDuplicates<T3DTRGL>(triangleCount, keyOf, codes, sums);
}

namespace {

int32_t Members(int32_t code, const DuplicateSums& sums)
{
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t Classes(int32_t code, const DuplicateSums& sums)
{
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

}  // namespace

int32_t CountDuplicatedTopological(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = TopologicalDuplicates(mesh, sums);
    return Members(code, sums);
}

int32_t CountClassesOfDuplicatedTopological(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = TopologicalDuplicates(mesh, sums);
    return Classes(code, sums);
}

int32_t CountDuplicatedGeometrical(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = GeometricalDuplicates(mesh, sums);
    return Members(code, sums);
}

int32_t CountClassesOfDuplicatedGeometrical(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = GeometricalDuplicates(mesh, sums);
    return Classes(code, sums);
}

}  // namespace meshaudit::triangles
