// meshaudit report [options] FILE -o OUT.html
#include "Commands.h"
#include "FileBytes.h"
#include "HtmlReport.h"
#include "JudgeOptions.h"
#include "Library.h"
#include "LoadError.h"
#include "MeshFiles.h"
#include "PlateCheck.h"
#include "RepairPreview.h"
#include "Terminal.h"
#include "TextScan.h"
#include "Verdict.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#ifndef MESHAUDIT_PAGE_FROM_BIN
#define MESHAUDIT_PAGE_FROM_BIN "../share/meshaudit"
#endif

namespace meshaudit::cli {

namespace {

namespace fs = std::filesystem;

// The page template, installed beside the command (share/meshaudit/ next to
// bin/, and the same way in the build tree). It is built by
// scripts/viewer.sh, which a quick build of the command skips.
std::string ReadPageTemplate()
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path page = (self.parent_path() / MESHAUDIT_PAGE_FROM_BIN / "report.html").lexically_normal();
    try {
        return ReadFileBytes(page.string());
    } catch (const LoadError&) {
        throw std::runtime_error("report: the report page is not built (no " + page.string() +
                                 "): run 'bash scripts/viewer.sh', then build (or install) meshaudit again");
    }
}

// The page is HTML: a name that says otherwise is more likely a slip (the
// mesh's own name, a .ply meant for --marked) than a wish.
std::string ParseHtmlName(const std::string& text)
{
    std::string lower = text;
    for (char& c : lower) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (!lower.ends_with(".html") && !lower.ends_with(".htm")) {
        throw UsageError("report writes HTML: the name must end in .html or .htm, not " + Quoted(text));
    }
    return text;
}

// Each option once: its names, its value, its help and its parser.
struct ReportOptions : OptionSet {
    JudgeOptions judge{*this};
    Option<std::string> output{*this, "--output", "-o", "OUT.html", "the page to write", "", ParseHtmlName};
    Flag quiet{*this, "--quiet", "-q", "no progress line"};
    Flag repairPreview{*this, "--repair-preview", "", "also show the mesh as 'repair' would leave it, with what it changes"};
    std::string input;
};

int RunReport(const std::vector<std::string>& args)
{
    ReportOptions options;
    options.Parse(args, "report", [&options](const std::string& input) {
        if (!options.input.empty()) {
            throw UsageError("report takes one mesh file, not " + Quoted(options.input) + " and " + Quoted(input));
        }
        options.input = input;
    });
    const std::string& input = options.input;
    const std::string& output = *options.output;
    const JudgeOptions& judge = options.judge;
    if (input.empty() || output.empty()) {
        throw UsageError("report needs a mesh file and -o OUT.html");
    }
    std::error_code error;
    if (fs::equivalent(input, output, error)) {
        throw UsageError("report: -o names the mesh file itself");
    }
    ReportPage page{*judge.profile, *judge.settingsPath, {}};
    const Settings settings = judge.Load();
    const std::string pageTemplate = ReadPageTemplate();

    FileMeshes file;
    try {
        file = ReadFileMeshes(input, settings);
    } catch (const LoadError& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
    AnalyseRequest request;
    request.locate = true;
    request.maxItems = *judge.maxItems;
    request.memoryLimit = judge.MemoryLimit(1);
    request.showProgress = !options.quiet && StderrIsTerminal();
    int status = 0;
    for (const MeshData& mesh : file.meshes) {
        ReportView view;
        view.mesh = &mesh;
        view.outcome = AnalyseMesh(input, mesh, settings, request, &view.marks);
        if (view.outcome.status != FileOutcome::Status::Analysed) {
            std::cerr << "meshaudit: " << view.outcome.error << '\n';
            return 2;
        }
        status = std::max(status, ExitStatusOf(view.outcome));
        if (options.repairPreview) {
            // The repaired mesh is judged as `check` would judge the output
            // of `repair`; its element lists are not shown, only its verdict.
            MeshData repaired;
            view.repair = PreviewRepair(mesh, repaired);
            if (view.repair->error.empty()) {
                AnalyseRequest after = request;
                after.locate = false;
                after.showProgress = false;
                view.repair->outcome = AnalyseMesh(input, repaired, settings, after);
            }
        }
        page.views.push_back(std::move(view));
    }
    if (file.items.size() >= 2) {
        page.plate = CheckPlate(input, file.items, settings, true, request.maxItems);
        if (page.plate->status != FileOutcome::Status::Analysed) {
            std::cerr << "meshaudit: " << page.plate->error << '\n';
            return 2;
        }
        status = std::max(status, ExitStatusOf(*page.plate));
    }
    try {
        WriteFileBytes(output, RenderHtmlReport(pageTemplate, page));
    } catch (const LoadError& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
    return status;
}

std::string Usage()
{
    return "The page shows the mesh and its defects in a browser, offline; it exits as check does.\n\noptions:\n" +
           ReportOptions().Help();
}

}  // namespace

const Command kReportCommand{"report", "FILE -o OUT.html [options]",
                             "write the check of FILE as one HTML page that shows the mesh and its defects", Usage,
                             RunReport};

}  // namespace meshaudit::cli
