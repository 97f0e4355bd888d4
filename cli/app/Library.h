// The command's calls into the library, through its public header only.
#pragma once

#include "MeshData.h"
#include "Outcome.h"
#include "Quantities.h"

#include <string>

namespace meshaudit::cli {

// Reads the file at `path`, applies `settings`, runs analyse and reads the
// four result blocks back. Reading errors and refusals become a Failed
// outcome. With `showProgress` false the library's progress line is sent to
// /dev/null.
FileOutcome AnalyseFile(const std::string& path, const SettingsBlocks& settings, bool showProgress);

// The two repairs. Each returns the library's code (0 on success) and, on
// success, the repaired copy in `output`.
int MergePoints(const MeshData& input, double tolerance, MeshData& output);
int DropInvalidTriangles(const MeshData& input, MeshData& output);

}  // namespace meshaudit::cli
