// Time of the two repairs through their exports (the copy into the output
// included) on a closed torus of 1M triangles:
//  - welded: 500k points, no duplicates;
//  - soup: stored unwelded, three points per triangle (3M points), every
//    point an exact copy of its neighbours' corners;
//  - near soup: the same with every copy moved by up to 1e-10 per
//    coordinate, so that copies are only near one another.
// The merge runs with tolerance 1e-9, which reunites the copies in both
// soups. The filter runs on the torus with every 100th triangle made to
// repeat an index.
#include "meshaudit.h"
#include "support/TestMeshes.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>

namespace {

using meshaudit::testing::TestMesh;

enum Variant { kWelded = 0, kSoup = 1, kNearSoup = 2 };

const char* VariantName(int v)
{
    return v == kWelded ? "welded" : v == kSoup ? "soup" : "near soup";
}

TestMesh Unweld(const TestMesh& mesh, double jitter)
{
    std::mt19937 rng(77);
    std::uniform_real_distribution<double> move(-jitter, jitter);
    TestMesh soup;
    soup.points.reserve(3 * mesh.triangles.size());
    for (const TRIANGLE& t : mesh.triangles) {
        for (uint32_t i : {t.a, t.b, t.c}) {
            const T3DVECF& p = mesh.points[i];
            soup.AddPoint(p.x + move(rng), p.y + move(rng), p.z + move(rng));
        }
        const uint32_t base = static_cast<uint32_t>(soup.points.size() - 3);
        soup.AddTriangle(base, base + 1, base + 2);
    }
    return soup;
}

TestMesh& MeshOf(int variant)
{
    static std::map<int, TestMesh> meshes;
    auto found = meshes.find(variant);
    if (found == meshes.end()) {
        TestMesh torus = meshaudit::testing::Torus(1000, 500);
        if (variant == kSoup) {
            torus = Unweld(torus, 0.0);
        } else if (variant == kNearSoup) {
            torus = Unweld(torus, 1e-10);
        }
        found = meshes.emplace(variant, std::move(torus)).first;
    }
    return found->second;
}

void BM_MergeDuplicatedPoints(benchmark::State& state)
{
    const int variant = static_cast<int>(state.range(0));
    TestMesh& mesh = MeshOf(variant);
    const MeshRecord input = mesh.Record();
    const double tolerance = 1e-9;
    uint32_t merged = 0;
    for (auto _ : state) {
        MeshRecord output;
        if (removeDuplicatedGeometricalPoints(&input, &tolerance, &output) != 0) {
            state.SkipWithError("merge failed");
        }
        merged = output.pointCount;
        clear_mesh(&output);
    }
    state.SetLabel(VariantName(variant));
    state.counters["points_in"] = static_cast<double>(mesh.points.size());
    state.counters["points_out"] = merged;
}

void BM_RemoveInvalidTriangles(benchmark::State& state)
{
    static TestMesh mesh = [] {
        TestMesh torus = meshaudit::testing::Torus(1000, 500);
        for (size_t t = 0; t < torus.triangles.size(); t += 100) {
            torus.triangles[t].c = torus.triangles[t].a;
        }
        return torus;
    }();
    const MeshRecord input = mesh.Record();
    uint32_t kept = 0;
    for (auto _ : state) {
        MeshRecord output;
        if (removeInvalidTopologicalTriangles(&input, &output) != 0) {
            state.SkipWithError("filter failed");
        }
        kept = output.triangleCount;
        clear_mesh(&output);
    }
    state.counters["triangles_in"] = static_cast<double>(mesh.triangles.size());
    state.counters["triangles_out"] = kept;
}

BENCHMARK(BM_MergeDuplicatedPoints)
    ->ArgName("variant")
    ->Arg(kWelded)
    ->Arg(kSoup)
    ->Arg(kNearSoup)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveInvalidTriangles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
