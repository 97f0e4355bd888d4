// meshaudit: checks triangle meshes in STL, OBJ, PLY and OFF files with the
// meshaudit library, and repairs them.
#include "Commands.h"
#include "Settings.h"

#include "meshaudit.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace meshaudit::cli {

namespace {

constexpr const char* kUsage = R"(usage: meshaudit COMMAND [options]

commands:
  check [options] FILE|FOLDER...   check meshes against a profile; exit 0 when
                                   every judged quantity passes, 1 when one
                                   fails, 2 on an error
      --profile NAME, -p     closed (default), surface or library; see 'meshaudit profiles'
      --settings FILE, -s    settings file (JSON) refining the profile
      --where                list the first elements of each failing quantity
      --max-items N          at most N elements per quantity (default 100)
      --memory-limit SIZE    the most memory one check may hold (800M, 2G or none;
                             default: half the memory, shared by the jobs)
      --marked OUT.ply       write the mesh with a 'defects' bit field and a colour per point and face
      --json                 one JSON document per file, one per line
      --jobs N, -j N         check N files at once (default: one per core)
      --quiet, -q            no progress line
      --color WHEN           colour the report: auto (default), always, never
  repair IN -o OUT [options]  write a repaired copy; repairs run in the order given
      --merge TOL            merge points within distance TOL, or within
                             relative=F times the bounding-box diagonal
      --drop-invalid         drop triangles that repeat a point
      --ascii                write PLY or STL as text rather than binary
      --force, -f            allow OUT to be the input file
  report FILE -o OUT.html [options]  write the check as one HTML page that shows
                             the mesh and its defects in a browser, offline
      --profile, --settings, --max-items, --memory-limit   as for check
  profiles                   list the built-in profiles and what each judges
  defaults [--profile NAME]  print a profile's settings as a settings file
  help                       print this help
  --version                  print the version

Formats: STL (binary, ASCII), OBJ, PLY (ASCII, binary), OFF; chosen by content
and extension on input, by extension on output.
)";

}  // namespace

bool Arguments::AtOption() const
{
    const std::string& arg = args_[position_];
    return !optionsEnded_ && arg.size() > 1 && arg[0] == '-';
}

bool Arguments::Take(const char* name, const char* shortName)
{
    if (Done() || !AtOption()) {
        return false;
    }
    const std::string& arg = args_[position_];
    const std::string full(name);
    hasInlineValue_ = false;
    if (arg == full || (shortName != nullptr && arg == shortName)) {
        taken_ = arg;
        ++position_;
        return true;
    }
    // "-j2": a short option with its value attached.
    const size_t shortSize = shortName != nullptr ? std::strlen(shortName) : 0;
    if (shortSize == 2 && arg.size() > 2 && arg.compare(0, 2, shortName) == 0) {
        taken_ = shortName;
        inlineValue_ = arg.substr(2);
        hasInlineValue_ = true;
        ++position_;
        return true;
    }
    if (arg.size() > full.size() && arg.compare(0, full.size(), full) == 0 && arg[full.size()] == '=') {
        taken_ = full;
        inlineValue_ = arg.substr(full.size() + 1);
        hasInlineValue_ = true;
        ++position_;
        return true;
    }
    return false;
}

bool Arguments::Flag(const char* name, const char* shortName)
{
    if (!Take(name, shortName)) {
        return false;
    }
    if (hasInlineValue_) {
        throw UsageError(taken_ + " takes no value");
    }
    return true;
}

std::string Arguments::Value()
{
    if (hasInlineValue_) {
        hasInlineValue_ = false;
        return inlineValue_;
    }
    if (Done()) {
        throw UsageError(taken_ + " needs a value");
    }
    return args_[position_++];
}

std::string Arguments::Positional()
{
    return args_[position_++];
}

bool Arguments::EndOfOptions()
{
    if (!optionsEnded_ && args_[position_] == "--") {
        optionsEnded_ = true;
        ++position_;
        return true;
    }
    return false;
}

int RunDefaults(const std::vector<std::string>& args)
{
    Arguments in(args);
    std::string profile = kDefaultProfile;
    while (!in.Done()) {
        if (in.Take("--profile", "-p")) {
            profile = in.Value();
        } else {
            throw UsageError("defaults takes only --profile NAME");
        }
    }
    std::cout << SettingsText(ProfileSettings(profile));
    return 0;
}

int RunProfiles(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        throw UsageError("profiles takes no arguments");
    }
    for (const Profile& profile : Profiles()) {
        std::cout << profile.name << (profile.name == std::string(kDefaultProfile) ? " (default)" : "") << ": "
                  << profile.summary << '\n';
        const Settings settings = ProfileSettings(profile.name);
        // What it judges: every enabled quantity with a criterion.
        for (Category category : kCategories) {
            std::string judged;
            for (const Quantity& q : QuantitiesOf(category)) {
                if (q.criterion != CriterionKind::None && EnableByte(settings, q) != 0) {
                    judged += (judged.empty() ? "" : ", ") + std::string(q.name);
                }
            }
            std::cout << "  " << CategoryKey(category) << ": " << judged << '\n';
        }
        std::cout << "  settings: meshaudit defaults --profile " << profile.name << '\n';
    }
    return 0;
}

// Whatever a command printed must have reached standard output: a full
// disk or a closed pipe is an error like any other.
int Finish(int status)
{
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        // The stream keeps no errno; a full disk or a closed pipe fails
        // again the same way, and that names the cause.
        errno = 0;
        const int error = ::write(STDOUT_FILENO, "\n", 1) < 0 ? errno : 0;
        std::cerr << "meshaudit: cannot write to standard output: "
                  << (error != 0 ? std::strerror(error) : "write failed") << '\n';
        return 2;
    }
    return status;
}

}  // namespace meshaudit::cli

int main(int argc, char** argv)
{
    using namespace meshaudit::cli;
    // A reader that goes away (`meshaudit check ... | head -1`) makes writes
    // fail with EPIPE, reported like any other write error, rather than
    // killing the command silently.
    std::signal(SIGPIPE, SIG_IGN);
#ifdef __GLIBC__
    // The allocator's defaults hand freed memory back to the system as soon
    // as a little is free at the top of the heap, and map every block above
    // 128 KiB on its own: a worker checking file after file then faulted in
    // fresh pages for every file (60 faults each on 2,000-triangle files, a
    // third of its time, and the part that scaled worst with two workers at
    // once). Blocks up to 32 MiB now come from the heap, and up to 64 MiB of
    // free heap stays for the next file; larger blocks are still mapped and
    // returned one by one.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        if (command == "check") {
            return Finish(RunCheck(args));
        }
        if (command == "repair") {
            return Finish(RunRepair(args));
        }
        if (command == "report") {
            return Finish(RunReport(args));
        }
        if (command == "defaults") {
            return Finish(RunDefaults(args));
        }
        if (command == "profiles") {
            return Finish(RunProfiles(args));
        }
        if (command == "help" || command == "--help" || command == "-h") {
            std::cout << kUsage;
            return Finish(0);
        }
        if (command == "--version") {
            std::cout << "meshaudit " << MESHAUDIT_VERSION_MAJOR << '.' << MESHAUDIT_VERSION_MINOR << '.'
                      << MESHAUDIT_VERSION_PATCH << '\n';
            return Finish(0);
        }
        throw UsageError("unknown command " + std::string("'") + command + "'");
    } catch (const UsageError& e) {
        std::cerr << "meshaudit: " << e.what() << " (see 'meshaudit help')\n";
        return 2;
    } catch (const SettingsError& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "meshaudit: " << e.what() << '\n';
        return 2;
    }
}
