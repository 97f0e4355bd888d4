// Points with NaN or infinite coordinates.
#include "analysis/points/PointAnalyses.h"

#include <cmath>

namespace meshaudit::points {

namespace {

// Counts the points for which `test` holds on at least one coordinate, and
// lists them in index order.
template <typename Test>
int32_t CountPointsWhere(const MeshRecord& mesh, Test test, LocationList* where)
{
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    if (points == nullptr) {
        return -1;
    }
    if (pointCount == 0) {
        return -2;
    }
    uint32_t count = 0;
    for (uint32_t i = 0; i < pointCount; ++i) {
        const T3DVECF& p = points[i];
        if (test(p.x) || test(p.y) || test(p.z)) {
            ++count;
            if (where != nullptr) {
                where->Add(i);
            }
        }
    }
    return static_cast<int32_t>(count);
}

}  // namespace

int32_t CountNAN(const MeshRecord& mesh, LocationList* where)
{
    return CountPointsWhere(mesh, [](double v) { return std::isnan(v); }, where);
}

int32_t CountINF(const MeshRecord& mesh, LocationList* where)
{
    return CountPointsWhere(mesh, [](double v) { return std::isinf(v); }, where);
}

}  // namespace meshaudit::points
