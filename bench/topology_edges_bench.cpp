// Time and peak memory of building every topology structure and of running
// the edge category, on closed tori of about 10k, 100k and 1M triangles.
//
// Peak RSS: before each benchmark the kernel's high-water mark is reset
// (/proc/self/clear_refs, where permitted), so peak_rss_MB is that of the
// benchmark itself; base_rss_MB is the resident size when it started (the
// meshes built so far, kept for the later benchmarks).
#include "ProcessStats.h"
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "model/MeshTopology.h"
#include "support/TestMeshes.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

using meshaudit::testing::TestMesh;
using namespace meshaudit::bench;

// Torus sizes (around, tube): 2 * around * tube triangles.
TestMesh& MeshOf(int triangles)
{
    static std::map<int, TestMesh> meshes;
    auto found = meshes.find(triangles);
    if (found == meshes.end()) {
        const uint32_t around = triangles == 10000 ? 100 : triangles == 100000 ? 250 : 1000;
        const uint32_t tube = static_cast<uint32_t>(triangles) / (2 * around);
        found = meshes.emplace(triangles, meshaudit::testing::Torus(around, tube)).first;
    }
    return found->second;
}

void Report(benchmark::State& state, const TestMesh& mesh, double base)
{
    state.counters["triangles"] = static_cast<double>(mesh.triangles.size());
    state.counters["base_rss_MB"] = base;
    state.counters["peak_rss_MB"] = StatusBytes("VmHWM:") / kMiB;
}

void BM_TopologyAllStructures(benchmark::State& state)
{
    TestMesh& mesh = MeshOf(static_cast<int>(state.range(0)));
    const MeshRecord record = mesh.Record();
    ResetPeakRss();
    const double base = StatusBytes("VmRSS:") / kMiB;
    for (auto _ : state) {
        meshaudit::MeshTopology topology;
        topology.Attach(record);
        uint32_t count = 0;
        topology.VertexTriangles();
        topology.VertexNeighbours();
        benchmark::DoNotOptimize(topology.Edges(count));
        topology.EdgeTriangles();
        topology.TriangleNeighbours();
        benchmark::DoNotOptimize(topology.BorderEdges(count));
        if (topology.Status() != 0) {
            state.SkipWithError("topology failed");
        }
    }
    Report(state, mesh, base);
}

void BM_EdgeCategory(benchmark::State& state)
{
    TestMesh& mesh = MeshOf(static_cast<int>(state.range(0)));
    const MeshRecord record = mesh.Record();
    std::FILE* sink = std::fopen("/dev/null", "w");
    std::FILE* saved = meshaudit::Progress().stream;
    meshaudit::Progress().stream = sink;
    ResetPeakRss();
    const double base = StatusBytes("VmRSS:") / kMiB;
    for (auto _ : state) {
        meshaudit::AnalysisContext analysis;
        meshaudit::AnalysisContext* context = &analysis;
        std::memset(context->pointSettings.Enable, 0, sizeof context->pointSettings.Enable);
        std::memset(context->triangleSettings.Enable, 0, sizeof context->triangleSettings.Enable);
        std::memset(context->meshSettings.Enable, 0, sizeof context->meshSettings.Enable);
        std::memset(context->edgeSettings.Enable, 1, sizeof context->edgeSettings.Enable);
        context->LoadMesh(record);
        context->RunCategory(2);
        benchmark::DoNotOptimize(context->edgeResults.Count);
        if (context->edgeResults.Count != mesh.triangles.size() * 3 / 2) {
            state.SkipWithError("unexpected edge count");
        }
    }
    Report(state, mesh, base);
    meshaudit::Progress().stream = saved;
    std::fclose(sink);
}

BENCHMARK(BM_TopologyAllStructures)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EdgeCategory)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
