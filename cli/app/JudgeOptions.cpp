#include "JudgeOptions.h"

#include "MemorySize.h"
#include "TextScan.h"

namespace meshaudit::cli {

namespace {

uint64_t ParseMaxItems(const std::string& text)
{
    int64_t value = 0;
    if (ParseInteger(text, value) != NumberStatus::Ok || value < 0) {
        throw UsageError("--max-items takes a whole number of 0 or more, not " + Quoted(text));
    }
    return static_cast<uint64_t>(value);
}

std::optional<uint64_t> ParseMemoryLimit(const std::string& text)
{
    std::optional<uint64_t> limit = ParseMemorySize(text);
    if (!limit) {
        throw UsageError("--memory-limit takes a size of 1M or more (800M, 2G) or none, not " + Quoted(text));
    }
    return limit;
}

std::string ProfileHelp()
{
    std::string names;
    for (const Profile& p : Profiles()) {
        names += (names.empty() ? "" : ", ") + std::string(p.name) +
                 (p.name == std::string(kDefaultProfile) ? " (default)" : "");
    }
    return names + "; see 'meshaudit profiles'";
}

}  // namespace

JudgeOptions::JudgeOptions(OptionSet& set)
    : profile(set, "--profile", "-p", "NAME", ProfileHelp(), kDefaultProfile, Text),
      settingsPath(set, "--settings", "-s", "FILE", "settings file (JSON) refining the profile", "", Text),
      maxItems(set, "--max-items", "", "N", "at most N elements per quantity (default 100)", 100, ParseMaxItems),
      memoryLimit(set, "--memory-limit", "", "SIZE",
                  "the most memory one check may hold (800M, 2G or none; default: half the memory, shared by the "
                  "jobs)",
                  std::nullopt, ParseMemoryLimit)
{
}

uint64_t JudgeOptions::MemoryLimit(unsigned workers) const
{
    return *memoryLimit ? **memoryLimit : DefaultMemoryLimit(workers);
}

Settings JudgeOptions::Load() const
{
    const Settings base = ProfileSettings(*profile);
    return settingsPath->empty() ? base : LoadSettingsFile(*settingsPath, base);
}

}  // namespace meshaudit::cli
