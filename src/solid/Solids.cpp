// solids(): the shells of a mesh, their nesting and contacts, its pinched
// points and its triangles' quality.
#include "SolidParts.h"
#include "model/RecordChecks.h"

#include "containers/BlockReuse.h"

#include <chrono>
#include <new>
#include <stdexcept>

namespace meshaudit {

namespace solid {

int32_t TimedSolids(const MeshRecord& mesh, const SolidRequest& request, Solids& out, double* seconds) noexcept
{
    out = Solids{};
    if (const int32_t code = CheckRecordAndCorners(mesh); code != 0) {
        return code;
    }
    if (request.intersectingPairsGiven) {
        if ((request.intersectingPairCount != 0 && request.intersectingPairs == nullptr) ||
            request.intersectingPairCount > UINT64_MAX / 2) {
            return -7;
        }
        for (uint64_t i = 0; i < request.intersectingPairCount * 2; ++i) {
            if (request.intersectingPairs[i] >= mesh.triangleCount) {
                return -7;
            }
        }
    }
    auto last = std::chrono::steady_clock::now();
    const auto lap = [&](int step) {
        if (seconds != nullptr) {
            const auto now = std::chrono::steady_clock::now();
            seconds[step] = std::chrono::duration<double>(now - last).count();
            last = now;
        }
    };
    try {
        // Large blocks freed by one step serve the next: fewer fresh pages.
        const BlockReuseScope reuse;
        const CornersByPoint groups = GroupCorners(mesh);
        lap(0);
        LabelShells(mesh, groups, out);
        lap(1);
        ShellGeometry geometry;
        MeasureTriangles(mesh, request.skinnyAngle, out, geometry);
        lap(2);
        if (request.shellPairs) {
            PairShells(mesh, groups, request, out);
        }
        lap(3);
        NestShells(mesh, geometry, out);
        lap(4);
    } catch (const std::bad_alloc&) {
        out = Solids{};
        return -6;
    } catch (const std::length_error&) {
        // An array longer than the address space allows: memory too.
        out = Solids{};
        return -6;
    }
    return 1;
}

}  // namespace solid

int32_t solids(const MeshRecord& mesh, const SolidRequest& request, Solids& out) noexcept
{
    return solid::TimedSolids(mesh, request, out, nullptr);
}

}  // namespace meshaudit
