// The build plate of a 3MF file, checked as a whole: the items whose placed
// meshes overlap (BuildPlate.h), judged as the build category's one
// quantity in a document of its own beside the objects'.
#pragma once

#include "BuildItem.h"
#include "Outcome.h"
#include "Settings.h"

#include <cstdint>
#include <span>
#include <string>

namespace meshaudit::cli {

// Whether `settings` enable the build plate's quantity.
bool WantsPlate(const SettingsBlocks& settings);

// The plate of the file at `path` (its items from Read3mfBuildItems, only
// read) as an outcome: CountOverlappingItems judged by `settings`, with the
// list of overlapping pairs (ITEM_PAIRS) cut to `maxItems` entries when
// `lists`. A search that fails (memory) gives a Failed outcome that says so.
FileOutcome CheckPlate(const std::string& path, std::span<const BuildItem> items, const Settings& settings,
                       bool lists, uint64_t maxItems);

}  // namespace meshaudit::cli
