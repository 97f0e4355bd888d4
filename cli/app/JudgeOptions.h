// The options that choose how a mesh is judged and how many elements are
// listed, shared by the commands that check: --profile/-p NAME,
// --settings/-s FILE and --max-items N.
#pragma once

#include "Commands.h"
#include "Settings.h"

#include <cstdint>
#include <string>

namespace meshaudit::cli {

struct JudgeOptions {
    std::string profile = kDefaultProfile;
    std::string settingsPath;  // "" for none
    uint64_t maxItems = 100;

    // Consumes the next argument when it is one of these options; false
    // (and nothing consumed) otherwise. UsageError for a bad --max-items.
    bool Take(Arguments& in);
    // The profile refined by the settings file; SettingsError naming the
    // file and key.
    Settings Load() const;
};

}  // namespace meshaudit::cli
