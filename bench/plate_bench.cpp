// Time of the overlap search between the items of a build plate: rows and
// grids of spheres apart (nothing to report: the cost of looking), a row
// whose neighbours cross, and copies stacked on one spot (every pair
// overlaps).
#include "BuildPlate.h"
#include "support/TestMeshes.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using meshaudit::cli::BuildItem;

enum Layout { kRow = 0, kCrossing = 1, kGrid = 2, kStacked = 3 };

// `count` unit spheres of `slices` x slices/2 (about slices^2 triangles),
// placed by the layout: 1.5 apart in a row or a square grid, 0.9 apart in a
// row (neighbours cross), or all at one spot.
std::vector<BuildItem> Plate(int layout, int count, int slices)
{
    const meshaudit::testing::TestMesh sphere =
        meshaudit::testing::Sphere(static_cast<uint32_t>(slices), static_cast<uint32_t>(slices / 2), 0.5);
    std::vector<BuildItem> items(static_cast<size_t>(count));
    int side = 1;
    while (side * side < count) {
        ++side;
    }
    for (int i = 0; i < count; ++i) {
        BuildItem& item = items[static_cast<size_t>(i)];
        item.item = static_cast<uint32_t>(i);
        const double step = layout == kCrossing ? 0.9 : 1.5;
        const double x = layout == kStacked ? 0 : layout == kGrid ? step * (i % side) : step * i;
        const double y = layout == kGrid ? step * (i / side) : 0;
        item.transform[9] = x;
        item.transform[10] = y;
        item.mesh.triangles = sphere.triangles;
        for (const T3DVECF& p : sphere.points) {
            item.mesh.points.push_back(T3DVECF{p.x + x, p.y + y, p.z});
        }
    }
    return items;
}

void BM_PlateOverlaps(benchmark::State& state)
{
    const std::vector<BuildItem> items =
        Plate(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    uint64_t pairs = 0;
    for (auto _ : state) {
        pairs = meshaudit::cli::FindOverlaps(items).pairCount;
        benchmark::DoNotOptimize(pairs);
    }
    const char* names[] = {"row", "crossing", "grid", "stacked"};
    state.SetLabel(names[state.range(0)]);
    state.counters["pairs"] = static_cast<double>(pairs);
    state.counters["triangles"] = static_cast<double>(items.size() * items.front().mesh.triangles.size());
}

BENCHMARK(BM_PlateOverlaps)
    ->Args({kRow, 1000, 8})
    ->Args({kRow, 1000, 32})
    ->Args({kCrossing, 1000, 32})
    ->Args({kGrid, 10000, 16})
    ->Args({kStacked, 100, 32})
    ->Args({kStacked, 1000, 8})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
