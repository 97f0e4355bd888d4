// Time of the point and triangle categories on generated closed meshes of
// 100k and 1M triangles, with the peak resident memory of each run.
#include "ProcessStats.h"
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "support/TestMeshes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

using meshaudit::AnalysisContext;
using meshaudit::testing::TestMesh;
using namespace meshaudit::bench;

// A torus of `triangles` triangles (rounded to the grid), built once per size.
TestMesh& TorusOf(uint32_t triangles)
{
    static std::map<uint32_t, TestMesh> meshes;
    auto found = meshes.find(triangles);
    if (found == meshes.end()) {
        // 2 * around * tube triangles with around = 2 * tube.
        uint32_t tube = 1;
        while (4ull * (tube + 1) * (tube + 1) <= triangles) {
            ++tube;
        }
        found = meshes.emplace(triangles, meshaudit::testing::Torus(2 * tube, tube)).first;
    }
    return found->second;
}

// Runs one category over a fresh context per iteration: the topology the
// category needs is built inside the timed region, as in a real analysis.
void RunCategory(benchmark::State& state, uint32_t category)
{
    TestMesh& mesh = TorusOf(static_cast<uint32_t>(state.range(0)));
    const MeshRecord record = mesh.Record();
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::FILE* saved = meshaudit::Progress().stream;
    meshaudit::Progress().stream = sink;

    ResetPeakRss();
    const double before = StatusBytes("VmRSS:") / kMiB;
    for (auto _ : state) {
        AnalysisContext context;
        context.LoadMesh(record);
        context.RunCategory(category);
        benchmark::DoNotOptimize(context.pointResults);
        benchmark::DoNotOptimize(context.triangleResults);
    }
    state.counters["triangles"] = record.triangleCount;
    // The peak of the whole process, and how far the runs took it above the
    // resident set they started from (the mesh itself and the program).
    const double peak = StatusBytes("VmHWM:") / kMiB;
    state.counters["peak_rss_MiB"] = peak;
    state.counters["peak_above_start_MiB"] = peak - before;

    meshaudit::Progress().stream = saved;
    std::fclose(sink);
}

void BM_PointCategory(benchmark::State& state)
{
    RunCategory(state, 1);
}

void BM_TriangleCategory(benchmark::State& state)
{
    RunCategory(state, 3);
}

BENCHMARK(BM_PointCategory)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TriangleCategory)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
