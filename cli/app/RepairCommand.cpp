// meshaudit repair IN -o OUT [--merge TOL] [--drop-invalid] [--ascii] [--force]
#include "Commands.h"
#include "Library.h"
#include "LoadError.h"
#include "MeshFiles.h"
#include "MeshWriters.h"
#include "Report.h"
#include "TextScan.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <filesystem>
#include <iostream>

namespace meshaudit::cli {

namespace {

struct RepairStep {
    enum class Kind { Merge, DropInvalid } kind;
    double tolerance = 0.0;
    bool relative = false;  // tolerance times the bounding-box diagonal
};

RepairStep ParseMerge(const std::string& text)
{
    const std::string prefix = "relative=";
    const bool relative = text.starts_with(prefix);
    double tolerance = 0.0;
    if (ParseDouble(relative ? text.substr(prefix.size()) : text, tolerance) != NumberStatus::Ok ||
        !std::isfinite(tolerance) || tolerance < 0.0) {
        throw UsageError("--merge takes a distance of 0 or more, or relative=F with F of 0 or more, not " +
                         Quoted(text));
    }
    return RepairStep{RepairStep::Kind::Merge, tolerance, relative};
}

std::string ParseOutput(const std::string& text)
{
    if (!FormatFromExtension(text)) {
        throw UsageError("repair: the output name must end in one of " + FormatExtensions() + ": " + Quoted(text));
    }
    return text;
}

// Each option once: its names, its value, its help and its parser.
struct RepairOptions : OptionSet {
    std::vector<RepairStep> steps;  // in the order given
    Option<std::string> output{*this, "--output", "-o", "OUT", "the file to write, in the format its extension names",
                               "", ParseOutput};
    Action merge{*this, "--merge", "", "TOL",
                 "merge points within distance TOL, or within relative=F times the bounding-box diagonal",
                 [this](const std::string& text) { steps.push_back(ParseMerge(text)); }};
    Action dropInvalid{*this, "--drop-invalid", "", "", "drop triangles that repeat a point",
                       [this](const std::string&) { steps.push_back(RepairStep{RepairStep::Kind::DropInvalid}); }};
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

std::string Change(const MeshData& before, const MeshData& after)
{
    return "points " + std::to_string(before.points.size()) + " -> " + std::to_string(after.points.size()) +
           ", triangles " + std::to_string(before.triangles.size()) + " -> " +
           std::to_string(after.triangles.size());
}

std::string Shortest(double value)
{
    char text[32];
    auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
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
    const MeshData original = mesh;
    if (options.steps.empty()) {
        std::cout << "no repair requested: the mesh is written as read\n";
    }
    for (const RepairStep& step : options.steps) {
        MeshData repaired;
        int code = 0;
        std::string what;
        if (step.kind == RepairStep::Kind::Merge) {
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
        std::cout << what << ": " << Change(mesh, repaired) << '\n';
        if (step.kind == RepairStep::Kind::Merge) {
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
    if (!options.steps.empty()) {
        std::cout << "in all: " << Change(original, mesh) << '\n';
    }
    return 0;
}

std::string Usage()
{
    return "Repairs run in the order given, each on the result of the one before; the formats are those of\n"
           "'meshaudit formats'.\n\noptions:\n" + RepairOptions().Help();
}

}  // namespace

const Command kRepairCommand{"repair", "IN -o OUT [options]",
                             "write a repaired copy of IN to OUT", Usage, RunRepair};

}  // namespace meshaudit::cli
