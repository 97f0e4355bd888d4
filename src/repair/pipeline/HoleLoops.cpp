#include "repair/pipeline/HoleLoops.h"

#include "repair/pipeline/EdgeSides.h"

namespace meshaudit::pipeline {

BorderLoops FindBorderLoops(const WorkMesh& mesh)
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
    BorderLoops found;
    if (border.empty()) {
        return found;
    }
    // A loop edge runs from a border side's end to its start; the edges by
    // the point they leave.
    WorkArray<uint32_t> start(static_cast<size_t>(pointCount) + 1, 0);
    for (const uint32_t s : border) {
        ++start[SideEnd(mesh.triangles, s) + 1];
    }
    for (uint32_t p = 0; p < pointCount; ++p) {
        start[p + 1] += start[p];
    }
    WorkArray<uint32_t> leaving(border.size());
    {
        WorkArray<uint32_t> fill(start.begin(), start.end() - 1);
        for (const uint32_t s : border) {
            leaving[fill[SideEnd(mesh.triangles, s)]++] = s;
        }
    }
    // Edges are taken from the front of each point's range.
    WorkArray<uint32_t> next(start.begin(), start.end() - 1);
    WorkArray<uint32_t> position(pointCount, kNone);
    WorkArray<LoopCorner> path;
    const auto take = [&](uint32_t p) {
        return next[p] < start[p + 1] ? leaving[next[p]++] : kNone;
    };
    for (const uint32_t first : border) {
        const uint32_t origin = SideEnd(mesh.triangles, first);
        uint32_t side = take(origin);
        if (side == kNone) {
            continue;
        }
        path.clear();
        path.push_back({origin, side});
        position[origin] = 0;
        while (true) {
            const uint32_t at = SideStart(mesh.triangles, side);
            if (position[at] != kNone) {
                // Back at a point of the path: the part from it is a loop.
                const uint32_t k = position[at];
                found.loops.emplace_back(path.begin() + k, path.end());
                for (size_t i = k + 1; i < path.size(); ++i) {
                    position[path[i].point] = kNone;
                }
                path.resize(k);
                side = take(at);
                if (side == kNone) {
                    position[at] = kNone;
                    if (path.empty()) {
                        break;
                    }
                    found.chains.push_back(path);
                    for (const LoopCorner& c : path) {
                        position[c.point] = kNone;
                    }
                    break;
                }
                path.push_back({at, side});
                continue;
            }
            side = take(at);
            if (side == kNone) {
                found.chains.push_back(path);
                found.chains.back().push_back({at, kNone});
                for (const LoopCorner& c : path) {
                    position[c.point] = kNone;
                }
                break;
            }
            position[at] = static_cast<uint32_t>(path.size());
            path.push_back({at, side});
        }
    }
    return found;
}

}  // namespace meshaudit::pipeline
