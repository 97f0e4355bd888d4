// meshaudit check [options] FILE|FOLDER...
#include "Commands.h"
#include "JudgeOptions.h"
#include "Library.h"
#include "MeshFiles.h"
#include "Outcome.h"
#include "Report.h"
#include "Settings.h"
#include "Terminal.h"
#include "TextScan.h"
#include "Verdict.h"
#include "WorkerPool.h"

#include <algorithm>
#include <optional>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace meshaudit::cli {

namespace {

namespace fs = std::filesystem;

struct CheckOptions {
    bool json = false;
    bool quiet = false;
    unsigned jobs = 0;  // 0: one per core
    ColourMode colour = ColourMode::Auto;
    Settings settings;
    AnalyseRequest request;
    JudgeOptions judge;
    std::vector<std::string> paths;
};

unsigned ParseJobs(const std::string& text)
{
    int64_t value = 0;
    if (ParseInteger(text, value) != NumberStatus::Ok || value < 1 || value > 1024) {
        throw UsageError("--jobs takes a whole number from 1 to 1024, not " + Quoted(text));
    }
    return static_cast<unsigned>(value);
}

CheckOptions ParseCheckOptions(const std::vector<std::string>& args)
{
    CheckOptions options;
    Arguments in(args);
    JudgeOptions& judge = options.judge;
    while (!in.Done()) {
        if (in.EndOfOptions()) {
            continue;
        }
        if (!in.AtOption()) {
            options.paths.push_back(in.Positional());
        } else if (in.Flag("--json")) {
            options.json = true;
        } else if (in.Flag("--quiet", "-q")) {
            options.quiet = true;
        } else if (in.Take("--jobs", "-j")) {
            options.jobs = ParseJobs(in.Value());
        } else if (judge.Take(in)) {
            continue;
        } else if (in.Flag("--where")) {
            options.request.locate = true;
        } else if (in.Take("--marked")) {
            options.request.markedPath = in.Value();
            if (options.request.markedPath.size() < 4 ||
                options.request.markedPath.compare(options.request.markedPath.size() - 4, 4, ".ply") != 0) {
                throw UsageError("--marked writes PLY: the name must end in .ply, not " +
                                 Quoted(options.request.markedPath));
            }
        } else if (in.Take("--color")) {
            const std::string mode = in.Value();
            if (!ParseColourMode(mode, options.colour)) {
                throw UsageError("--color takes auto, always or never, not " + Quoted(mode));
            }
        } else {
            throw UsageError("check: unknown option " + Quoted(in.Peek()));
        }
    }
    if (options.paths.empty()) {
        throw UsageError("check: no file given");
    }
    options.settings = judge.Load();
    options.request.maxItems = judge.maxItems;
    if (options.jobs == 0) {
        const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
        options.jobs = cores > 0 ? static_cast<unsigned>(cores) : 1;
    }
    return options;
}

// The files to check: each argument that names a folder stands for the mesh
// files beneath it (by extension, sorted); every other argument is a file.
// A folder without mesh files is an error of its own.
std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths, std::vector<std::string>& errors)
{
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!fs::is_directory(path, error)) {
            files.push_back(path);
            continue;
        }
        std::vector<std::string> found;
        fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_regular_file(error) && FormatFromExtension(it->path().string())) {
                found.push_back(it->path().string());
            }
        }
        if (error) {
            errors.push_back(path + ": cannot list the folder: " + error.message());
            continue;
        }
        if (found.empty()) {
            errors.push_back(path + ": no mesh files (" + FormatExtensions() + ") in the folder");
            continue;
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args)
{
    const CheckOptions options = ParseCheckOptions(args);
    std::vector<std::string> errors;
    const std::vector<std::string> files = ExpandPaths(options.paths, errors);
    if (!options.request.markedPath.empty() && (files.size() != 1 || !errors.empty())) {
        throw UsageError("--marked takes exactly one mesh file to check");
    }
    const bool colour = !options.json && UseColour(options.colour);
    int status = 0;
    size_t passed = 0, failed = 0, broken = 0;
    size_t reports = 0;  // text reports shown, one per file or 3MF object

    // A file's verdict is the worst of its objects'.
    auto count = [&](int fileStatus) {
        status = std::max(status, fileStatus);
        (fileStatus == 0 ? passed : fileStatus == 1 ? failed : broken) += 1;
    };
    auto emit = [&](const FileOutcome& outcome) {
        if (options.json) {
            std::cout << JsonLine(RenderJson(outcome, outcome.used)) << '\n' << std::flush;
        } else if (outcome.status == FileOutcome::Status::Failed) {
            std::cout << std::flush;
            std::cerr << "meshaudit: " << outcome.error << '\n' << std::flush;
        } else {
            std::cout << (reports++ > 0 ? "\n" : "") << RenderText(outcome, outcome.used, colour)
                      << std::flush;
        }
        if (!outcome.writeError.empty()) {
            std::cout << std::flush;
            std::cerr << "meshaudit: " << outcome.writeError << '\n' << std::flush;
        }
    };
    for (const std::string& error : errors) {
        FileOutcome outcome;
        outcome.file = error.substr(0, error.find(": "));
        outcome.error = error;
        count(ExitStatusOf(outcome));
        emit(outcome);
    }

    // One file at a time may draw the library's progress line; with several
    // workers at once their lines would mix.
    const unsigned jobs = std::min<unsigned>(options.jobs, static_cast<unsigned>(std::max<size_t>(files.size(), 1)));
    AnalyseRequest request = options.request;
    request.showProgress = !options.quiet && jobs == 1 && StderrIsTerminal();
    request.memoryLimit = options.judge.MemoryLimit(jobs);
    RunInWorkers(
        files.size(), jobs,
        [&](size_t i) { return EncodeOutcomes(AnalyseFileObjects(files[i], options.settings, request)); },
        [&](size_t i, WorkerResult&& result) {
            std::vector<FileOutcome> outcomes(1);
            outcomes[0].file = files[i];
            if (!result.completed) {
                outcomes[0].error = files[i] + ": the worker checking it crashed: " + result.failure;
            } else if (!DecodeOutcomes(result.bytes, outcomes)) {
                outcomes[0].error = files[i] + ": the worker checking it sent an incomplete result";
            }
            int worst = 0;
            for (const FileOutcome& outcome : outcomes) {
                worst = std::max(worst, ExitStatusOf(outcome));
                emit(outcome);
            }
            count(worst);
        });

    const size_t total = passed + failed + broken;
    if (!options.json && total > 1) {
        std::cout << "\nchecked " << total << " files: " << passed << " passed, " << failed << " failed, "
                  << Plural(broken, "error") << '\n';
    }
    return status;
}

}  // namespace meshaudit::cli
