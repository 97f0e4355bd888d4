#include "Commands.h"

#include "MeshFiles.h"

#include <algorithm>

namespace meshaudit::cli {

namespace {

constexpr const Command* kCommands[] = {&kCheckCommand,    &kRepairCommand,  &kReportCommand, &kProfilesCommand,
                                        &kDefaultsCommand, &kFormatsCommand, &kHelpCommand,   &kVersionCommand};

std::string Synopsis(const Command& command)
{
    return std::string(command.name) + (*command.synopsis != '\0' ? " " : "") + command.synopsis;
}

}  // namespace

std::span<const Command* const> AllCommands()
{
    return kCommands;
}

const Command* FindCommand(std::string_view name)
{
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [name](const Command* command) { return name == command->name; });
    return found != std::end(kCommands) ? *found : nullptr;
}

std::string UsageOf(const Command& command)
{
    return "usage: meshaudit " + Synopsis(command) + "\n" + command.summary + "\n\n" + command.usage();
}

std::string Overview()
{
    size_t width = 0;
    for (const Command* command : kCommands) {
        width = std::max(width, Synopsis(*command).size());
    }
    std::string text = "usage: meshaudit COMMAND [options]\n\ncommands:\n";
    for (const Command* command : kCommands) {
        const std::string synopsis = Synopsis(*command);
        text += "  " + synopsis + std::string(width + 3 - synopsis.size(), ' ') + command->summary + "\n";
    }
    text += "\nformats: " + FormatExtensions(" ") + "; chosen by content and extension on input, by extension "
            "on output (see 'meshaudit formats')\n"
            "'meshaudit COMMAND --help' prints the options of a command.\n";
    return text;
}

}  // namespace meshaudit::cli
