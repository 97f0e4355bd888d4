// The solid and quality categories of a check: solids() (meshaudit_solid.hpp)
// run beside the library's analysis, its answers put in the blocks of
// CommandBlocks.h, judged against the settings, and listed as the library's
// quantities are.
#pragma once

#include "Outcome.h"

#include "meshaudit.hpp"

#include <cstdint>
#include <vector>

namespace meshaudit::cli {

// Whether `used` enables any quantity of the solid or quality categories.
bool WantsSolids(const SettingsBlocks& used);

// Runs solids() on `record` (the mesh the outcome describes, only read) when
// the outcome's settings enable any of its quantities, and fills the
// enabled quantities' values and InRange bytes in outcome.results. The
// library's complete list of intersecting triangle pairs in `located`
// (nullptr or a cut list: none) spares solids() a search of its own. With
// `lists`, appends the lists of the enabled quantities, each cut to
// `maxItems` entries. When solids() fails the quantities hold its code as
// an error and a note says why. Touches no process-wide state.
void CheckSolids(FileOutcome& outcome, const MeshRecord& record, const meshaudit::Locations* located,
                 std::vector<ElementList>* lists, uint64_t maxItems);

}  // namespace meshaudit::cli
