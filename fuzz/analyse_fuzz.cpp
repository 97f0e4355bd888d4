// Builds a mesh and the four settings blocks from the fuzz input and runs
// analyse and both repairs on it, as a host could.
#include "meshaudit.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Fuzzes a settings block: ranges and doubles take raw bytes, Enable bytes
// are mostly 0, 1 or 2 so that computing paths are reached often, and now and
// then any byte value.
template <typename Block>
void FuzzSettings(FuzzedDataProvider& input, Block& block, size_t enableOffset, size_t enableCount)
{
    auto* bytes = reinterpret_cast<uint8_t*>(&block);
    if (input.ConsumeBool()) {
        const std::vector<uint8_t> raw = input.ConsumeBytes<uint8_t>(enableOffset);
        if (!raw.empty()) {  // an empty vector's data() may be null
            std::memcpy(bytes, raw.data(), raw.size());
        }
    }
    for (size_t k = 0; k < enableCount; ++k) {
        const uint8_t b = input.ConsumeIntegral<uint8_t>();
        bytes[enableOffset + k] = b < 200 ? static_cast<uint8_t>(b % 3) : b;
    }
}

double FuzzCoordinate(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:  // small integers make coincident points, shared edges and exact degeneracies
        return static_cast<double>(input.ConsumeIntegralInRange<int>(-4, 4));
    case 1:
        return input.ConsumeFloatingPointInRange<double>(-8.0, 8.0);
    default: {  // any bit pattern: NaN, infinities, huge, tiny, -0.0
        uint64_t bits = input.ConsumeIntegral<uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);

    PointSettings ps;
    EdgeSettings es;
    TriangleSettings ts;
    MeshSettings ms;
    meshaudit_default_point_settings(&ps);
    meshaudit_default_edge_settings(&es);
    meshaudit_default_triangle_settings(&ts);
    meshaudit_default_mesh_settings(&ms);
    FuzzSettings(input, ps, offsetof(PointSettings, Enable), PNT_QUANTITIES);
    FuzzSettings(input, es, offsetof(EdgeSettings, Enable), EDG_QUANTITIES);
    FuzzSettings(input, ts, offsetof(TriangleSettings, Enable), TRI_QUANTITIES);
    FuzzSettings(input, ms, offsetof(MeshSettings, Enable), MSH_QUANTITIES);
    set_pnt_params(&ps);
    set_edg_params(&es);
    set_tri_params(&ts);
    set_msh_params(&ms);

    const uint32_t pointCount = input.ConsumeIntegralInRange<uint32_t>(0, 64);
    const uint32_t triangleCount = input.ConsumeIntegralInRange<uint32_t>(0, 96);
    std::vector<T3DVECF> points(pointCount);
    for (T3DVECF& p : points) {
        p.x = FuzzCoordinate(input);
        p.y = FuzzCoordinate(input);
        p.z = FuzzCoordinate(input);
    }
    std::vector<TRIANGLE> triangles(triangleCount);
    const uint32_t indexLimit = pointCount + (input.ConsumeBool() ? 2 : 0);  // sometimes out of range
    for (TRIANGLE& t : triangles) {
        t.a = input.ConsumeIntegralInRange<uint32_t>(0, indexLimit);
        t.b = input.ConsumeIntegralInRange<uint32_t>(0, indexLimit);
        t.c = input.ConsumeIntegralInRange<uint32_t>(0, indexLimit);
        if (input.ConsumeIntegralInRange<int>(0, 15) == 0) {
            t.c = 0xFFFFFFFFu;
        }
    }

    MeshRecord mesh;
    mesh.points = pointCount != 0 || input.ConsumeBool() ? points.data() : nullptr;
    mesh.pointCount = pointCount;
    mesh.triangles = triangleCount != 0 || input.ConsumeBool() ? triangles.data() : nullptr;
    mesh.triangleCount = triangleCount;

    const std::vector<T3DVECF> pointsBefore = points;
    const std::vector<TRIANGLE> trianglesBefore = triangles;

    analyse(&mesh);

    MeshRecord output;
    const double tolerance = FuzzCoordinate(input);
    removeDuplicatedGeometricalPoints(&mesh, &tolerance, &output);
    clear_mesh(&output);
    removeInvalidTopologicalTriangles(&mesh, &output);
    clear_mesh(&output);

    // The caller's arrays are only ever read.
    // (Empty vectors may have null data(), which memcmp must not see.)
    const bool pointsChanged =
        pointCount != 0 &&
        std::memcmp(points.data(), pointsBefore.data(), sizeof(T3DVECF) * pointCount) != 0;
    const bool trianglesChanged =
        triangleCount != 0 &&
        std::memcmp(triangles.data(), trianglesBefore.data(), sizeof(TRIANGLE) * triangleCount) != 0;
    if (pointsChanged || trianglesChanged) {
        __builtin_trap();
    }
    return 0;
}
