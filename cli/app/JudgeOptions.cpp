#include "JudgeOptions.h"

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
    } else {
        return false;
    }
    return true;
}

Settings JudgeOptions::Load() const
{
    const Settings base = ProfileSettings(profile);
    return settingsPath.empty() ? base : LoadSettingsFile(settingsPath, base);
}

}  // namespace meshaudit::cli
