// meshaudit help [COMMAND], meshaudit --version
#include "Commands.h"

#include "meshaudit.h"

#include <iostream>

namespace meshaudit::cli {

namespace {

int RunHelp(const std::vector<std::string>& args)
{
    OptionSet none;
    std::vector<std::string> named;
    none.Parse(args, "help", [&named](const std::string& name) { named.push_back(name); });
    if (named.size() > 1) {
        throw UsageError("help takes one command at most");
    }
    if (named.empty()) {
        std::cout << Overview();
        return 0;
    }
    const Command* command = FindCommand(named.front());
    if (command == nullptr) {
        throw UsageError("help: no command '" + named.front() + "'");
    }
    std::cout << UsageOf(*command);
    return 0;
}

int RunVersion(const std::vector<std::string>& args)
{
    OptionSet none;
    none.Parse(args, "--version", [](const std::string&) { throw UsageError("--version takes no arguments"); });
    std::cout << "meshaudit " << MESHAUDIT_VERSION_MAJOR << '.' << MESHAUDIT_VERSION_MINOR << '.'
              << MESHAUDIT_VERSION_PATCH << '\n';
    return 0;
}

std::string NoOptions()
{
    return "options:\n" + OptionSet().Help();
}

}  // namespace

const Command kHelpCommand{"help", "[COMMAND]", "print this help, or the usage of a command", NoOptions, RunHelp};
const Command kVersionCommand{"--version", "", "print the version", NoOptions, RunVersion};

}  // namespace meshaudit::cli
