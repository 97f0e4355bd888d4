// The command's calls into the library, through its public header only.
#pragma once

#include "BuildItem.h"
#include "Marked.h"
#include "MeshData.h"
#include "MeshCheck.h"
#include "Outcome.h"
#include "Quantities.h"
#include "Settings.h"

#include <string>
#include <vector>

namespace meshaudit::cli {

struct AnalyseRequest {
    bool showProgress = false;
    // Told of each step of the analysis in place of the progress line
    // (nullptr: none); a check with one always goes through the location API.
    meshaudit::ProgressFunction progress = nullptr;
    void* progressUser = nullptr;
    // List the elements behind the quantities, at most maxItems each.
    bool locate = false;
    uint64_t maxItems = 100;
    // Write the mesh with its defects marked here ("" for none).
    std::string markedPath;
    // The most bytes the analysis may hold at once (0: no limit); see
    // LocateOptions.
    uint64_t memoryLimit = 0;
};

// Reads the file at `path`, resolves `settings` for its bounding box, runs
// the analysis and reads the four result blocks back (and the element lists
// when asked). Reading errors and refusals become a Failed outcome. With
// `showProgress` false the library's progress line is sent to /dev/null.
FileOutcome AnalyseFile(const std::string& path, const Settings& settings, const AnalyseRequest& request);

// The same for a mesh already read from `path`. With `marks`, also the
// defect bits of every point and triangle, as `--marked` writes them.
FileOutcome AnalyseMesh(const std::string& path, const MeshData& mesh, const Settings& settings,
                        const AnalyseRequest& request, DefectMarks* marks = nullptr);

// A file's meshes (one per 3MF object, the one mesh of other formats) and,
// when `settings` judge the build plate, a 3MF file's build items. Throws
// LoadError.
struct FileMeshes {
    std::vector<MeshData> meshes;
    std::vector<BuildItem> items;
};
FileMeshes ReadFileMeshes(const std::string& path, const Settings& settings);

// The same for each mesh of the file: one outcome per 3MF object, each
// checked as a mesh of its own; one outcome for the other formats; and for
// a 3MF build plate of two items or more, when the settings judge it, one
// more for the plate (PlateCheck.h).
std::vector<FileOutcome> AnalyseFileObjects(const std::string& path, const Settings& settings,
                                           const AnalyseRequest& request);

// The two repairs. Each returns the library's code (0 on success) and, on
// success, the repaired copy in `output`.
int MergePoints(const MeshData& input, double tolerance, MeshData& output);
int DropInvalidTriangles(const MeshData& input, MeshData& output);

}  // namespace meshaudit::cli
