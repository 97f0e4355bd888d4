// solids() timed step by step: the median of five calls on each PLY (or any
// mesh file the command reads) named on the command line, then on built
// meshes that stress one step each: a 1M torus, a fan and a book of 100k
// triangles (one point, one edge), shells that share one point, 10,000
// nested boxes with and without their intersecting pairs given, and the
// same boxes with a pin through them all (every box in a shell pair), its
// pairs given.
//
//   solids_bench [--reps N] [--no-built] [--only WORD] [--given] [file ...]
//
// --only runs the built meshes whose name holds WORD; --given also times
// each file with its intersecting pairs given, as the command has them from
// locate() before it calls solids().
//
// One line per mesh: triangles, shells, shell pairs, the median total in
// seconds and in the thread's CPU time, the first call's (which faults its
// pages in, as the command's one call per mesh may), each step's median,
// and a digest of the answer (all of it but the pairs' triangles) for
// comparing two builds.
#include "meshaudit.hpp"
#include "meshaudit_solid.hpp"
#include "solid/SolidParts.h"
#include "support/AllSettings.h"
#include "support/TestMeshes.h"

#ifdef MESHAUDIT_SOLIDS_BENCH_FILES
#include "MeshFiles.h"
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <string>
#include <time.h>
#include <vector>

namespace {

using meshaudit::testing::TestMesh;
namespace solid = meshaudit::solid;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The calling thread's CPU time: on a shared machine, what the call itself
// took while others held the cores.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// FNV-1a over the bytes of `size` values from `data`, into `hash`.
void Mix(uint64_t& hash, const void* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        hash = (hash ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ull;
    }
}

// A digest of the whole answer but the pairs' triangles, so that two builds
// can be told to agree.
uint64_t Digest(const meshaudit::Solids& s)
{
    uint64_t hash = 14695981039346656037ull;
    const auto list = [&hash](const auto& v) { Mix(hash, v.data(), v.size() * sizeof(v[0])); };
    Mix(hash, &s.shellCount, sizeof s.shellCount);
    list(s.shellOf), list(s.open), list(s.manifold), list(s.depth), list(s.parent), list(s.volumeSign);
    list(s.openShells), list(s.nested), list(s.insideOut), list(s.pinchedPoints), list(s.skinny);
    for (const double d : {s.minimalAngle, s.maximalAngle, s.maximalAspectRatio}) {
        Mix(hash, &d, sizeof d);
    }
    for (const meshaudit::Solids::ShellPair& p : s.shellPairs) {
        Mix(hash, &p.shellA, sizeof p.shellA);
        Mix(hash, &p.shellB, sizeof p.shellB);
    }
    return hash;
}

void Time(const char* name, const MeshRecord& mesh, const meshaudit::SolidRequest& request, int reps)
{
    std::vector<double> total, cpu;
    std::vector<std::vector<double>> steps(solid::kStepCount);
    meshaudit::Solids out;
    for (int r = 0; r < reps; ++r) {
        double seconds[solid::kStepCount] = {};
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadSeconds();
        const int32_t code = solid::TimedSolids(mesh, request, out, seconds);
        total.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu.push_back(ThreadSeconds() - cpuStart);
        if (code != 1) {
            std::printf("%s: solids() returned %d\n", name, code);
            return;
        }
        for (int s = 0; s < solid::kStepCount; ++s) {
            steps[static_cast<size_t>(s)].push_back(seconds[s]);
        }
    }
    std::printf("%-28s %9u tri %7u shells %8zu pairs  %.3f s, cpu %.3f s, first %.3f s  (", name,
                mesh.triangleCount, out.shellCount, out.shellPairs.size(), Median(total), Median(cpu), total[0]);
    for (int s = 0; s < solid::kStepCount; ++s) {
        std::printf("%s%s %.3f", s == 0 ? "" : ", ", solid::kStepNames[s], Median(steps[static_cast<size_t>(s)]));
    }
    std::printf(")  digest %016llx\n", static_cast<unsigned long long>(Digest(out)));
    std::fflush(stdout);
}

// `count` boxes, each inside the one before, alternately reversed so that
// every one is rightly oriented for its depth.
TestMesh NestedBoxes(uint32_t count)
{
    TestMesh mesh;
    for (uint32_t i = 0; i < count; ++i) {
        TestMesh box = meshaudit::testing::UnitCube();
        const double lo = i, hi = 2.0 * count - i;
        for (T3DVECF& p : box.points) {
            p = {lo + (hi - lo) * p.x, lo + (hi - lo) * p.y, lo + (hi - lo) * p.z};
        }
        for (TRIANGLE& t : box.triangles) {
            if (i % 2 == 1) {
                std::swap(t.b, t.c);
            }
        }
        meshaudit::testing::Append(mesh, box);
    }
    return mesh;
}

// NestedBoxes(count) and a bar along x through all of them, crossing each.
TestMesh PinnedBoxes(uint32_t count)
{
    TestMesh mesh = NestedBoxes(count);
    TestMesh pin = meshaudit::testing::UnitCube();
    const double middle = count, length = 2.0 * count + 2;
    for (T3DVECF& p : pin.points) {
        p = {-1 + length * p.x, middle - 0.5 + p.y, middle - 0.5 + p.z};
    }
    meshaudit::testing::Append(mesh, pin);
    return mesh;
}

// `count` tetrahedra round one shared apex, each in a wedge of its own:
// count shells, count (count - 1) / 2 pairs of them at one point.
TestMesh SharedApex(uint32_t count)
{
    TestMesh mesh;
    mesh.AddPoint(0, 0, 0);
    const double step = 2 * M_PI / count;
    for (uint32_t i = 0; i < count; ++i) {
        const double angle = step * i, next = angle + step / 2;
        const uint32_t a = mesh.AddPoint(10 * std::cos(angle), 10 * std::sin(angle), 0);
        const uint32_t b = mesh.AddPoint(10 * std::cos(next), 10 * std::sin(next), 0);
        const uint32_t c = mesh.AddPoint(10 * std::cos(angle), 10 * std::sin(angle), 1);
        mesh.AddTriangle(0, b, a);
        mesh.AddTriangle(0, a, c);
        mesh.AddTriangle(0, c, b);
        mesh.AddTriangle(a, b, c);
    }
    return mesh;
}

// The mesh's intersecting triangle pairs, as locate() lists them.
std::vector<uint32_t> IntersectingPairs(const MeshRecord& mesh)
{
    meshaudit::testing::AllSettings s;
    std::memset(s.p.Enable, 0, sizeof s.p.Enable);
    std::memset(s.e.Enable, 0, sizeof s.e.Enable);
    std::memset(s.t.Enable, 0, sizeof s.t.Enable);
    std::memset(s.m.Enable, 0, sizeof s.m.Enable);
    s.m.Enable[MSH_Selfintersection] = 1;
    meshaudit::LocateRequest request;
    request.points = request.edges = request.triangles = 0;
    request.mesh = 1u << MSH_Selfintersection;
    meshaudit::Locations where;
    std::vector<uint32_t> pairs;
    if (meshaudit::locate(mesh, s.p, s.e, s.t, s.m, request, where) == 1) {
        const meshaudit::ElementSpan span = where.of(MSH_Selfintersection);
        pairs.assign(span.data, span.data + span.stored * 2);
    }
    return pairs;
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    // As the command's workers set it (cli/app/main.cpp): blocks up to 32 MiB
    // from the heap, 64 MiB of free heap kept, so that the calls after the
    // first find warm pages as a call after locate() in the command does.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    int reps = 5;
    bool built = true;
    std::string only;
    bool givenToo = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--given") == 0) {
            givenToo = true;
        } else if (std::strcmp(argv[i], "--no-built") == 0) {
            built = false;
        } else {
            files.emplace_back(argv[i]);
        }
    }
    const meshaudit::SolidRequest request;
    for (const std::string& file : files) {
#ifdef MESHAUDIT_SOLIDS_BENCH_FILES
        try {
            meshaudit::cli::MeshData data = meshaudit::cli::ReadMeshFile(file);
            const MeshRecord record{data.points.data(), static_cast<uint32_t>(data.points.size()), data.triangles.data(),
                                    static_cast<uint32_t>(data.triangles.size())};
            const std::string name = file.substr(file.find_last_of('/') + 1);
            Time(name.c_str(), record, request, reps);
            if (givenToo) {
                const std::vector<uint32_t> pairs = IntersectingPairs(record);
                meshaudit::SolidRequest given = request;
                given.intersectingPairsGiven = true;
                given.intersectingPairs = pairs.data();
                given.intersectingPairCount = pairs.size() / 2;
                Time((name + ", pairs given").c_str(), record, given, reps);
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: %s\n", file.c_str(), error.what());
            return 1;
        }
#else
        std::fprintf(stderr, "%s: built without the command's readers\n", file.c_str());
        return 1;
#endif
    }
    if (!built) {
        return 0;
    }
    const auto wanted = [&only](const char* name) { return std::string(name).find(only) != std::string::npos; };
    if (wanted("torus 1M")) {
        TestMesh torus = meshaudit::testing::Torus(1000, 500);
        Time("torus 1M", torus.Record(), request, reps);
    }
    if (wanted("fan 100k")) {
        TestMesh fan = meshaudit::testing::Fan(100000);
        Time("fan 100k", fan.Record(), request, reps);
    }
    if (wanted("book 100k")) {
        TestMesh book = meshaudit::testing::Book(100000);
        Time("book 100k", book.Record(), request, reps);
    }
    if (wanted("1000 shells at one point")) {
        TestMesh apex = SharedApex(1000);
        Time("1000 shells at one point", apex.Record(), request, reps);
    }
    if (wanted("10k nested boxes")) {
        TestMesh boxes = NestedBoxes(10000);
        const MeshRecord record = boxes.Record();
        Time("10k nested boxes", record, request, reps);
        const auto start = std::chrono::steady_clock::now();
        const std::vector<uint32_t> pairs = IntersectingPairs(record);
        std::printf("  (locate()'s Selfintersection list: %zu pairs, %.3f s)\n", pairs.size() / 2,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        meshaudit::SolidRequest given = request;
        given.intersectingPairsGiven = true;
        given.intersectingPairs = pairs.data();
        given.intersectingPairCount = pairs.size() / 2;
        Time("10k nested boxes, pairs given", record, given, reps);
    }
    if (wanted("10k nested boxes and a pin")) {
        TestMesh boxes = PinnedBoxes(10000);
        const MeshRecord record = boxes.Record();
        const std::vector<uint32_t> pairs = IntersectingPairs(record);
        meshaudit::SolidRequest given = request;
        given.intersectingPairsGiven = true;
        given.intersectingPairs = pairs.data();
        given.intersectingPairCount = pairs.size() / 2;
        Time("10k nested boxes and a pin, pairs given", record, given, reps);
    }
    return 0;
}
