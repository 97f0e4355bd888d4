// Step 7: orientation. First each shell is made consistent: a walk from
// its first triangle across the edges of exactly two triangles flips every
// triangle that runs a shared edge the same way as the one it was reached
// from (a shell where the walk meets itself the other way round cannot be
// oriented, and keeps the walk's answer). Then closed shells are turned to
// face the right way for their nesting, by the exact volume signs and
// depths of solids().
#include "meshaudit_solid.hpp"
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <new>

namespace meshaudit::pipeline {

void OrientConsistently(WorkMesh& mesh)
{
    const auto count = static_cast<uint32_t>(mesh.triangles.size());
    mesh.flipped.assign(count, 0);
    std::vector<uint8_t> flip(count, 0), seen(count, 0);
    {
        const EdgeSides sides(mesh.triangles, mesh.PointCount());
        // The start of a side once its triangle's flip is applied.
        const auto start = [&](uint32_t side) {
            return flip[side / 3] != 0 ? SideEnd(mesh.triangles, side) : SideStart(mesh.triangles, side);
        };
        std::vector<uint32_t> queue;
        for (uint32_t seed = 0; seed < count; ++seed) {
            if (seen[seed] != 0) {
                continue;
            }
            seen[seed] = 1;
            queue.assign(1, seed);
            while (!queue.empty()) {
                const uint32_t t = queue.back();
                queue.pop_back();
                for (uint32_t side = t * 3; side < t * 3 + 3; ++side) {
                    const uint32_t g = sides.GroupOf(side);
                    if (g == kNone || sides.Size(g) != 2) {
                        continue;
                    }
                    const uint32_t other = sides.Sides(g)[0] == side ? sides.Sides(g)[1] : sides.Sides(g)[0];
                    const uint32_t n = other / 3;
                    if (seen[n] == 0) {
                        seen[n] = 1;
                        flip[n] = start(side) == SideStart(mesh.triangles, other) ? 1 : 0;
                        queue.push_back(n);
                    }
                }
            }
        }
    }
    for (uint32_t t = 0; t < count; ++t) {
        if (flip[t] != 0) {
            mesh.Flip(t);
        }
    }
}

void OrientOutward(WorkMesh& mesh, bool keepInnerSolids)
{
    if (mesh.triangles.empty()) {
        return;
    }
    Solids solid;
    SolidRequest request;
    const int32_t code = meshaudit::solids(mesh.Record(), request, solid);
    if (code == -6) {
        throw std::bad_alloc();
    }
    if (code != 1 || solid.insideOut.empty()) {
        return;
    }
    std::vector<uint8_t> turn(solid.shellCount, 0);
    for (const uint32_t s : solid.insideOut) {
        const bool innerSolid = keepInnerSolids && solid.depth[s] % 2 == 1 && solid.volumeSign[s] > 0;
        turn[s] = solid.manifold[s] != 0 && solid.volumeSign[s] != 0 && !innerSolid ? 1 : 0;
    }
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        if (turn[solid.shellOf[t]] != 0) {
            mesh.Flip(t);
        }
    }
}

uint32_t LogFlips(WorkMesh& mesh)
{
    uint32_t shellCount = 0, flips = 0;
    mesh.flipped.resize(mesh.triangles.size(), 0);
    const std::vector<uint32_t> shellOf = ShellLabels(mesh, shellCount);
    std::vector<uint32_t> entry(shellCount, kNone);
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        if (mesh.flipped[t] == 0 || mesh.from[t] == kAddedTriangle) {
            continue;
        }
        uint32_t& e = entry[shellOf[t]];
        if (e == kNone) {
            e = static_cast<uint32_t>(mesh.log.flippedShells.size());
            mesh.log.flippedShells.emplace_back();
        }
        mesh.log.flippedShells[e].triangles.push_back(mesh.from[t]);
        ++flips;
    }
    for (RepairLog::FlippedShell& shell : mesh.log.flippedShells) {
        std::sort(shell.triangles.begin(), shell.triangles.end());
    }
    mesh.flipped = {};
    return flips;
}

}  // namespace meshaudit::pipeline
