#include "JudgeOptions.h"

#include "MemorySize.h"
#include "TextScan.h"

namespace meshaudit::cli {

bool JudgeOptions::Take(Arguments& in)
{
    if (in.Take("--settings", "-s")) {
        settingsPath = in.Value();
    } else if (in.Take("--profile", "-p")) {
        profile = in.Value();
    } else if (in.Take("--max-items")) {
        const std::string text = in.Value();
        int64_t value = 0;
        if (ParseInteger(text, value) != NumberStatus::Ok || value < 0) {
            throw UsageError("--max-items takes a whole number of 0 or more, not " + Quoted(text));
        }
        maxItems = static_cast<uint64_t>(value);
    } else if (in.Take("--memory-limit")) {
        const std::string text = in.Value();
        memoryLimit = ParseMemorySize(text);
        if (!memoryLimit) {
            throw UsageError("--memory-limit takes a size of 1M or more (800M, 2G) or none, not " + Quoted(text));
        }
    } else {
        return false;
    }
    return true;
}

uint64_t JudgeOptions::MemoryLimit(unsigned workers) const
{
    return memoryLimit ? *memoryLimit : DefaultMemoryLimit(workers);
}

Settings JudgeOptions::Load() const
{
    const Settings base = ProfileSettings(profile);
    return settingsPath.empty() ? base : LoadSettingsFile(settingsPath, base);
}

}  // namespace meshaudit::cli
