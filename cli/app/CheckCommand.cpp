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
#include <filesystem>
#include <iostream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace meshaudit::cli {

namespace {

namespace fs = std::filesystem;

unsigned ParseJobs(const std::string& text)
{
    int64_t value = 0;
    if (ParseInteger(text, value) != NumberStatus::Ok || value < 1 || value > 1024) {
        throw UsageError("--jobs takes a whole number from 1 to 1024, not " + Quoted(text));
    }
    return static_cast<unsigned>(value);
}

std::string ParseMarked(const std::string& text)
{
    if (!text.ends_with(".ply")) {
        throw UsageError("--marked writes PLY: the name must end in .ply, not " + Quoted(text));
    }
    return text;
}

ColourMode ParseColour(const std::string& text)
{
    ColourMode mode = ColourMode::Auto;
    if (!ParseColourMode(text, mode)) {
        throw UsageError("--color takes auto, always or never, not " + Quoted(text));
    }
    return mode;
}

// Each option once: its names, its value, its help and its parser.
struct CheckOptions : OptionSet {
    JudgeOptions judge{*this};
    Flag where{*this, "--where", "", "list the first elements of each failing quantity (implies --full)"};
    Option<std::string> marked{*this, "--marked", "", "OUT.ply",
                               "write the mesh with a 'defects' bit field and a colour per point and face", "",
                               ParseMarked};
    Flag json{*this, "--json", "", "one JSON document per file, one per line"};
    Flag full{*this, "--full", "", "the full report of every file, not one line each when there are several"};
    Option<unsigned> jobs{*this, "--jobs", "-j", "N", "check N files at once (default: one per core)", 0, ParseJobs};
    Flag quiet{*this, "--quiet", "-q", "no progress line"};
    Option<ColourMode> colour{*this, "--color", "", "WHEN", "colour the report: auto (default), always, never",
                              ColourMode::Auto, ParseColour};
    std::vector<std::string> paths;
};

// A folder's identity on its device, so that a folder reached again through
// a symbolic link (a link to an ancestor makes a loop) is listed once.
struct FolderId {
    dev_t device;
    ino_t inode;
    auto operator<=>(const FolderId&) const = default;
};

std::optional<FolderId> IdOf(const fs::path& folder)
{
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return FolderId{status.st_dev, status.st_ino};
}

// Adds the mesh files beneath `folder` to `found`, its entries in name
// order, each folder it reaches (through a symbolic link too) only the first
// time: a link to an ancestor makes no loop, and a folder linked twice is
// listed under the first name reached. Leaves `error` set when a folder
// cannot be listed (one that may not be read is skipped).
void Walk(const fs::path& folder, std::set<FolderId>& seen, std::vector<std::string>& found, std::error_code& error)
{
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::directory_iterator(); it.increment(error)) {
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::directory_entry& entry : entries) {
        // A broken link, or an entry gone since it was listed, is no mesh
        // file and no reason to stop.
        std::error_code ignored;
        if (error) {
            return;
        }
        if (entry.is_directory(ignored)) {
            const std::optional<FolderId> id = IdOf(entry.path());
            if (id && seen.insert(*id).second) {
                Walk(entry.path(), seen, found, error);
            }
        } else if (entry.is_regular_file(ignored) && FormatFromExtension(entry.path().string())) {
            found.push_back(entry.path().string());
        }
    }
}

// The files to check: each argument that names a folder stands for the mesh
// files beneath it (by the extensions of the table of formats, sorted);
// every other argument is a file. A folder that cannot be listed or holds
// no mesh file is an error of its own, as a Failed outcome.
std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths, std::vector<FileOutcome>& errors)
{
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!fs::is_directory(path, error)) {
            files.push_back(path);
            continue;
        }
        std::vector<std::string> found;
        std::set<FolderId> seen;
        if (const std::optional<FolderId> id = IdOf(path)) {
            seen.insert(*id);
        }
        Walk(path, seen, found, error);
        if (error || found.empty()) {
            FileOutcome& failure = errors.emplace_back();
            failure.file = path;
            failure.error = path + (error ? ": cannot list the folder: " + error.message()
                                          : ": no mesh files (" + FormatExtensions() + ") in the folder");
            continue;
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

int RunCheck(const std::vector<std::string>& args)
{
    CheckOptions options;
    options.Parse(args, "check", [&options](const std::string& path) { options.paths.push_back(path); });
    if (options.paths.empty()) {
        throw UsageError("check: no file given");
    }
    const Settings settings = options.judge.Load();
    std::vector<FileOutcome> errors;
    const std::vector<std::string> files = ExpandPaths(options.paths, errors);
    if (!options.marked->empty() && (files.size() != 1 || !errors.empty())) {
        throw UsageError("--marked takes exactly one mesh file to check");
    }
    const bool json = static_cast<bool>(options.json);
    const bool colour = !json && UseColour(*options.colour);
    // Several files: a line each, unless the tables (or their element
    // lists) were asked for.
    const bool oneLine = !json && !options.full && !options.where && files.size() + errors.size() > 1;
    size_t fileWidth = 0;
    for (const std::string& file : files) {
        fileWidth = std::max(fileWidth, file.size());
    }
    for (const FileOutcome& error : errors) {
        fileWidth = std::max(fileWidth, error.file.size());
    }
    int status = 0;
    size_t passed = 0, failed = 0, broken = 0;
    size_t reports = 0;  // full text reports shown, one per file or 3MF object

    // A file's verdict is the worst of its objects'.
    auto emit = [&](const std::vector<FileOutcome>& outcomes) {
        int worst = 0;
        for (const FileOutcome& outcome : outcomes) {
            worst = std::max(worst, ExitStatusOf(outcome));
        }
        status = std::max(status, worst);
        (worst == 0 ? passed : worst == 1 ? failed : broken) += 1;
        if (oneLine) {
            std::cout << RenderLine(outcomes, fileWidth, colour) << std::flush;
        }
        for (const FileOutcome& outcome : outcomes) {
            if (oneLine) {
                break;
            }
            if (json) {
                std::cout << JsonLine(RenderJson(outcome)) << '\n' << std::flush;
            } else if (outcome.status == FileOutcome::Status::Failed) {
                std::cout << std::flush;
                std::cerr << "meshaudit: " << outcome.error << '\n' << std::flush;
            } else {
                std::cout << (reports++ > 0 ? "\n" : "") << RenderText(outcome, colour) << std::flush;
            }
            if (!outcome.writeError.empty()) {
                std::cout << std::flush;
                std::cerr << "meshaudit: " << outcome.writeError << '\n' << std::flush;
            }
        }
        EndIfReaderGone();
    };
    for (const FileOutcome& error : errors) {
        emit({error});
    }

    // One file at a time may draw the library's progress line; with several
    // workers at once their lines would mix.
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    const unsigned wanted = *options.jobs != 0 ? *options.jobs : cores > 0 ? static_cast<unsigned>(cores) : 1;
    const unsigned jobs = std::min<unsigned>(wanted, static_cast<unsigned>(std::max<size_t>(files.size(), 1)));
    AnalyseRequest request;
    request.locate = static_cast<bool>(options.where);
    request.maxItems = *options.judge.maxItems;
    request.markedPath = *options.marked;
    request.showProgress = !options.quiet && jobs == 1 && StderrIsTerminal();
    request.memoryLimit = options.judge.MemoryLimit(jobs);
    RunInWorkers(
        files.size(), jobs,
        [&](size_t i) { return EncodeOutcomes(AnalyseFileObjects(files[i], settings, request)); },
        [&](size_t i, WorkerResult&& result) {
            std::vector<FileOutcome> outcomes(1);
            outcomes[0].file = files[i];
            if (!result.completed) {
                outcomes[0].error = files[i] + ": the worker checking it crashed: " + result.failure;
            } else if (!DecodeOutcomes(result.bytes, outcomes)) {
                outcomes[0].error = files[i] + ": the worker checking it sent an incomplete result";
            }
            emit(outcomes);
        });

    const size_t total = passed + failed + broken;
    if (!json && total > 1) {
        std::cout << "\nchecked " << total << " files: " << passed << " passed, " << failed << " failed, "
                  << Plural(broken, "error") << '\n';
    }
    return status;
}

std::string Usage()
{
    return "A folder stands for the mesh files beneath it (" + FormatExtensions() +
           "), sorted; symbolic links\nto folders are followed, each folder once. One file gets the full report, "
           "several a line each\n(verdict, file, failures) and a total. Exit status: 0 when every judged quantity "
           "of every file\npasses, 1 when one fails, 2 on an error.\n\noptions:\n" +
           CheckOptions().Help();
}

}  // namespace

const Command kCheckCommand{"check", "[options] FILE|FOLDER...", "check meshes against a profile", Usage, RunCheck};

}  // namespace meshaudit::cli
