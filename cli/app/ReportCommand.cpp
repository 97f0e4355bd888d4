// meshaudit report [options] FILE -o OUT.html
#include "Commands.h"
#include "FileBytes.h"
#include "HtmlReport.h"
#include "JudgeOptions.h"
#include "Library.h"
#include "LoadError.h"
#include "MeshFiles.h"
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

}  // namespace

int RunReport(const std::vector<std::string>& args)
{
    Arguments in(args);
    JudgeOptions judge;
    std::string input, output;
    bool quiet = false;
    while (!in.Done()) {
        if (in.EndOfOptions()) {
            continue;
        }
        if (!in.AtOption()) {
            if (!input.empty()) {
                throw UsageError("report takes one mesh file, not " + Quoted(input) + " and " + Quoted(in.Peek()));
            }
            input = in.Positional();
        } else if (in.Take("--output", "-o")) {
            output = in.Value();
        } else if (in.Flag("--quiet", "-q")) {
            quiet = true;
        } else if (!judge.Take(in)) {
            throw UsageError("report: unknown option " + Quoted(in.Peek()));
        }
    }
    if (input.empty() || output.empty()) {
        throw UsageError("report needs a mesh file and -o OUT.html");
    }
    std::error_code error;
    if (fs::equivalent(input, output, error)) {
        throw UsageError("report: -o names the mesh file itself");
    }
    ReportPage page{judge.profile, judge.settingsPath, {}};
    const Settings settings = judge.Load();
    const std::string pageTemplate = ReadPageTemplate();

    std::vector<MeshData> meshes;
    try {
        meshes = ReadMeshFileObjects(input);
    } catch (const LoadError& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
    AnalyseRequest request;
    request.locate = true;
    request.maxItems = judge.maxItems;
    request.memoryLimit = judge.MemoryLimit(1);
    request.showProgress = !quiet && StderrIsTerminal();
    int status = 0;
    for (const MeshData& mesh : meshes) {
        ReportView view;
        view.mesh = &mesh;
        view.outcome = AnalyseMesh(input, mesh, settings, request, &view.marks);
        if (view.outcome.status != FileOutcome::Status::Analysed) {
            std::cerr << "meshaudit: " << view.outcome.error << '\n';
            return 2;
        }
        status = std::max(status, ExitStatusOf(view.outcome));
        page.views.push_back(std::move(view));
    }
    try {
        WriteFileBytes(output, RenderHtmlReport(pageTemplate, page));
    } catch (const LoadError& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
    return status;
}

}  // namespace meshaudit::cli
