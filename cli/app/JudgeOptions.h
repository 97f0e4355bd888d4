// The options that choose how a mesh is judged, how many elements are listed
// and how much memory a check may hold, shared by the commands that check:
// --profile/-p NAME, --settings/-s FILE, --max-items N and
// --memory-limit SIZE.
#pragma once

#include "Options.h"
#include "Settings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace meshaudit::cli {

struct JudgeOptions {
    // Adds the options to the command's `set`.
    explicit JudgeOptions(OptionSet& set);

    Option<std::string> profile;
    Option<std::string> settingsPath;  // "" for none
    Option<uint64_t> maxItems;
    Option<std::optional<uint64_t>> memoryLimit;  // bytes, 0 for none; unset: the default

    // The memory limit of each of `workers` checks running at once: the one
    // given, or half of physical memory shared by them.
    uint64_t MemoryLimit(unsigned workers) const;
    // The profile refined by the settings file; SettingsError naming the
    // file and key.
    Settings Load() const;
};

}  // namespace meshaudit::cli
