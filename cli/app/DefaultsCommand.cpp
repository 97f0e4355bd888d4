// meshaudit defaults [--profile NAME]
#include "Commands.h"
#include "Settings.h"

#include <iostream>

namespace meshaudit::cli {

namespace {

struct DefaultsOptions : OptionSet {
    Option<std::string> profile{*this, "--profile", "-p", "NAME", std::string("the profile to print (default: ") + kDefaultProfile + ")",
                                kDefaultProfile, Text};
};

int RunDefaults(const std::vector<std::string>& args)
{
    DefaultsOptions options;
    options.Parse(args, "defaults", [](const std::string&) { throw UsageError("defaults takes only --profile NAME"); });
    std::cout << SettingsText(ProfileSettings(*options.profile));
    return 0;
}

std::string Usage()
{
    return "The output is a settings file (--settings) with every key, to start from.\n\noptions:\n" +
           DefaultsOptions().Help();
}

}  // namespace

const Command kDefaultsCommand{"defaults", "[--profile NAME]", "print a profile's settings as a settings file", Usage,
                               RunDefaults};

}  // namespace meshaudit::cli
