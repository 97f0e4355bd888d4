// meshaudit repair IN -o OUT [steps] [--log LOG.json] [--ascii] [--force]
#include "Commands.h"
#include "Library.h"
#include "FileBytes.h"
#include "HeapPages.h"
#include "LoadError.h"
#include "MeshCheck.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "RepairLog.h"
#include "Report.h"
#include "TextScan.h"

#include "meshaudit_repair.hpp"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <filesystem>
#include <iostream>

namespace meshaudit::cli {

namespace {

struct LibraryRepair {
    enum class Kind { Merge, DropInvalid } kind;
    double tolerance = 0.0;
    bool relative = false;  // tolerance times the bounding-box diagonal
};

LibraryRepair ParseMerge(const std::string& text)
{
    const std::string prefix = "relative=";
    const bool relative = text.starts_with(prefix);
    double tolerance = 0.0;
    if (ParseDouble(relative ? text.substr(prefix.size()) : text, tolerance) != NumberStatus::Ok ||
        !std::isfinite(tolerance) || tolerance < 0.0) {
        throw UsageError("--merge takes a distance of 0 or more, or relative=F with F of 0 or more, not " +
                         Quoted(text));
    }
    return LibraryRepair{LibraryRepair::Kind::Merge, tolerance, relative};
}

std::string ParseOutput(const std::string& text)
{
    if (!FormatFromExtension(text)) {
        throw UsageError("repair: the output name must end in one of " + FormatExtensions() + ": " + Quoted(text));
    }
    return text;
}

std::string ParseLogName(const std::string& text)
{
    if (text.empty()) {
        throw UsageError("--log needs a file name");
    }
    return text;
}

// --min-shell N (triangles) or relative=F (times the bounding-box diagonal).
void ParseMinShell(const std::string& text, meshaudit::RepairRequest& request)
{
    const std::string prefix = "relative=";
    double value = 0.0;
    if (text.starts_with(prefix)) {
        if (ParseDouble(text.substr(prefix.size()), value) != NumberStatus::Ok || !std::isfinite(value) ||
            value < 0.0) {
            throw UsageError("--min-shell takes a triangle count, or relative=F with F of 0 or more, not " +
                             Quoted(text));
        }
        request.minShellSize = value;
        return;
    }
    uint32_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw UsageError("--min-shell takes a triangle count, or relative=F with F of 0 or more, not " + Quoted(text));
    }
    request.minShellTriangles = count;
}

// Each option once: its names, its value, its help and its parser.
struct RepairOptions : OptionSet {
    // --merge and --drop-invalid alone run the library's two repairs in the
    // order given; any other step flag, or none at all, runs the pipeline.
    std::vector<LibraryRepair> steps;  // in the order given
    uint32_t pipelineSteps = 0;
    meshaudit::RepairRequest request;
    // A step flag of the pipeline: selects the step.
    struct StepFlag : Action {
        StepFlag(RepairOptions& set, meshaudit::RepairStep step)
            : Action(set, FlagOf(step), "", "", DoesOf(step),
                     [&set, step](const std::string&) { set.pipelineSteps |= meshaudit::StepBit(step); })
        {
        }
        static const char* FlagOf(meshaudit::RepairStep step) { return RepairStepTexts()[static_cast<size_t>(step)].flag; }
        static const char* DoesOf(meshaudit::RepairStep step) { return RepairStepTexts()[static_cast<size_t>(step)].does; }
    };
    StepFlag nonFinite{*this, meshaudit::RepairStep::NonFinite};
    StepFlag degenerate{*this, meshaudit::RepairStep::Degenerate};
    StepFlag duplicates{*this, meshaudit::RepairStep::Duplicates};
    StepFlag nonManifold{*this, meshaudit::RepairStep::NonManifold};
    StepFlag stitch{*this, meshaudit::RepairStep::Stitch};
    StepFlag orient{*this, meshaudit::RepairStep::Orient};
    StepFlag fillHoles{*this, meshaudit::RepairStep::FillHoles};
    Action minShell{*this, "--min-shell", "", "N", "drop shells of fewer than N triangles, or smaller than relative=F "
                    "times the bounding-box diagonal",
                    [this](const std::string& text) {
                        ParseMinShell(text, request);
                        pipelineSteps |= meshaudit::StepBit(meshaudit::RepairStep::SmallShells);
                    }};
    Action dropInner{*this, "--drop-inner", "", "", "drop shells left inside another shell's material",
                     [this](const std::string&) {
                         request.dropInnerShells = true;
                         pipelineSteps |= meshaudit::StepBit(meshaudit::RepairStep::SmallShells);
                     }};
    StepFlag resolve{*this, meshaudit::RepairStep::ResolveIntersections};
    StepFlag unused{*this, meshaudit::RepairStep::UnusedPoints};
    // The whole pipeline named as steps, so that --merge, which alone runs
    // the library's merge, and --min-shell and --drop-inner, which alone run
    // step 9, set the settings of every step instead.
    Action all{*this, "--all", "", "",
               "run every step, as without step options: with --merge TOL, --min-shell or --drop-inner, the whole "
               "pipeline with those settings",
               [this](const std::string&) { pipelineSteps |= meshaudit::kAllRepairSteps; }};
    Option<std::string> log{*this, "--log", "", "LOG.json", "write every change, in the input's numbering", "",
                            ParseLogName};
    Option<std::string> output{*this, "--output", "-o", "OUT", "the file to write, in the format its extension names",
                               "", ParseOutput};
    Action merge{*this, "--merge", "", "TOL",
                 "merge points within distance TOL, or within relative=F times the bounding-box diagonal; "
                 "with other steps, the pipeline's merge within TOL",
                 [this](const std::string& text) { steps.push_back(ParseMerge(text)); }};
    Action dropInvalid{*this, "--drop-invalid", "", "", "drop triangles that repeat a point",
                       [this](const std::string&) { steps.push_back(LibraryRepair{LibraryRepair::Kind::DropInvalid}); }};
    Flag asRead{*this, "--no-repair", "", "write the mesh as read: a conversion between formats"};
    Flag ascii{*this, "--ascii", "", "write PLY or STL as text rather than binary"};
    Flag force{*this, "--force", "-f", "allow OUT to be the input file"};
    std::string input;
};

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

std::string Counts(const MeshData& mesh)
{
    return Plural(mesh.points.size(), "point") + ", " + Plural(mesh.triangles.size(), "triangle");
}

// The counts of a mesh, all that the summary lines compare.
struct Sizes {
    size_t points, triangles;
    explicit Sizes(const MeshData& mesh) : points(mesh.points.size()), triangles(mesh.triangles.size()) {}
};

std::string Change(const Sizes& before, const Sizes& after)
{
    return "points " + std::to_string(before.points) + " -> " + std::to_string(after.points) + ", triangles " +
           std::to_string(before.triangles) + " -> " + std::to_string(after.triangles);
}

std::string Shortest(double value)
{
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// The pipeline's steps on `mesh`, replaced by the result; says what each
// step changed, and writes the log when asked. False (said on standard
// error) when the repair failed or the log could not be written.
bool RunPipeline(RepairOptions& options, MeshData& mesh)
{
    meshaudit::RepairRequest request = options.request;
    request.steps = options.pipelineSteps == 0 ? meshaudit::kAllRepairSteps : options.pipelineSteps;
    for (const LibraryRepair& step : options.steps) {
        if (step.kind == LibraryRepair::Kind::Merge) {
            request.steps |= meshaudit::StepBit(meshaudit::RepairStep::MergePoints);
            request.tolerance = step.relative ? step.tolerance * ScaleOf(mesh).diagonal : step.tolerance;
        } else {
            request.steps |= meshaudit::StepBit(meshaudit::RepairStep::Degenerate);
        }
    }
    meshaudit::RepairResult result;
    const int32_t code = meshaudit::repair(RecordOf(mesh), request, result);
    if (code != 1) {
        std::cerr << "meshaudit: " << options.input << ": the repair failed (code " << code << ")"
                  << (code == -6 ? ": out of memory" : code == -5 ? ": a triangle names a point that is not there" : "")
                  << '\n';
        return false;
    }
    for (const std::string& line : RepairSummaryLines(result.log)) {
        std::cout << line << '\n';
    }
    if (!options.log->empty()) {
        nlohmann::ordered_json document = RepairLogJson(result.log);
        document["input"] = Utf8Escaped(options.input);
        document["output"] = Utf8Escaped(*options.output);
        try {
            WriteFileBytes(*options.log, JsonLine(document) + "\n");
        } catch (const LoadError& e) {
            std::cerr << "meshaudit: " << e.what() << '\n';
            return false;
        }
    }
    const std::string format = mesh.formatName;
    mesh = MeshData{};
    mesh.formatName = format;
    mesh.points = std::move(result.points);
    mesh.triangles = std::move(result.triangles);
    if (mesh.triangles.empty()) {
        std::cerr << "meshaudit: " << options.input << ": no triangles are left; nothing written\n";
        return false;
    }
    return true;
}

int RunRepair(const std::vector<std::string>& args)
{
    RepairOptions options;
    options.Parse(args, "repair", [&options](const std::string& input) {
        if (!options.input.empty()) {
            throw UsageError("repair: one input file only (" + Quoted(input) + " is a second)");
        }
        options.input = input;
    });
    if (options.input.empty()) {
        throw UsageError("repair: no input file given");
    }
    if (options.output->empty()) {
        throw UsageError("repair: no output file given (-o OUT)");
    }
    const std::string& output = *options.output;
    if (!options.force && SameFile(options.input, output)) {
        std::cerr << "meshaudit: " << output
                  << ": refusing to overwrite the input file (use --force to replace it)\n";
        return 2;
    }
    // One mesh read, repaired, written: its blocks on huge pages.
    HeapOnHugePages();
    MeshData mesh;
    try {
        mesh = ReadMeshFile(options.input);
    } catch (const LoadError& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
    std::cout << "read " << options.input << " (" << mesh.formatName << "): " << Counts(mesh) << '\n';
    for (const std::string& note : mesh.notes) {
        std::cout << "  note: " << note << '\n';
    }
    const Sizes original(mesh);  // not a copy of the mesh: a large one would cost its size again
    if (options.asRead && (options.pipelineSteps != 0 || !options.steps.empty())) {
        throw UsageError("repair: --no-repair takes no repair step");
    }
    const bool pipeline = !options.asRead && (options.pipelineSteps != 0 || options.steps.empty());
    if (pipeline && !RunPipeline(options, mesh)) {
        return 2;
    }
    for (const LibraryRepair& step : pipeline ? std::vector<LibraryRepair>{} : options.steps) {
        MeshData repaired;
        int code = 0;
        std::string what;
        if (step.kind == LibraryRepair::Kind::Merge) {
            const double distance = step.relative ? step.tolerance * ScaleOf(mesh).diagonal : step.tolerance;
            what = "merge points within " + Shortest(distance);
            if (step.relative) {
                what += " (" + Shortest(step.tolerance) + " x the box diagonal " + Shortest(ScaleOf(mesh).diagonal) +
                        ")";
            }
            code = MergePoints(mesh, distance, repaired);
        } else {
            what = "drop triangles that repeat a point";
            code = DropInvalidTriangles(mesh, repaired);
        }
        if (code != 0) {
            std::cerr << "meshaudit: " << options.input << ": " << what << " failed: the library returned "
                      << code << (code == -5 || code == -6 ? " (out of memory)" : "") << '\n';
            return 2;
        }
        std::cout << what << ": " << Change(Sizes(mesh), Sizes(repaired)) << '\n';
        if (step.kind == LibraryRepair::Kind::Merge) {
            const auto repeats = [](const TRIANGLE& t) { return t.a == t.b || t.b == t.c || t.a == t.c; };
            const bool degenerate = std::all_of(repaired.triangles.begin(), repaired.triangles.end(), repeats);
            if (repaired.points.size() < 3) {
                std::cerr << "meshaudit: warning: the merge leaves " << Plural(repaired.points.size(), "point")
                          << ": the tolerance is likely too large\n";
            } else if (degenerate && !repaired.triangles.empty()) {
                std::cerr << "meshaudit: warning: after the merge every triangle repeats a point: the tolerance is "
                             "likely too large\n";
            }
        }
        mesh = std::move(repaired);
        if (mesh.triangles.empty()) {
            std::cerr << "meshaudit: " << options.input << ": no triangles are left; nothing written\n";
            return 2;
        }
    }
    WriteOptions writeOptions;
    if (options.ascii) {
        writeOptions.plyEncoding = PlyEncoding::Ascii;
        writeOptions.stlAscii = true;
    }
    try {
        WriteMeshFile(output, mesh, writeOptions);
    } catch (const LoadError& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
    std::cout << "wrote " << output << " (" << EntryOf(*FormatFromExtension(output)).writtenAs(writeOptions)
              << "): " << Counts(mesh) << '\n';
    std::cout << "in all: " << Change(original, Sizes(mesh)) << '\n';
    return 0;
}

std::string Usage()
{
    return "Without step options, the whole pipeline runs, in its order: the result passes 'check' whenever\n"
           "that is possible without removing self-intersections. Step options run only those steps, in the\n"
           "pipeline's order; --merge and --drop-invalid alone run the library's own two repairs in the order\n"
           "given. --all runs every step with the settings given: --all --merge 1e-6 is the whole pipeline,\n"
           "merging points within 1e-6. No point is moved: every output point is an input point, or a merge\n"
           "of points within TOL. The formats are those of 'meshaudit formats'.\n\noptions:\n" + RepairOptions().Help();
}

}  // namespace

const Command kRepairCommand{"repair", "IN -o OUT [options]",
                             "write a repaired copy of IN to OUT", Usage, RunRepair};

}  // namespace meshaudit::cli
