// Step 9: shells below a size, lone triangles, and solids left inside solids.
#include "meshaudit_solid.hpp"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace meshaudit::pipeline {

namespace {

struct Box {
    T3DVECF low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    void Add(const T3DVECF& p)
    {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    void Add(const Box& b)
    {
        Add(b.low);
        Add(b.high);
    }
    double Diagonal() const
    {
        return std::hypot(high.x - low.x, high.y - low.y, high.z - low.z);
    }
};

}  // namespace

void DropShells(WorkMesh& mesh, uint32_t minTriangles, double minSize, bool innerShells)
{
    if (mesh.triangles.empty()) {
        return;
    }
    uint32_t count = 0;
    WorkArray<uint32_t> shellOf;
    WorkArray<uint8_t> inner;
    if (innerShells) {
        Solids solid;
        const int32_t code = meshaudit::solids(mesh.Record(), SolidRequest{}, solid);
        if (code == -6) {
            throw std::bad_alloc();
        }
        count = solid.shellCount;
        shellOf.assign(solid.shellOf.begin(), solid.shellOf.end());
        inner.assign(count, 0);
        for (uint32_t s = 0; s < count; ++s) {
            inner[s] = solid.open[s] == 0 && solid.depth[s] % 2 == 1 && solid.volumeSign[s] > 0 ? 1 : 0;
        }
    } else {
        shellOf = ShellLabels(mesh, count);
        inner.assign(count, 0);
    }
    WorkArray<uint32_t> size(count, 0);
    WorkArray<Box> boxes(count);
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        ++size[shellOf[t]];
        for (uint32_t i = 0; i < 3; ++i) {
            boxes[shellOf[t]].Add(mesh.Point(Corner(mesh.triangles[t], i)));
        }
    }
    // The whole mesh's box is the shells' boxes together: the same bounds.
    Box all;
    for (const Box& b : boxes) {
        all.Add(b);
    }
    // A lone triangle has no side in common with any other: no fill closes
    // it but its own reverse, a two-sided sheet that step 4 would remove.
    // Beside a shell that may be closed it is debris, and goes; a mesh of
    // lone triangles only is left as it is, rather than emptied.
    const bool body = std::any_of(size.begin(), size.end(), [](uint32_t n) { return n > 1; });
    WorkArray<uint8_t> reason(count, WorkMesh::kKeep);
    bool any = false;
    for (uint32_t s = 0; s < count; ++s) {
        if (size[s] < minTriangles || boxes[s].Diagonal() < minSize * all.Diagonal() || (body && size[s] == 1)) {
            reason[s] = static_cast<uint8_t>(DropReason::SmallShell);
        } else if (inner[s] != 0) {
            reason[s] = static_cast<uint8_t>(DropReason::InnerShell);
        }
        any |= reason[s] != WorkMesh::kKeep;
    }
    if (!any) {
        return;
    }
    WorkArray<uint32_t> entry(count, kNone);
    WorkArray<uint8_t> reasons(mesh.triangles.size());
    for (uint32_t s = 0; s < count; ++s) {
        if (reason[s] != WorkMesh::kKeep) {
            entry[s] = static_cast<uint32_t>(mesh.log.droppedShells.size());
            mesh.log.droppedShells.push_back({{}, static_cast<DropReason>(reason[s])});
        }
    }
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        const uint32_t s = shellOf[t];
        reasons[t] = reason[s];
        if (entry[s] != kNone && mesh.from[t] != kAddedTriangle) {
            mesh.log.droppedShells[entry[s]].triangles.push_back(mesh.from[t]);
        }
    }
    for (RepairLog::DroppedShell& shell : mesh.log.droppedShells) {
        std::sort(shell.triangles.begin(), shell.triangles.end());
    }
    mesh.DropTriangles(reasons);
}

}  // namespace meshaudit::pipeline
