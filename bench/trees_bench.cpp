// Time of the bounding-box trees: building the triangle and the point tree,
// a ball query around every point, and the search for intersecting triangle
// pairs, on meshes of about 100k and 1M triangles: a closed torus, a closed
// sphere (smooth surfaces: no intersecting pair) and a soup of overlapping
// closed spheres (many intersecting pairs).
#include "containers/BitVector.h"
#include "geometry/IntersectingPairs.h"
#include "geometry/PntAabbTree.h"
#include "geometry/TriAabbTree.h"
#include "support/TestMeshes.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <utility>

namespace {

using meshaudit::testing::TestMesh;

enum Kind { kTorus = 0, kSphere = 1, kSpheres = 2 };

const char* KindName(int kind)
{
    return kind == kTorus ? "torus" : kind == kSphere ? "sphere" : "spheres";
}

// 400-triangle spheres of random radius scattered in a cube sized so that
// each overlaps several others; no two share a point.
TestMesh SphereSoup(uint32_t triangles)
{
    const uint32_t count = triangles / 400;
    std::mt19937 rng(12345);
    const double side = 2.0 * std::cbrt(static_cast<double>(count));
    std::uniform_real_distribution<double> at(0.0, side);
    std::uniform_real_distribution<double> radius(0.5, 1.5);
    TestMesh soup;
    for (uint32_t k = 0; k < count; ++k) {
        meshaudit::testing::Append(
            soup, meshaudit::testing::Sphere(20, 11, radius(rng), at(rng), at(rng), at(rng)));
    }
    return soup;
}

TestMesh& MeshOf(int kind, int triangles)
{
    static std::map<std::pair<int, int>, TestMesh> meshes;
    const auto key = std::make_pair(kind, triangles);
    auto found = meshes.find(key);
    if (found == meshes.end()) {
        const bool large = triangles >= 1000000;
        TestMesh mesh;
        if (kind == kTorus) {
            mesh = large ? meshaudit::testing::Torus(1000, 500) : meshaudit::testing::Torus(250, 200);
        } else if (kind == kSphere) {
            mesh = large ? meshaudit::testing::Sphere(1000, 501) : meshaudit::testing::Sphere(250, 201);
        } else {
            mesh = SphereSoup(static_cast<uint32_t>(triangles));
        }
        found = meshes.emplace(key, std::move(mesh)).first;
    }
    return found->second;
}

void Label(benchmark::State& state, const TestMesh& mesh)
{
    state.SetLabel(KindName(static_cast<int>(state.range(0))));
    state.counters["triangles"] = static_cast<double>(mesh.triangles.size());
    state.counters["points"] = static_cast<double>(mesh.points.size());
}

void BM_TriTreeBuild(benchmark::State& state)
{
    TestMesh& mesh = MeshOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        meshaudit::C3DTriAABBTree tree;
        if (tree.Build(mesh.Record()) != 1) {
            state.SkipWithError("build failed");
        }
        benchmark::DoNotOptimize(tree.Root());
    }
    Label(state, mesh);
}

void BM_PntTreeBuild(benchmark::State& state)
{
    TestMesh& mesh = MeshOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        meshaudit::C3DPntAABBTree tree;
        if (tree.Build(mesh.Record()) != 1) {
            state.SkipWithError("build failed");
        }
        benchmark::DoNotOptimize(tree.Root());
    }
    Label(state, mesh);
}

// One ball of radius 0.002 (the default epsilon of the point analysis)
// around every point, on a tree built beforehand.
void BM_CountInBallAllPoints(benchmark::State& state)
{
    TestMesh& mesh = MeshOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    meshaudit::C3DPntAABBTree tree;
    if (tree.Build(mesh.Record()) != 1) {
        state.SkipWithError("build failed");
        return;
    }
    uint64_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const T3DVECF& p : mesh.points) {
            uint32_t counter = 0;
            tree.CountInBall(meshaudit::T3DSPHERE{p, 0.002}, counter);
            found += counter;
        }
        benchmark::DoNotOptimize(found);
    }
    Label(state, mesh);
    state.counters["found_per_point"] = static_cast<double>(found) / mesh.points.size();
}

// The tree against itself, on a tree built beforehand.
void BM_MarkIntersectingPairs(benchmark::State& state)
{
    TestMesh& mesh = MeshOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    meshaudit::C3DTriAABBTree tree;
    if (tree.Build(mesh.Record()) != 1) {
        state.SkipWithError("build failed");
        return;
    }
    uint64_t marked = 0;
    for (auto _ : state) {
        meshaudit::CBitVector bits;
        if (meshaudit::MarkIntersectingPairs(&tree, &tree, bits) != 1) {
            state.SkipWithError("walk failed");
        }
        marked = bits.CountSet();
    }
    Label(state, mesh);
    state.counters["marked"] = static_cast<double>(marked);
}

void BM_FindIntersectingPair(benchmark::State& state)
{
    TestMesh& mesh = MeshOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    meshaudit::C3DTriAABBTree tree;
    if (tree.Build(mesh.Record()) != 1) {
        state.SkipWithError("build failed");
        return;
    }
    int found = 0;
    for (auto _ : state) {
        found = meshaudit::FindIntersectingPair(&tree, &tree);
        benchmark::DoNotOptimize(found);
    }
    Label(state, mesh);
    state.counters["found"] = found;
}

void Meshes(benchmark::internal::Benchmark* b)
{
    for (int kind : {kTorus, kSphere, kSpheres}) {
        for (int triangles : {100000, 1000000}) {
            b->Args({kind, triangles});
        }
    }
    b->ArgNames({"kind", "triangles"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_TriTreeBuild)->Apply(Meshes);
BENCHMARK(BM_PntTreeBuild)->Apply(Meshes);
BENCHMARK(BM_CountInBallAllPoints)->Apply(Meshes);
BENCHMARK(BM_MarkIntersectingPairs)->Apply(Meshes);
BENCHMARK(BM_FindIntersectingPair)->Apply(Meshes);

}  // namespace

BENCHMARK_MAIN();
