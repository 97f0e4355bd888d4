// Checking one mesh through the reentrant location API (meshaudit.hpp): the
// part of a check that the command and the Python package share, so that
// both describe, judge and list a mesh alike.
#pragma once

#include "MeshData.h"
#include "Outcome.h"
#include "Settings.h"

#include "meshaudit.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace meshaudit::cli {

// The bounding box of the finite points.
MeshScale ScaleOf(std::span<const T3DVECF> points);
inline MeshScale ScaleOf(const MeshData& mesh) { return ScaleOf(std::span<const T3DVECF>(mesh.points)); }

// The record the library reads: the mesh's own arrays, not copied.
MeshRecord RecordOf(const MeshData& mesh);

// An outcome that says everything but the results: the file, how it was read
// (format, notes and 3MF object from `source`, whose arrays are not read),
// the size of `record`, its scale, and `settings` resolved for that scale.
FileOutcome DescribeMesh(const std::string& path, const MeshData& source, const MeshRecord& record,
                         const Settings& settings);

struct LocateOptions {
    bool lists = true;               // list the elements behind the quantities
    uint64_t maxItems = UINT64_MAX;  // at most this many entries per list
    bool progress = false;           // draw the progress line on standard error
    // Called before each step instead of the progress line (nullptr: none),
    // with `progressUser`; see meshaudit::ProgressFunction.
    meshaudit::ProgressFunction progressFunction = nullptr;
    void* progressUser = nullptr;
    // The most bytes the analysis may hold at once (0: no limit). Past it the
    // quantities that needed more hold the library's allocation-failure
    // codes, and a note says the limit was reached.
    uint64_t memoryLimit = 0;
};

// Runs locate() on `record` with the outcome's resolved settings, and
// solids() when they enable a solid or quality quantity, and fills its
// results (Analysed) or its error (Failed). With options.lists, `lists`
// receives the list of every located quantity, each cut to maxItems
// entries. Touches no process-wide state, so threads may check different
// meshes at once. Returns whether the mesh was analysed.
bool CheckMesh(FileOutcome& outcome, const MeshRecord& record, const LocateOptions& options,
               std::vector<ElementList>& lists);

// Gives the triangle lists of a file of polygons their faces (ElementList's
// `faces`); leaves them as they are when the file's faces are its triangles.
void AttachFaces(std::vector<ElementList>& lists, const MeshData& mesh);

// Draws the progress line as the library's own analyse() does, for runs
// through locate(), which prints nothing by itself; ClearProgress blanks it.
void DrawProgress(void* user, uint32_t done, uint32_t total, const char* label);
void ClearProgress();

}  // namespace meshaudit::cli
