// The exact arrangement (src/repair/arrangement/), timed on one core:
//  - mesh files (default /tmp/bm/spheres_1m.ply: 3,125 closed objects
//    overlapping one another heavily, 1M triangles), read with the
//    command's readers;
//  - --boxes N: N thin boxes through one point, each turned about the z
//    axis by its own angle, so that every pair crosses near that point.
// For each: wall and processor time of Arrange, the process's peak
// resident size, the triangles in contact in each round and the wall time
// when each round ended (the last is the check of the output; the library's
// own search follows it), and what came out: its size, and the most pieces
// and points one input triangle was split into.
//
//   arrangement_bench [--boxes N] [FILE...]
#include "MeshFiles.h"
#include "repair/arrangement/Arrangement.h"
#include "support/TestMeshes.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using meshaudit::arrangement::Arrangement;

double ProcessorSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           1e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// FNV-1a over the bytes of a vector: one figure to compare two builds' output.
template <typename Items>
uint64_t Hash(uint64_t h, const Items& items)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(items.data());
    for (size_t k = 0; k < items.size() * sizeof(typename Items::value_type); ++k) {
        h = (h ^ bytes[k]) * 1099511628211ull;
    }
    return h;
}

long PeakKilobytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void OnRound(void* context, uint32_t round, uint64_t inContact)
{
    const auto* start = static_cast<const std::chrono::steady_clock::time_point*>(context);
    const double at = std::chrono::duration<double>(std::chrono::steady_clock::now() - *start).count();
    std::printf("  round %u: %llu triangles in contact, ended at %.2f s\n", round,
                static_cast<unsigned long long>(inContact), at);
}

// The most pieces, and the most distinct points among them, that one input
// triangle was split into.
void PrintSplits(const Arrangement& out, size_t inputTriangles)
{
    std::vector<std::vector<uint32_t>> pointsOf(inputTriangles);
    std::vector<size_t> pieces(inputTriangles, 0);
    for (size_t k = 0; k < out.triangles.size(); ++k) {
        const TRIANGLE& t = out.triangles[k];
        ++pieces[out.triangleFrom[k]];
        pointsOf[out.triangleFrom[k]].insert(pointsOf[out.triangleFrom[k]].end(), {t.a, t.b, t.c});
    }
    size_t mostPoints = 0;
    for (std::vector<uint32_t>& p : pointsOf) {
        std::sort(p.begin(), p.end());
        mostPoints = std::max(mostPoints, static_cast<size_t>(std::unique(p.begin(), p.end()) - p.begin()));
    }
    std::printf("  one input triangle at most: %zu pieces, %zu points\n",
                pieces.empty() ? size_t{0} : *std::max_element(pieces.begin(), pieces.end()), mostPoints);
}

void Measure(const char* name, std::vector<T3DVECF>& points, std::vector<TRIANGLE>& triangles)
{
    MeshRecord record{points.data(), static_cast<uint32_t>(points.size()), triangles.data(),
                      static_cast<uint32_t>(triangles.size())};
    std::printf("%s: %zu points, %zu triangles\n", name, points.size(), triangles.size());
    Arrangement out;
    const double cpu0 = ProcessorSeconds();
    auto t0 = std::chrono::steady_clock::now();
    const int code = meshaudit::arrangement::Arrange(record, out, OnRound, &t0);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = ProcessorSeconds() - cpu0;
    std::printf("  code %d, resolved %d, rounds %u: %zu points (%zu new), %zu triangles, %zu segments\n", code,
                out.resolved ? 1 : 0, out.rounds, out.points.size(), out.points.size() - points.size(),
                out.triangles.size(), out.segments.size());
    PrintSplits(out, triangles.size());
    uint64_t h = Hash(14695981039346656037ull, out.points);
    h = Hash(h, out.triangles);
    h = Hash(h, out.triangleFrom);
    h = Hash(h, out.segments);
    h = Hash(h, out.unresolved);
    std::printf("  output hash %016llx\n", static_cast<unsigned long long>(h));
    std::printf("  wall %.2f s, processor %.2f s, peak resident %.0f MiB\n", wall, cpu,
                static_cast<double>(PeakKilobytes()) / 1024.0);
}

// n boxes of 2 x 0.02 x 0.02 centred on the origin, box k turned by
// k * pi / n about z.
void Boxes(uint32_t n)
{
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
    const meshaudit::testing::TestMesh cube = meshaudit::testing::UnitCube();
    for (uint32_t k = 0; k < n; ++k) {
        const double angle = 3.14159265358979 * k / n;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        const auto base = static_cast<uint32_t>(points.size());
        for (const T3DVECF& p : cube.points) {
            const double x = 2.0 * p.x - 1.0;
            const double y = 0.02 * p.y - 0.01;
            points.push_back({c * x - s * y, s * x + c * y, 0.02 * p.z - 0.01 + 1e-5 * k});
        }
        for (const TRIANGLE& t : cube.triangles) {
            triangles.push_back({t.a + base, t.b + base, t.c + base});
        }
    }
    Measure(("boxes " + std::to_string(n)).c_str(), points, triangles);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--boxes") == 0 && k + 1 < argc) {
            Boxes(static_cast<uint32_t>(std::stoul(argv[++k])));
            continue;
        }
        files.emplace_back(argv[k]);
    }
    if (argc == 1) {
        files.emplace_back("/tmp/bm/spheres_1m.ply");
    }
    for (const std::string& path : files) {
        meshaudit::cli::MeshData data = meshaudit::cli::ReadMeshFile(path);
        Measure(path.c_str(), data.points, data.triangles);
    }
    return 0;
}
