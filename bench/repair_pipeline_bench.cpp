// The repair pipeline (meshaudit_repair.hpp), every step, timed on:
//  - a mesh file written as a soup, each triangle with three points of its
//    own, as an STL file stores it (default /tmp/bm/bunny_sub2.ply, read
//    with the command's readers);
//  - shapes that put one step's worst case at one place: an open tube
//    whose two rims are holes of 100k edges each, a flat fan of 100k
//    triangles round one point (its rim a 100k-edge hole that no fill can
//    close without lying on the fan), a book of 100k triangles on one edge,
//    and 100k copies of one triangle, one way and both ways.
// For each: the median wall time of --reps runs (default 3) with the
// range, the processor time (user and system) of the median run, and the
// peak resident bytes per triangle above the process's size before the
// call (its input included in neither), with what the repair did. Each
// mesh is measured in a child process of its own, so that no mesh finds
// the memory another left to the allocator. On a machine shared with other
// work the processor time is the steadier figure.
//
//   repair_pipeline_bench [--reps N] [--shapes-only | --file-only] [FILE]
#include "ProcessStats.h"
#include "MeshFiles.h"
#include "meshaudit_repair.hpp"
#include "support/TestMeshes.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using meshaudit::testing::TestMesh;
using namespace meshaudit::bench;

TestMesh Soup(const std::vector<T3DVECF>& points, const std::vector<TRIANGLE>& triangles)
{
    TestMesh soup;
    soup.points.reserve(triangles.size() * 3);
    soup.triangles.reserve(triangles.size());
    for (const TRIANGLE& t : triangles) {
        for (const uint32_t p : {t.a, t.b, t.c}) {
            soup.points.push_back(points[p]);
        }
        const auto n = static_cast<uint32_t>(soup.points.size());
        soup.AddTriangle(n - 3, n - 2, n - 1);
    }
    return soup;
}

// An open tube of `around` x 1 quads: two rims of `around` edges.
TestMesh Tube(uint32_t around)
{
    TestMesh m;
    for (uint32_t i = 0; i < around; ++i) {
        const double a = 2.0 * std::numbers::pi * i / around;
        m.AddPoint(std::cos(a), std::sin(a), 0.0);
        m.AddPoint(std::cos(a), std::sin(a), 1.0);
    }
    for (uint32_t i = 0; i < around; ++i) {
        const uint32_t j = (i + 1) % around;
        m.AddTriangle(2 * i, 2 * j, 2 * j + 1);
        m.AddTriangle(2 * i, 2 * j + 1, 2 * i + 1);
    }
    return m;
}

void MeasureHere(const char* name, TestMesh& mesh, int reps)
{
    const MeshRecord record = mesh.Record();
    std::vector<std::pair<double, double>> seconds;  // wall, processor
    double peak = 0.0;
    meshaudit::RepairResult result;
    for (int r = 0; r < reps; ++r) {
        result = meshaudit::RepairResult{};
        const double before = StatusBytes("VmRSS:");
        ResetPeakRss();
        const double processor = ProcessorSeconds();
        const auto start = std::chrono::steady_clock::now();
        const int32_t code = meshaudit::repair(record, meshaudit::RepairRequest{}, result);
        const auto stop = std::chrono::steady_clock::now();
        const double used = ProcessorSeconds() - processor;
        peak = std::max(peak, StatusBytes("VmHWM:") - before);
        if (code != 1) {
            std::printf("%-28s repair returned %d\n", name, code);
            return;
        }
        seconds.emplace_back(std::chrono::duration<double>(stop - start).count(), used);
    }
    std::sort(seconds.begin(), seconds.end());
    uint32_t filled = 0, open = 0;
    for (const auto& hole : result.log.holes) {
        (hole.outcome == meshaudit::HoleOutcome::Filled ? filled : open) += 1;
    }
    std::printf("%-28s %9u tri  %6.3f s (%.3f..%.3f), cpu %.3f s  %4.0f B/tri peak  -> %u points, "
                "%u triangles, %u holes filled, %u open\n",
                name, record.triangleCount, seconds[seconds.size() / 2].first, seconds.front().first,
                seconds.back().first, seconds[seconds.size() / 2].second,
                peak / record.triangleCount, static_cast<uint32_t>(result.points.size()),
                static_cast<uint32_t>(result.triangles.size()), filled, open);
    for (uint32_t k = 0; k < meshaudit::kRepairStepCount; ++k) {
        const auto& s = result.log.steps[k];
        if (s.changes != 0) {
            std::printf("    %-13s %u changes\n", meshaudit::RepairStepName(static_cast<meshaudit::RepairStep>(k)),
                        s.changes);
        }
    }
}

void Measure(const char* name, TestMesh& mesh, int reps)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        MeasureHere(name, mesh, reps);
        std::fflush(stdout);
        _exit(0);
    }
    if (child < 0) {
        MeasureHere(name, mesh, reps);
        return;
    }
    int status = 0;
    waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    int reps = 3;
    bool shapes = true, file = true;
    std::string path = "/tmp/bm/bunny_sub2.ply";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--shapes-only") {
            file = false;
        } else if (arg == "--file-only") {
            shapes = false;
        } else {
            path = arg;
        }
    }
    if (file) {
        try {
            const meshaudit::cli::MeshData data = meshaudit::cli::ReadMeshFile(path);
            TestMesh soup = Soup(data.points, data.triangles);
            Measure(("soup of " + path.substr(path.find_last_of('/') + 1)).c_str(), soup, reps);
        } catch (const std::exception& e) {
            std::printf("%s: %s\n", path.c_str(), e.what());
        }
    }
    if (shapes) {
        constexpr uint32_t n = 100000;
        TestMesh tube = Tube(n), fan = meshaudit::testing::Fan(n), book = meshaudit::testing::Book(n);
        TestMesh copies = meshaudit::testing::Copies(n, false), sheets = meshaudit::testing::Copies(n, true);
        Measure("tube, two 100k-edge holes", tube, reps);
        Measure("fan of 100k", fan, reps);
        Measure("book of 100k", book, reps);
        Measure("100k copies one way", copies, reps);
        Measure("100k copies both ways", sheets, reps);
    }
    return 0;
}
