// Step 7: orientation. First each shell is made consistent: a walk from
// its first triangle across the edges of exactly two triangles flips every
// triangle that runs a shared edge the same way as the one it was reached
// from (a shell where the walk meets itself the other way round cannot be
// oriented, and keeps the walk's answer). Then closed shells are turned to
// face the right way for their nesting, by the exact volume signs and
// depths of solids(). A mesh of one closed shell has no nesting to find:
// its depth is 0, and where the volume's sign in doubles is certain (as
// nearly always) solids() and its other analyses are not needed.
#include "meshaudit_solid.hpp"
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/Steps.h"
#include "repair/pipeline/VolumeSign.h"

#include <algorithm>
#include <new>

namespace meshaudit::pipeline {

void OrientConsistently(WorkMesh& mesh)
{
    const auto count = static_cast<uint32_t>(mesh.triangles.size());
    mesh.flipped.resize(count, 0);
    WorkArray<uint8_t> flip(count, 0), seen(count, 0);
    {
        const EdgeSides& sides = mesh.Sides();
        // The start of a side once its triangle's flip is applied.
        const auto start = [&](uint32_t side) {
            return flip[side / 3] != 0 ? SideEnd(mesh.triangles, side) : SideStart(mesh.triangles, side);
        };
        WorkArray<uint32_t> queue;
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
    // Only closed shells have a volume, and only they nest: solids() is
    // given those alone, and not called at all when there are none.
    uint32_t shellCount = 0;
    const WorkArray<uint32_t> shellOf = ShellLabels(mesh, shellCount);
    WorkArray<uint8_t> open(shellCount, 0);
    const EdgeSides& sides = mesh.Sides();
    for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
        if (sides.Size(g) == 1) {
            open[shellOf[sides.Sides(g)[0] / 3]] = 1;
        }
    }
    WorkArray<uint32_t> closed;
    uint32_t closedShell = kNone;
    bool several = false;
    for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
        if (open[shellOf[t]] == 0) {
            several |= closedShell != kNone && closedShell != shellOf[t];
            closedShell = shellOf[t];
            closed.push_back(t);
        }
    }
    if (closed.empty()) {
        return;
    }
    if (!several) {
        // A shell the walk could not make consistent (some edge run twice
        // the same way) has no inside; solids() would leave it too.
        for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
            const uint32_t s = sides.Sides(g)[0];
            if (shellOf[s / 3] == closedShell &&
                (sides.Size(g) != 2 || SideStart(mesh.triangles, s) == SideStart(mesh.triangles, sides.Sides(g)[1]))) {
                return;
            }
        }
        const int8_t sign = CertainVolumeSign(mesh, closed);
        if (sign < 0) {
            for (const uint32_t t : closed) {
                mesh.Flip(t);
            }
        }
        if (sign != 0) {
            return;
        }
    }
    WorkArray<TRIANGLE> triangles;
    triangles.reserve(closed.size());
    for (const uint32_t t : closed) {
        triangles.push_back(mesh.triangles[t]);
    }
    MeshRecord record = mesh.Record();
    record.triangles = triangles.data();
    record.triangleCount = static_cast<uint32_t>(triangles.size());
    Solids solid;
    const int32_t code = meshaudit::solids(record, SolidRequest{}, solid);
    if (code == -6) {
        throw std::bad_alloc();
    }
    if (code != 1 || solid.insideOut.empty()) {
        return;
    }
    WorkArray<uint8_t> turn(solid.shellCount, 0);
    for (const uint32_t s : solid.insideOut) {
        const bool innerSolid = keepInnerSolids && solid.depth[s] % 2 == 1 && solid.volumeSign[s] > 0;
        turn[s] = solid.manifold[s] != 0 && solid.volumeSign[s] != 0 && !innerSolid ? 1 : 0;
    }
    for (uint32_t k = 0; k < closed.size(); ++k) {
        if (turn[solid.shellOf[k]] != 0) {
            mesh.Flip(closed[k]);
        }
    }
}

uint32_t LogFlips(WorkMesh& mesh)
{
    uint32_t shellCount = 0, flips = 0;
    mesh.flipped.resize(mesh.triangles.size(), 0);
    const WorkArray<uint32_t> shellOf = ShellLabels(mesh, shellCount);
    WorkArray<uint32_t> entry(shellCount, kNone);
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
