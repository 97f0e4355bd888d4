// meshaudit_bench: times full analyses of mesh files and of generated closed
// meshes, per category and per quantity, with the peak memory above the
// caller's arrays, the merge repair on an unwelded soup, and, when the CGAL
// peer is built, the same file's peer operations measured alternately in the
// same run.
//
//   meshaudit_bench [--reps N] [--peer PATH] [--json OUT] [--scale]
//                   [--reference] [--locate] [--fresh] [--command PATH]
//                   [--large] [--only analyse|intersect|merge] FILE...
//
// --only runs one part of each file's figures, for profiling one of them.
// --reference also times a fixed workload that does not use the library,
// before and after the rest, for comparisons across days.
// --locate also times locate() with default settings, every list and no cap,
// alternately with a default analysis, and gives its peak memory.
// --fresh also times one default analyse() per fresh process, as a user's
// single check pays for it: heap growth and first page faults included.
// --command also times `PATH check -q FILE` as a user runs it, with its peak.
// --large also analyses a generated 10M-triangle closed torus and its
// unwelded soup (and merges the soup), each in a fresh process, against the
// same at 1M triangles.
// Timing lives here, never in the tests. Medians of N runs (default 5).
#include "analysis/AnalysisContext.h"
#include "analysis/Progress.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "meshaudit.hpp"
#include "MachineReference.h"
#include "MeshFiles.h"
#include "support/TestMeshes.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using meshaudit::AnalysisContext;
using meshaudit::Category;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// User and system CPU seconds of the calling thread so far. The system's
// share is mostly the first writes to fresh pages.
struct CpuSeconds {
    double user = 0.0;
    double system = 0.0;
};

CpuSeconds ThreadCpu()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
    };
    return CpuSeconds{seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

double Median(std::vector<double> values)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

long StatusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':') {
            return std::atol(line.c_str() + n + 1);
        }
    }
    return -1;
}

// Resets the peak resident size (VmHWM) to the current one.
void ResetPeak()
{
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

struct Mode {
    const char* name;
    bool everything;  // every Enable byte 1
};

void Configure(AnalysisContext& context, bool everything)
{
    context.CopySettingsIn(meshaudit::DefaultPointSettings());
    context.CopySettingsIn(meshaudit::DefaultEdgeSettings());
    context.CopySettingsIn(meshaudit::DefaultTriangleSettings());
    context.CopySettingsIn(meshaudit::DefaultMeshSettings());
    if (everything) {
        std::memset(context.pointSettings.Enable, 1, sizeof context.pointSettings.Enable);
        std::memset(context.edgeSettings.Enable, 1, sizeof context.edgeSettings.Enable);
        std::memset(context.triangleSettings.Enable, 1, sizeof context.triangleSettings.Enable);
        std::memset(context.meshSettings.Enable, 1, sizeof context.meshSettings.Enable);
    }
}

const Category kCategories[] = {Category::Points, Category::Edges, Category::Triangles,
                                Category::Mesh};
const char* const kCategoryNames[] = {"points", "edges", "triangles", "mesh"};

struct Figures {
    std::map<std::string, double> values;  // name -> seconds (or bytes)
};

// One full analysis, category by category, as analyse() runs it.
std::vector<double> TimeCategories(const MeshRecord& record, bool everything)
{
    AnalysisContext context;
    context.LoadMesh(record);
    Configure(context, everything);
    std::vector<double> times;
    for (Category category : kCategories) {
        const auto start = Clock::now();
        context.RunCategory(static_cast<uint32_t>(category));
        times.push_back(Seconds(start));
    }
    return times;
}

const uint8_t* EnableBytes(const AnalysisContext& context, Category category)
{
    const meshaudit::CategoryTable& table = meshaudit::TableOf(category);
    const uint8_t* settings = nullptr;
    switch (category) {
    case Category::Points:
        settings = reinterpret_cast<const uint8_t*>(&context.pointSettings);
        break;
    case Category::Edges:
        settings = reinterpret_cast<const uint8_t*>(&context.edgeSettings);
        break;
    case Category::Triangles:
        settings = reinterpret_cast<const uint8_t*>(&context.triangleSettings);
        break;
    default:
        settings = reinterpret_cast<const uint8_t*>(&context.meshSettings);
        break;
    }
    return settings + table.enableOffset;
}

// One analysis quantity by quantity, in visiting order, each row whose gate
// is open computed on its own so that its time (including whatever shared
// structure it is the first to need) can be read.
std::vector<std::pair<std::string, double>> TimeQuantities(const MeshRecord& record, bool everything)
{
    AnalysisContext context;
    context.LoadMesh(record);
    Configure(context, everything);
    std::vector<std::pair<std::string, double>> times;
    for (Category category : kCategories) {
        const meshaudit::CategoryTable& table = meshaudit::TableOf(category);
        const uint8_t* enable = EnableBytes(context, category);
        for (size_t i = 0; i < table.rowCount; ++i) {
            const meshaudit::QuantityRow& row = table.rows[i];
            bool open = false;
            for (uint32_t k = 0; k < 32; ++k) {
                open = open || ((row.gate >> k & 1u) != 0 && enable[k] == 1);
            }
            if (!open) {
                continue;
            }
            const auto start = Clock::now();
            switch (row.slot) {
            case meshaudit::Slot::Count:
                context.EnsureCount(category, row.k);
                break;
            case meshaudit::Slot::Real:
            case meshaudit::Slot::Volume:
                context.EnsureReal(category, row.k);
                break;
            case meshaudit::Slot::Flag:
                context.EnsureFlag(category, row.k);
                break;
            }
            std::string label = row.label;
            label.erase(std::remove(label.begin(), label.end(), '\r'), label.end());
            times.emplace_back(label + (row.k == 5 && category == Category::Mesh ? " (HasHandles)" : ""),
                               Seconds(start));
        }
    }
    return times;
}

// Peak resident bytes per triangle of a full analysis above what was resident
// before it (the caller's arrays and everything else already loaded).
double PeakBytesPerTriangle(const MeshRecord& record, bool everything)
{
    // Give back what earlier runs left cached in the heap, so that the peak
    // counts this analysis alone.
    malloc_trim(0);
    const long before = StatusKb("VmRSS");
    ResetPeak();
    {
        AnalysisContext context;
        context.LoadMesh(record);
        Configure(context, everything);
        context.RunCategory(5);
    }
    const long peak = StatusKb("VmHWM");
    return 1024.0 * static_cast<double>(peak - before) / record.triangleCount;
}

// Runs the CGAL peer on one operation once and returns its median_ms / 1000.
double RunPeer(const std::string& peer, const std::string& file, const char* op)
{
    const std::string command = "'" + peer + "' '" + file + "' " + op + " 1 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1.0;
    }
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    pclose(pipe);
    const size_t at = out.find("\"median_ms\":");
    if (at == std::string::npos) {
        return -1.0;
    }
    return std::atof(out.c_str() + at + 12) / 1000.0;
}

double TimeMerge(const MeshRecord& record, double tolerance, uint32_t& pointsAfter)
{
    MeshRecord out;
    const auto start = Clock::now();
    const int32_t code = removeDuplicatedGeometricalPoints(&record, &tolerance, &out);
    const double seconds = Seconds(start);
    pointsAfter = code == 0 ? out.pointCount : 0;
    clear_mesh(&out);
    return seconds;
}

// The same triangles with three points of their own each, nothing shared.
meshaudit::testing::TestMesh Unweld(const MeshRecord& record)
{
    meshaudit::testing::TestMesh soup;
    soup.points.reserve(3ull * record.triangleCount);
    soup.triangles.reserve(record.triangleCount);
    const TRIANGLE* triangles = record.triangles;
    for (uint32_t t = 0; t < record.triangleCount; ++t) {
        const uint32_t corners[3] = {triangles[t].a, triangles[t].b, triangles[t].c};
        const auto first = static_cast<uint32_t>(soup.points.size());
        for (uint32_t c : corners) {
            soup.points.push_back(record.points[c]);
        }
        soup.AddTriangle(first, first + 1, first + 2);
    }
    return soup;
}

// Reads a mesh file into `data` and points `record` at its arrays; false,
// with the reason on stderr, when the file cannot be read.
bool ReadRecord(const std::string& file, meshaudit::cli::MeshData& data, MeshRecord& record)
{
    try {
        data = meshaudit::cli::ReadMeshFile(file);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), error.what());
        return false;
    }
    record.points = data.points.data();
    record.pointCount = static_cast<uint32_t>(data.points.size());
    record.triangles = data.triangles.data();
    record.triangleCount = static_cast<uint32_t>(data.triangles.size());
    return true;
}

// What one fresh process measured: seconds and peak bytes per triangle above
// what was resident before (the caller's arrays and the reader's leftovers).
struct FreshFigure {
    double seconds = -1.0;
    double bytesPerTriangle = -1.0;
};

// Runs a default analyse() the way a host does, once, with nothing warmed.
FreshFigure AnalyseOnce(const MeshRecord& record)
{
    const long before = StatusKb("VmRSS");
    ResetPeak();
    const auto start = Clock::now();
    const int32_t code = analyse(&record);
    const double seconds = Seconds(start);
    const long peak = StatusKb("VmHWM");
    if (code != 1) {
        return {};
    }
    return {seconds, 1024.0 * static_cast<double>(peak - before) / record.triangleCount};
}

FreshFigure MergeOnce(const MeshRecord& record)
{
    malloc_trim(0);
    const long before = StatusKb("VmRSS");
    ResetPeak();
    uint32_t after = 0;
    const double seconds = TimeMerge(record, 1e-9, after);
    const long peak = StatusKb("VmHWM");
    if (after == 0) {
        return {};
    }
    return {seconds, 1024.0 * static_cast<double>(peak - before) / record.triangleCount};
}

void PrintFigure(const FreshFigure& figure)
{
    std::printf("%.6f %.1f\n", figure.seconds, figure.bytesPerTriangle);
}

// The child's side of --fresh and --large: one measurement, printed as
// "seconds bytes-per-triangle" lines, then exit.
int FreshChild(const std::string& what, const std::string& argument)
{
    if (what == "file") {
        meshaudit::cli::MeshData data;
        MeshRecord record;
        if (!ReadRecord(argument, data, record)) {
            return 2;
        }
        malloc_trim(0);
        PrintFigure(AnalyseOnce(record));
        return 0;
    }
    const auto side = static_cast<uint32_t>(std::atol(argument.c_str()));
    meshaudit::testing::TestMesh torus = meshaudit::testing::Torus(side, side / 2);
    if (what == "closed") {
        PrintFigure(AnalyseOnce(torus.Record()));
        return 0;
    }
    meshaudit::testing::TestMesh soup = Unweld(torus.Record());
    torus = meshaudit::testing::TestMesh{};
    malloc_trim(0);
    PrintFigure(AnalyseOnce(soup.Record()));
    PrintFigure(MergeOnce(soup.Record()));
    return 0;
}

// Runs this program again as a child measuring `what` and returns its lines.
std::vector<FreshFigure> RunFreshChild(const std::string& what, const std::string& argument)
{
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        return {};
    }
    const std::string command = std::string("'") + self + "' --fresh-child " + what + " '" + argument + "'";
    std::vector<FreshFigure> figures;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return figures;
    }
    FreshFigure figure;
    while (std::fscanf(pipe, "%lf %lf", &figure.seconds, &figure.bytesPerTriangle) == 2) {
        figures.push_back(figure);
    }
    pclose(pipe);
    return figures;
}

// Wall seconds and peak resident MiB of one run of a command line.
std::pair<double, double> RunCommandOnce(const std::string& command, const std::string& file)
{
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(command.c_str(), command.c_str(), "check", "-q", file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1) {
        return {-1.0, -1.0};
    }
    return {Seconds(start), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

struct Options {
    int reps = 5;
    std::string peer;
    std::string json;
    bool scale = false;
    bool reference = false;  // time the machine reference too
    bool locate = false;     // time locate() with every list too
    bool fresh = false;      // time analyse() in fresh processes too
    bool large = false;      // the generated 10M-triangle meshes
    std::string command;     // time this meshaudit command's check too
    std::string only;  // empty: every part; else "analyse", "intersect" or "merge"
    std::vector<std::string> files;

    bool Runs(const char* part) const { return only.empty() || only == part; }
};

std::ofstream jsonOut;

void Emit(const std::string& subject, const std::string& metric, double value)
{
    if (jsonOut.is_open()) {
        jsonOut << "{\"subject\": \"" << subject << "\", \"metric\": \"" << metric
                << "\", \"value\": " << value << "}\n";
    }
}

void BenchAnalyse(const std::string& name, const MeshRecord& record, const Options& options)
{
    const bool havePeer = !options.peer.empty();
    // One analysis first, not timed: the first one in a process also pays for
    // growing the heap and for the system's first huge pages, which a host
    // checking file after file pays once.
    TimeCategories(record, false);
    for (const Mode mode : {Mode{"default", false}, Mode{"all", true}}) {
        std::vector<std::vector<double>> perCategory(4);
        std::vector<double> totals, peerSelf;
        for (int r = 0; r < options.reps; ++r) {
            const std::vector<double> t = TimeCategories(record, mode.everything);
            double total = 0.0;
            for (size_t c = 0; c < 4; ++c) {
                perCategory[c].push_back(t[c]);
                total += t[c];
            }
            totals.push_back(total);
            if (havePeer && !mode.everything) {  // alternate with the peer
                peerSelf.push_back(RunPeer(options.peer, name, "does_self_intersect"));
            }
        }
        const double total = Median(totals);
        std::printf("  analyse (%s settings): %.3f s  [", mode.name, total);
        for (size_t c = 0; c < 4; ++c) {
            const double m = Median(perCategory[c]);
            std::printf("%s%s %.3f", c ? ", " : "", kCategoryNames[c], m);
            Emit(name, std::string(mode.name) + "." + kCategoryNames[c], m);
        }
        std::printf("]\n");
        Emit(name, std::string(mode.name) + ".total", total);
        if (!peerSelf.empty()) {
            const double peer = Median(peerSelf);
            std::printf("  CGAL does_self_intersect: %.3f s; ratio analyse/peer = %.2f\n", peer,
                        total / peer);
            Emit(name, "peer.does_self_intersect", peer);
        }
        const double bytes = PeakBytesPerTriangle(record, mode.everything);
        std::printf("  peak memory above the caller's arrays: %.0f bytes per triangle\n", bytes);
        Emit(name, std::string(mode.name) + ".peak_bytes_per_triangle", bytes);

        std::printf("  per quantity (first to need a shared structure pays for it):\n");
        for (const auto& [label, seconds] : TimeQuantities(record, mode.everything)) {
            if (seconds >= 0.0005) {
                std::printf("    %-52s %8.3f s\n", label.c_str(), seconds);
            }
        }
    }
}

void BenchIntersect(const std::string& name, const MeshRecord& record, const Options& options)
{
    std::vector<double> peerAll, oursMark;
    for (int r = 0; r < options.reps; ++r) {
        AnalysisContext context;
        context.LoadMesh(record);
        const auto start = Clock::now();
        context.EnsureCount(Category::Triangles, TRI_CountIntersected);
        oursMark.push_back(Seconds(start));
        peerAll.push_back(RunPeer(options.peer, name, "self_intersections"));
    }
    std::printf("  all intersecting triangles: ours %.3f s, CGAL self_intersections %.3f s, ratio %.2f\n",
                Median(oursMark), Median(peerAll), Median(oursMark) / Median(peerAll));
    Emit(name, "ours.count_intersected", Median(oursMark));
    Emit(name, "peer.self_intersections", Median(peerAll));
}

void BenchMerge(const std::string& name, const MeshRecord& record, const Options& options)
{
    const bool havePeer = !options.peer.empty();
    meshaudit::testing::TestMesh soup = Unweld(record);
    const MeshRecord soupRecord = soup.Record();
    std::vector<double> merge, peerMerge;
    uint32_t after = 0;
    for (int r = 0; r < options.reps; ++r) {
        merge.push_back(TimeMerge(soupRecord, 1e-9, after));
        if (havePeer) {
            peerMerge.push_back(RunPeer(options.peer, name, "merge_dup_points"));
        }
    }
    std::printf("  merge of the unwelded soup (%u points -> %u), tolerance 1e-9: %.3f s", soupRecord.pointCount,
                after, Median(merge));
    Emit(name, "merge_soup", Median(merge));
    if (!peerMerge.empty()) {
        std::printf("; CGAL merge_dup_points %.3f s, ratio %.2f", Median(peerMerge),
                    Median(merge) / Median(peerMerge));
        Emit(name, "peer.merge_dup_points", Median(peerMerge));
    }
    std::printf("\n");
}

// locate() with the default settings, every list and no cap, against the
// default analysis alternately in the same run; then locate's peak memory
// above the caller's arrays, its lists included.
void BenchLocate(const std::string& name, const MeshRecord& record, const Options& options)
{
    PointSettings ps = meshaudit::DefaultPointSettings();
    EdgeSettings es = meshaudit::DefaultEdgeSettings();
    TriangleSettings ts = meshaudit::DefaultTriangleSettings();
    MeshSettings ms = meshaudit::DefaultMeshSettings();
    const meshaudit::LocateRequest request;
    std::vector<double> analyse, located;
    for (int r = 0; r < options.reps; ++r) {
        const std::vector<double> t = TimeCategories(record, false);
        analyse.push_back(t[0] + t[1] + t[2] + t[3]);
        meshaudit::Locations where;
        const auto start = Clock::now();
        meshaudit::locate(record, ps, es, ts, ms, request, where);
        located.push_back(Seconds(start));
    }
    std::printf("  locate (default settings, every list, no cap): %.3f s; default analyse %.3f s; ratio %.2f\n",
                Median(located), Median(analyse), Median(located) / Median(analyse));
    Emit(name, "locate.total", Median(located));
    malloc_trim(0);
    const long before = StatusKb("VmRSS");
    ResetPeak();
    {
        meshaudit::Locations where;
        meshaudit::locate(record, ps, es, ts, ms, request, where);
    }
    const double bytes = 1024.0 * static_cast<double>(StatusKb("VmHWM") - before) / record.triangleCount;
    std::printf("  locate peak memory above the caller's arrays: %.0f bytes per triangle\n", bytes);
    Emit(name, "locate.peak_bytes_per_triangle", bytes);
}

// One default analyse() per fresh process, the command's whole check and the
// peer alternately, so that all see the same machine.
void BenchFresh(const std::string& name, const Options& options)
{
    std::vector<double> fresh, bytes, peer, wall, mib;
    for (int r = 0; r < options.reps; ++r) {
        const std::vector<FreshFigure> figures = RunFreshChild("file", name);
        if (figures.size() != 1 || figures[0].seconds < 0.0) {
            std::printf("  fresh-process analyse: the child failed\n");
            return;
        }
        fresh.push_back(figures[0].seconds);
        bytes.push_back(figures[0].bytesPerTriangle);
        if (!options.peer.empty()) {
            peer.push_back(RunPeer(options.peer, name, "does_self_intersect"));
        }
        if (!options.command.empty()) {
            const auto [seconds, peakMib] = RunCommandOnce(options.command, name);
            wall.push_back(seconds);
            mib.push_back(peakMib);
        }
    }
    std::printf("  fresh-process analyse (default settings): %.3f s, peak %.0f bytes per triangle above the arrays",
                Median(fresh), Median(bytes));
    Emit(name, "fresh.total", Median(fresh));
    Emit(name, "fresh.peak_bytes_per_triangle", Median(bytes));
    if (!peer.empty()) {
        std::printf("; CGAL does_self_intersect %.3f s, ratio %.2f", Median(peer), Median(fresh) / Median(peer));
        Emit(name, "peer.fresh.does_self_intersect", Median(peer));
    }
    std::printf("\n");
    if (!wall.empty()) {
        std::printf("  %s check -q: %.3f s wall, peak %.0f MiB\n", options.command.c_str(), Median(wall),
                    Median(mib));
        Emit(name, "command.check_wall", Median(wall));
        Emit(name, "command.peak_bytes", Median(mib) * 1048576.0);
    }
}

void BenchFile(const std::string& name, const MeshRecord& record, const Options& options)
{
    std::printf("\n== %s: %u points, %u triangles\n", name.c_str(), record.pointCount,
                record.triangleCount);
    if (options.Runs("analyse")) {
        BenchAnalyse(name, record, options);
    }
    if (!options.peer.empty() && options.Runs("intersect")) {
        BenchIntersect(name, record, options);
    }
    if (options.Runs("merge")) {
        BenchMerge(name, record, options);
    }
    if (options.locate) {
        BenchLocate(name, record, options);
    }
    if (options.fresh || !options.command.empty()) {
        BenchFresh(name, options);
    }
}

// A 10M-triangle closed torus and its unwelded soup against the same at 1M,
// each measured in a fresh process: the time per triangle must not grow much
// with the size, nor the memory per triangle.
void BenchLarge(const Options& options)
{
    std::printf("\n== 1M and 10M triangles, each in a fresh process (default analyse; merge 1e-9 of the soup)\n");
    struct Size {
        const char* name;
        uint32_t side;  // side * (side / 2) quads: side^2 triangles
    };
    const Size sizes[2] = {Size{"1M", 1000}, Size{"10M", 3163}};
    // The sizes take turns, repetition by repetition, so that both medians
    // come from the same stretch of time: this VM's speed drifts by a
    // quarter from one hour to the next, and a ratio of a 1M block run
    // before a 10M block measures that drift as much as the scaling.
    std::vector<double> seconds[2][3];
    std::vector<double> bytes[2][3];
    for (int r = 0; r < options.reps; ++r) {
        for (int s = 0; s < 2; ++s) {
            std::vector<FreshFigure> figures = RunFreshChild("closed", std::to_string(sizes[s].side));
            const std::vector<FreshFigure> soup = RunFreshChild("soup", std::to_string(sizes[s].side));
            figures.insert(figures.end(), soup.begin(), soup.end());
            for (size_t i = 0; i < 3 && i < figures.size(); ++i) {
                seconds[s][i].push_back(figures[i].seconds);
                bytes[s][i].push_back(figures[i].bytesPerTriangle);
            }
        }
    }
    double perTriangle1m[3] = {0.0, 0.0, 0.0};
    for (int s = 0; s < 2; ++s) {
        const Size size = sizes[s];
        const double triangles = static_cast<double>(size.side) * (size.side / 2) * 2;
        const char* const what[3] = {"analyse closed", "analyse soup", "merge soup"};
        for (size_t i = 0; i < 3; ++i) {
            const double t = Median(seconds[s][i]);
            const double ns = 1e9 * t / triangles;
            std::printf("  %-4s %-15s %8.3f s  %6.0f ns per triangle  %5.0f bytes per triangle", size.name, what[i],
                        t, ns, Median(bytes[s][i]));
            if (size.side == 1000) {
                perTriangle1m[i] = ns;
            } else if (perTriangle1m[i] > 0.0) {
                std::printf("  (x%.2f the 1M time per triangle)", ns / perTriangle1m[i]);
            }
            std::printf("\n");
            const std::string metric = std::string(size.name) + "." + (i == 0 ? "closed" : i == 1 ? "soup" : "merge");
            Emit("torus", metric, t);
            Emit("torus", metric + ".peak_bytes_per_triangle", Median(bytes[s][i]));
        }
    }
}

// Least-squares slope of log y against log x.
double FittedExponent(const std::vector<double>& logX, const std::vector<double>& logY)
{
    const double n = static_cast<double>(logX.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < logX.size(); ++i) {
        sx += logX[i];
        sy += logY[i];
        sxx += logX[i] * logX[i];
        sxy += logX[i] * logY[i];
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

void BenchScaling(const Options& options)
{
    std::printf("\n== scaling of a full default analysis on closed tori\n");
    std::vector<double> logN, logT;
    // side * (side / 2) quads, two triangles each: about 10k .. 4M triangles
    for (uint32_t side : {100u, 141u, 224u, 316u, 447u, 707u, 1000u, 1414u, 2000u}) {
        meshaudit::testing::TestMesh torus = meshaudit::testing::Torus(side, side / 2);
        const MeshRecord record = torus.Record();
        std::vector<std::vector<double>> perCategory(4);
        std::vector<double> totals;
        const CpuSeconds cpuBefore = ThreadCpu();
        for (int r = 0; r < options.reps; ++r) {
            const std::vector<double> times = TimeCategories(record, false);
            double total = 0.0;
            for (size_t c = 0; c < 4; ++c) {
                perCategory[c].push_back(times[c]);
                total += times[c];
            }
            totals.push_back(total);
        }
        const CpuSeconds cpuAfter = ThreadCpu();
        const double t = Median(totals);
        const double perTriangle = 1e9 / record.triangleCount;
        std::printf("  %8u triangles: %.3f s (%.0f ns per triangle;", record.triangleCount, t, perTriangle * t);
        for (size_t c = 0; c < 4; ++c) {
            std::printf(" %s %.0f", kCategoryNames[c], perTriangle * Median(perCategory[c]));
        }
        // The system counts CPU time in ticks of a few ms, so the split is the
        // mean over all runs of the size rather than a median.
        std::printf("; user %.0f, system %.0f)\n", perTriangle * (cpuAfter.user - cpuBefore.user) / options.reps,
                    perTriangle * (cpuAfter.system - cpuBefore.system) / options.reps);
        Emit("torus", "default.total." + std::to_string(record.triangleCount), t);
        logN.push_back(std::log(static_cast<double>(record.triangleCount)));
        logT.push_back(std::log(t));
    }
    // The exponent of n log n fitted over the same sizes is the bound to
    // compare with: over a finite range n log n itself fits a power above 1.
    std::vector<double> logNLogN;
    for (double x : logN) {
        logNLogN.push_back(x + std::log(x));
    }
    const double exponent = FittedExponent(logN, logT);
    std::printf("  fitted exponent: time ~ n^%.3f (n log n over these sizes: n^%.3f)\n", exponent,
                FittedExponent(logN, logNLogN));
    Emit("torus", "scaling_exponent", exponent);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reps" && i + 1 < argc) {
            options.reps = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--peer" && i + 1 < argc) {
            options.peer = argv[++i];
        } else if (arg == "--json" && i + 1 < argc) {
            options.json = argv[++i];
        } else if (arg == "--only" && i + 1 < argc) {
            options.only = argv[++i];
        } else if (arg == "--scale") {
            options.scale = true;
        } else if (arg == "--locate") {
            options.locate = true;
        } else if (arg == "--fresh") {
            options.fresh = true;
        } else if (arg == "--large") {
            options.large = true;
        } else if (arg == "--command" && i + 1 < argc) {
            options.command = argv[++i];
        } else if (arg == "--fresh-child" && i + 2 < argc) {
            meshaudit::Progress().stream = std::fopen("/dev/null", "w");
            return FreshChild(argv[i + 1], argv[i + 2]);
        } else if (arg == "--reference") {
            options.reference = true;
        } else if (arg == "-h" || arg == "--help") {
            std::printf("usage: meshaudit_bench [--reps N] [--peer PATH] [--json OUT] [--scale] [--reference] [--locate] [--fresh] [--command PATH] [--large] [--only analyse|intersect|merge] FILE...\n");
            return 0;
        } else {
            options.files.push_back(arg);
        }
    }
    if (!options.json.empty()) {
        jsonOut.open(options.json);
    }
    // The progress line is not what is measured.
    meshaudit::Progress().stream = std::fopen("/dev/null", "w");

    std::vector<double> reference;
    const auto timeReference = [&options, &reference] {
        for (int r = 0; options.reference && r < options.reps; ++r) {
            reference.push_back(meshaudit::bench::MachineReferenceSeconds());
        }
    };
    timeReference();

    for (const std::string& file : options.files) {
        meshaudit::cli::MeshData data;
        MeshRecord record;
        if (!ReadRecord(file, data, record)) {
            return 2;
        }
        BenchFile(file, record, options);
    }
    if (options.scale) {
        BenchScaling(options);
    }
    if (options.large) {
        BenchLarge(options);
    }
    // Timed before and after the rest, so that a spell that slows the whole
    // run shows in the reference as well.
    timeReference();
    if (options.reference) {
        const double seconds = Median(reference);
        std::printf("\n== machine reference (fixed workload, not the library): %.3f s\n", seconds);
        Emit("machine", "reference", seconds);
    }
    return 0;
}
