// Step 6: border edges that lie on one another. Two border edges whose end
// points have the same coordinates, pairwise, are one edge written twice
// (a crack, a soup not merged); their points are merged, which joins the
// two triangles. Where three or more border edges lie at one place, which
// two belong together is not known, and none is joined; nor are edges with
// a point that step 5 parted from another, which would undo it.
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/Forest.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <utility>

namespace meshaudit::pipeline {

bool StitchBorders(WorkMesh& mesh)
{
    const uint32_t pointCount = mesh.PointCount();
    WorkArray<uint32_t> border;
    {
        const EdgeSides& sides = mesh.Sides();
        for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
            if (sides.Size(g) == 1) {
                border.push_back(sides.Sides(g)[0]);
            }
        }
    }
    if (border.size() < 2) {
        return false;
    }
    // Each border point's place: the first border point at its coordinates.
    WorkArray<uint32_t> place(pointCount, kNone);
    for (const uint32_t s : border) {
        place[SideStart(mesh.triangles, s)] = place[SideEnd(mesh.triangles, s)] = 0;
    }
    WorkArray<uint32_t> points;
    for (uint32_t p = 0; p < pointCount; ++p) {
        if (place[p] == 0) {
            points.push_back(p);
        }
    }
    const WorkArray<uint32_t> first = FirstEqualPoints(mesh, points);
    for (size_t i = 0; i < points.size(); ++i) {
        place[points[i]] = first[i];
    }
    WorkArray<std::pair<uint64_t, uint32_t>> keyed;
    keyed.reserve(border.size());
    for (const uint32_t s : border) {
        const uint32_t u = place[SideStart(mesh.triangles, s)], v = place[SideEnd(mesh.triangles, s)];
        if (u != v) {
            keyed.emplace_back((uint64_t{std::min(u, v)} << 32) | std::max(u, v), s);
        }
    }
    std::sort(keyed.begin(), keyed.end());
    Forest forest(0);
    bool any = false;
    for (size_t i = 0; i < keyed.size();) {
        size_t end = i + 1;
        while (end < keyed.size() && keyed[end].first == keyed[i].first) {
            ++end;
        }
        const uint32_t s = keyed[i].second, o = keyed[i + 1 < end ? i + 1 : i].second;
        const auto parted = [&mesh](uint32_t side) {
            return mesh.Parted(SideStart(mesh.triangles, side)) || mesh.Parted(SideEnd(mesh.triangles, side));
        };
        if (end - i == 2 && s / 3 != o / 3 && !parted(s) && !parted(o)) {
            if (!any) {
                forest = Forest(pointCount);
                any = true;
            }
            const uint32_t u = SideStart(mesh.triangles, s), v = SideEnd(mesh.triangles, s);
            const uint32_t x = SideStart(mesh.triangles, o), y = SideEnd(mesh.triangles, o);
            const bool sameWay = place[u] == place[x];
            forest.Join(u, sameWay ? x : y);
            forest.Join(v, sameWay ? y : x);
        }
        i = end;
    }
    if (!any) {
        return false;
    }
    for (uint32_t p = 0; p < pointCount; ++p) {
        if (forest.Root(p) != p) {
            mesh.Merge(p, forest.Root(p), RepairStep::Stitch);
        }
    }
    WorkArray<uint8_t> reasons(mesh.triangles.size(), WorkMesh::kKeep);
    bool repeats = false;
    mesh.TrianglesChanged();
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        TRIANGLE& tri = mesh.triangles[t];
        tri = TRIANGLE{forest.Root(tri.a), forest.Root(tri.b), forest.Root(tri.c)};
        if (RepeatsPoint(tri)) {
            reasons[t] = static_cast<uint8_t>(DropReason::RepeatedPoint);
            repeats = true;
        }
    }
    if (repeats) {
        mesh.DropTriangles(reasons);
    }
    return true;
}

}  // namespace meshaudit::pipeline
