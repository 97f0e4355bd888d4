// Builds the four settings blocks and a mesh from the input and runs analyse,
// both repairs, the solids and the repair pipeline on it, as a host could; the caller's arrays
// must come back unchanged, and the solids' answer must hold together.
#include "meshaudit.h"
#include "meshaudit.hpp"
#include "meshaudit_repair.hpp"
#include "meshaudit_solid.hpp"
#include "support/AllSettings.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

namespace {

// The defaults, then raw bytes for ranges and doubles at times; Enable bytes
// mostly 0, 1 or 2, so that computing paths are reached often.
template <typename Block>
void Settings(FuzzedDataProvider& in, void (*defaults)(Block*), int32_t (*set)(const Block*), size_t enable, size_t n)
{
    Block block;
    defaults(&block);
    auto* bytes = reinterpret_cast<uint8_t*>(&block);
    const std::vector<uint8_t> raw = in.ConsumeBytes<uint8_t>(in.ConsumeBool() ? enable : 0);
    std::copy(raw.begin(), raw.end(), bytes);
    for (size_t k = 0; k < n; ++k) {
        const uint8_t b = in.ConsumeIntegral<uint8_t>();
        bytes[enable + k] = b < 200 ? static_cast<uint8_t>(b % 3) : b;
    }
    set(&block);
}

// Small integers (coincident points, exact degeneracies), moderate values,
// or any bit pattern (NaN, infinities, -0.0, subnormals).
double Coordinate(FuzzedDataProvider& in)
{
    const int kind = in.ConsumeIntegralInRange<int>(0, 3);
    uint64_t bits = in.ConsumeIntegral<uint64_t>();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return kind == 0 ? static_cast<double>(bits % 9) - 4.0 : kind == 1 ? in.ConsumeFloatingPointInRange(-8.0, 8.0) : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    Settings(in, meshaudit_default_point_settings, set_pnt_params, offsetof(PointSettings, Enable), PNT_QUANTITIES);
    Settings(in, meshaudit_default_edge_settings, set_edg_params, offsetof(EdgeSettings, Enable), EDG_QUANTITIES);
    Settings(in, meshaudit_default_triangle_settings, set_tri_params, offsetof(TriangleSettings, Enable), TRI_QUANTITIES);
    Settings(in, meshaudit_default_mesh_settings, set_msh_params, offsetof(MeshSettings, Enable), MSH_QUANTITIES);
    std::vector<T3DVECF> points(in.ConsumeIntegralInRange<uint32_t>(0, 64));
    std::vector<TRIANGLE> triangles(in.ConsumeIntegralInRange<uint32_t>(0, 96));
    for (T3DVECF& p : points) {
        p = T3DVECF{Coordinate(in), Coordinate(in), Coordinate(in)};
    }
    const auto top = static_cast<uint32_t>(points.size() + (in.ConsumeBool() ? 2 : 0));  // out of range at times
    for (TRIANGLE& t : triangles) {
        t = TRIANGLE{in.ConsumeIntegralInRange<uint32_t>(0, top), in.ConsumeIntegralInRange<uint32_t>(0, top),
                     in.ConsumeIntegralInRange(0, 15) == 0 ? 0xFFFFFFFFu : in.ConsumeIntegralInRange<uint32_t>(0, top)};
    }
    const std::vector<T3DVECF> pointsBefore = points;
    const std::vector<TRIANGLE> trianglesBefore = triangles;
    const MeshRecord mesh{!points.empty() || in.ConsumeBool() ? points.data() : nullptr,  // empty: null at times
                          static_cast<uint32_t>(points.size()),
                          !triangles.empty() || in.ConsumeBool() ? triangles.data() : nullptr,
                          static_cast<uint32_t>(triangles.size())};
    analyse(&mesh);
    MeshRecord output;
    const double tolerance = Coordinate(in);
    removeDuplicatedGeometricalPoints(&mesh, &tolerance, &output);
    clear_mesh(&output);
    removeInvalidTopologicalTriangles(&mesh, &output);
    clear_mesh(&output);
    meshaudit::Solids solids;
    if (meshaudit::solids(mesh, meshaudit::SolidRequest{}, solids) == 1) {
        // Every triangle in a shell, every shell's parent a closed shell
        // with fewer shells around it, every list in range and ascending.
        bool whole = solids.shellOf.size() == triangles.size() && solids.parent.size() == solids.shellCount &&
                     solids.depth.size() == solids.shellCount;
        for (const uint32_t s : solids.shellOf) {
            whole = whole && s < solids.shellCount;
        }
        for (uint32_t s = 0; whole && s < solids.shellCount; ++s) {
            const uint32_t up = solids.parent[s];
            whole = up == meshaudit::kNoShell ? solids.depth[s] == 0
                                              : up < solids.shellCount && solids.open[up] == 0 &&
                                                    solids.depth[up] < solids.depth[s];
        }
        for (const auto* list : {&solids.pinchedPoints, &solids.insideOut, &solids.nested, &solids.skinny}) {
            for (size_t i = 0; i < list->size(); ++i) {
                whole = whole && (i == 0 || (*list)[i - 1] < (*list)[i]);
            }
        }
        for (const uint32_t p : solids.pinchedPoints) {
            whole = whole && p < points.size();
        }
        // Each shell pair names a triangle of each of its two shells.
        for (const meshaudit::Solids::ShellPair& p : solids.shellPairs) {
            whole = whole && p.shellA < p.shellB && p.triangleA < triangles.size() && p.triangleB < triangles.size() &&
                    solids.shellOf[p.triangleA] == p.shellA && solids.shellOf[p.triangleB] == p.shellB;
        }
        if (!whole) {
            __builtin_trap();
        }
    }
    // The repair pipeline: valid indices, every output point one of the
    // input's (no point moves) or one where triangles met, each map entry
    // in range; when it says the intersections are resolved, the library
    // finds no triangle that meets another.
    meshaudit::RepairResult repaired;
    if (meshaudit::repair(mesh, meshaudit::RepairRequest{}, repaired) == 1) {
        const meshaudit::RepairLog::Intersections& x = repaired.log.intersections;
        bool valid = repaired.pointFrom.size() == repaired.points.size() &&
                     repaired.triangleFrom.size() == repaired.triangles.size();
        for (size_t i = 0; valid && i < repaired.points.size(); ++i) {
            const uint32_t from = repaired.pointFrom[i];
            valid = (from == meshaudit::kAddedPoint && x.resolved) ||
                    (from < points.size() && std::memcmp(&repaired.points[i], &points[from], sizeof(T3DVECF)) == 0);
        }
        if (valid && x.resolved && !repaired.triangles.empty()) {
            const meshaudit::testing::AllSettings s;
            const MeshRecord out{repaired.points.data(), static_cast<uint32_t>(repaired.points.size()),
                                 repaired.triangles.data(), static_cast<uint32_t>(repaired.triangles.size())};
            meshaudit::Locations where;
            valid = meshaudit::locate(out, s.p, s.e, s.t, s.m, meshaudit::LocateRequest{}, where) != 1 ||
                    where.triangles.CountIntersected == 0;
        }
        for (size_t t = 0; valid && t < repaired.triangles.size(); ++t) {
            const TRIANGLE& r = repaired.triangles[t];
            valid = r.a < repaired.points.size() && r.b < repaired.points.size() && r.c < repaired.points.size() &&
                    (repaired.triangleFrom[t] == meshaudit::kAddedTriangle || repaired.triangleFrom[t] < triangles.size());
        }
        if (!valid) {
            __builtin_trap();
        }
    }
    if ((!points.empty() && std::memcmp(points.data(), pointsBefore.data(), sizeof(T3DVECF) * points.size()) != 0) ||
        (!triangles.empty() &&
         std::memcmp(triangles.data(), trianglesBefore.data(), sizeof(TRIANGLE) * triangles.size()) != 0)) {
        __builtin_trap();
    }
    return 0;
}
