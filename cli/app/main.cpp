// meshaudit: checks triangle meshes in STL, OBJ, PLY and OFF files with the
// meshaudit library, and repairs them.
#include "Commands.h"
#include "Settings.h"

#include "meshaudit.h"

#include <iostream>

namespace meshaudit::cli {

namespace {

constexpr const char* kUsage = R"(usage: meshaudit COMMAND [options]

commands:
  check [options] FILE|FOLDER...   check meshes against the settings; exit 0 when
                                   every judged quantity passes, 1 when one
                                   fails, 2 on an error
      --json                 one JSON document per file, one per line
      --settings FILE, -s    settings file (JSON; see 'meshaudit defaults')
      --jobs N, -j N         check N files at once (default: one per core)
      --quiet, -q            no progress line
      --color WHEN           colour the report: auto (default), always, never
  repair IN -o OUT [options]  write a repaired copy; repairs run in the order given
      --merge TOL            merge points within distance TOL
      --drop-invalid         drop triangles that repeat a point
      --ascii                write PLY or STL as text rather than binary
      --force, -f            allow OUT to be the input file
  defaults                   print the default settings as a settings file
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
    if (arg.size() > full.size() && arg.compare(0, full.size(), full) == 0 && arg[full.size()] == '=') {
        taken_ = full;
        inlineValue_ = arg.substr(full.size() + 1);
        hasInlineValue_ = true;
        ++position_;
        return true;
    }
    return false;
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
    if (!args.empty()) {
        throw UsageError("defaults takes no arguments");
    }
    std::cout << SettingsText(DefaultSettings());
    return 0;
}

}  // namespace meshaudit::cli

int main(int argc, char** argv)
{
    using namespace meshaudit::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    try {
        if (command == "check") {
            return RunCheck(args);
        }
        if (command == "repair") {
            return RunRepair(args);
        }
        if (command == "defaults") {
            return RunDefaults(args);
        }
        if (command == "help" || command == "--help" || command == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (command == "--version") {
            std::cout << "meshaudit " << MESHAUDIT_VERSION_MAJOR << '.' << MESHAUDIT_VERSION_MINOR << '.'
                      << MESHAUDIT_VERSION_PATCH << '\n';
            return 0;
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
