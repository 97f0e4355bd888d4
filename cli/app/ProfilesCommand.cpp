// meshaudit profiles
#include "Commands.h"
#include "Settings.h"

#include <iostream>

namespace meshaudit::cli {

namespace {

int RunProfiles(const std::vector<std::string>& args)
{
    OptionSet none;
    none.Parse(args, "profiles", [](const std::string&) { throw UsageError("profiles takes no arguments"); });
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

std::string Usage()
{
    return "Each profile is a settings file of its own; 'meshaudit defaults --profile NAME' prints it.\n\noptions:\n" +
           OptionSet().Help();
}

}  // namespace

const Command kProfilesCommand{"profiles", "", "list the built-in profiles and the quantities each judges", Usage,
                               RunProfiles};

}  // namespace meshaudit::cli
