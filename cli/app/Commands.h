// The command's subcommands, one file each (its options, its help and its
// run function together), listed in one table from which `meshaudit help`
// and the dispatch in main.cpp are derived.
#pragma once

#include "Options.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace meshaudit::cli {

struct Command {
    const char* name;      // "check"
    const char* synopsis;  // "[options] FILE|FOLDER..."
    const char* summary;   // one line for `meshaudit help`
    // The rest of its usage: what it does beyond the summary, and its
    // options (from its options class).
    std::string (*usage)();
    // Takes the arguments after the name and returns the exit status;
    // throws UsageError or HelpRequested for what the dispatcher reports.
    int (*run)(const std::vector<std::string>& args);
};

extern const Command kCheckCommand;
extern const Command kRepairCommand;
extern const Command kReportCommand;
extern const Command kProfilesCommand;
extern const Command kDefaultsCommand;
extern const Command kFormatsCommand;
extern const Command kHelpCommand;
extern const Command kVersionCommand;

// Every command, in the order `meshaudit help` lists them.
std::span<const Command* const> AllCommands();
// The command called `name`, or nullptr.
const Command* FindCommand(std::string_view name);
// "usage: meshaudit check [options] FILE|FOLDER...", its summary and the
// rest of its usage.
std::string UsageOf(const Command& command);
// `meshaudit help`: every command with its summary.
std::string Overview();

}  // namespace meshaudit::cli
