// A full default analysis of closed meshes of about 100k and 1M triangles,
// timed category by category on one context (points, edges, triangles, mesh
// in this order, as analyse() runs them), with the peak resident set size
// reached inside each category. The progress line is silenced.
//
// Counters per benchmark: <category>_ms, the mean time of the category;
// <category>_peak_MiB, the highest resident set size seen while it ran in
// the first iteration (the process's high-water mark is reset before each
// category where the kernel allows it, so later categories are not charged
// with earlier peaks; the mesh itself and the topology kept from earlier
// categories are part of every figure; later iterations would also count
// heap pages that the allocator kept from the iteration before).
#include "ProcessStats.h"
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "support/TestMeshes.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

using meshaudit::testing::TestMesh;
using namespace meshaudit::bench;

// A closed torus of about `triangles` triangles (2 x around x tube), built
// once per size.
TestMesh& ClosedMesh(int64_t triangles)
{
    static std::map<int64_t, TestMesh> meshes;
    auto found = meshes.find(triangles);
    if (found == meshes.end()) {
        const auto tube = static_cast<uint32_t>(triangles >= 1000000 ? 500 : 200);
        const auto around = static_cast<uint32_t>(triangles / (2 * tube));
        found = meshes.emplace(triangles, meshaudit::testing::Torus(around, tube)).first;
    }
    return found->second;
}

void AnalyseByCategory(benchmark::State& state)
{
    TestMesh& mesh = ClosedMesh(state.range(0));
    const MeshRecord record = mesh.Record();
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::FILE* saved = meshaudit::Progress().stream;
    meshaudit::Progress().stream = sink;

    const char* const names[4] = {"points", "edges", "triangles", "mesh"};
    double milliseconds[4] = {0, 0, 0, 0};
    double peak[4] = {0, 0, 0, 0};
    bool first = true;
    for (auto _ : state) {
        meshaudit::AnalysisContext context;
        context.LoadMesh(record);
        double total = 0.0;
        for (uint32_t category = 1; category <= 4; ++category) {
            ResetPeakRss();
            const auto start = std::chrono::steady_clock::now();
            context.RunCategory(category);
            const auto stop = std::chrono::steady_clock::now();
            const double seconds = std::chrono::duration<double>(stop - start).count();
            milliseconds[category - 1] += 1000.0 * seconds;
            if (first) {
                peak[category - 1] = StatusBytes("VmHWM:") / kMiB;
            }
            total += seconds;
        }
        benchmark::DoNotOptimize(context.meshResults);
        first = false;
        state.SetIterationTime(total);
    }

    meshaudit::Progress().stream = saved;
    std::fclose(sink);
    state.counters["triangles"] = static_cast<double>(record.triangleCount);
    for (int c = 0; c < 4; ++c) {
        state.counters[std::string(names[c]) + "_ms"] =
            benchmark::Counter(milliseconds[c], benchmark::Counter::kAvgIterations);
        state.counters[std::string(names[c]) + "_peak_MiB"] = peak[c];
    }
}

BENCHMARK(AnalyseByCategory)
    ->Arg(100000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AnalyseByCategory)
    ->Arg(1000000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
