// The twelve exported functions: the library's whole outside surface.
#include "analysis/AnalysisContext.h"
#include "containers/Memory.h"
#include "interface/Blocks.h"
#include "meshaudit.h"
#include "model/RecordChecks.h"
#include "repair/FilterTriangles.h"
#include "repair/MergePoints.h"

#include <cstring>

using meshaudit::Blocks;

namespace {

// Copies a whole block; a null pointer copies nothing.
template <typename Block>
int32_t CopyBlock(Block* to, const Block* from)
{
    if (to != nullptr && from != nullptr) {
        std::memcpy(to, from, sizeof(Block));
    }
    return 0;
}

// The entry check shared by analyse and the repairs: a missing record fails
// as one without a point array.
int32_t Validate(const MeshRecord* mesh)
{
    return mesh == nullptr ? -1 : meshaudit::CheckRecord(*mesh);
}

void Reset(MeshRecord* record)
{
    record->points = nullptr;
    record->pointCount = 0;
    record->triangles = nullptr;
    record->triangleCount = 0;
}

// Reset the output (without releasing what it held), validate the input and
// copy it into the output. Returns 0 or the export's code. The point array
// is always allocated, so that running short of memory there gives the same
// code, but its contents are copied only with `copyPoints`.
int32_t EnterRepair(const MeshRecord* input, MeshRecord* output, bool copyPoints)
{
    if (output == nullptr) {
        return -1;
    }
    Reset(output);
    const int32_t code = Validate(input);
    if (code != 0) {
        return code;
    }
    const uint32_t pointCount = input->pointCount;
    const uint32_t triangleCount = input->triangleCount;
    output->pointCount = pointCount;
    output->triangleCount = triangleCount;
    T3DVECF* points = meshaudit::AllocateArray<T3DVECF>(pointCount);
    output->points = points;
    TRIANGLE* triangles = meshaudit::AllocateArray<TRIANGLE>(triangleCount);
    output->triangles = triangles;
    if (points == nullptr || triangles == nullptr) {
        // What was allocated stays in the output for clear_mesh.
        return -5;
    }
    if (copyPoints) {
        std::memcpy(points, input->points, sizeof(T3DVECF) * pointCount);
    }
    std::memcpy(triangles, input->triangles, sizeof(TRIANGLE) * triangleCount);
    return 0;
}

}  // namespace

extern "C" {

MESHAUDIT_API int32_t set_pnt_params(const PointSettings* settings)
{
    return CopyBlock(&Blocks().pointSettings, settings);
}

MESHAUDIT_API int32_t set_edg_params(const EdgeSettings* settings)
{
    return CopyBlock(&Blocks().edgeSettings, settings);
}

MESHAUDIT_API int32_t set_tri_params(const TriangleSettings* settings)
{
    return CopyBlock(&Blocks().triangleSettings, settings);
}

MESHAUDIT_API int32_t set_msh_params(const MeshSettings* settings)
{
    return CopyBlock(&Blocks().meshSettings, settings);
}

MESHAUDIT_API int32_t get_pnt_params(PointResults* results)
{
    return CopyBlock(results, &Blocks().pointResults);
}

MESHAUDIT_API int32_t get_edg_params(EdgeResults* results)
{
    return CopyBlock(results, &Blocks().edgeResults);
}

MESHAUDIT_API int32_t get_tri_params(TriangleResults* results)
{
    return CopyBlock(results, &Blocks().triangleResults);
}

MESHAUDIT_API int32_t get_msh_params(MeshResults* results)
{
    return CopyBlock(results, &Blocks().meshResults);
}

MESHAUDIT_API int32_t analyse(const MeshRecord* mesh)
{
    const int32_t code = Validate(mesh);
    if (code != 0) {
        return code;
    }
    meshaudit::ProcessBlocks& b = Blocks();
    meshaudit::AnalyseRecord(*mesh, {b.pointSettings, b.edgeSettings, b.triangleSettings, b.meshSettings},
                             {b.pointResults, b.edgeResults, b.triangleResults, b.meshResults},
                             meshaudit::Progress(), nullptr);
    return 1;
}

MESHAUDIT_API int32_t removeDuplicatedGeometricalPoints(const MeshRecord* input,
                                                        const double* tolerance,
                                                        MeshRecord* output)
{
    if (tolerance == nullptr) {
        if (output != nullptr) {
            Reset(output);
        }
        return -1;
    }
    // The merge reads the points and then replaces the whole array, so it
    // reads the caller's and the output's copy is left unfilled: on a large
    // mesh its pages are never touched.
    const int32_t code = EnterRepair(input, output, false);
    if (code != 0) {
        return code;
    }
    if (!meshaudit::MergeDuplicatedPoints(input->points, *output, tolerance)) {
        // The output holds a copy of the input on every failure after entry.
        std::memcpy(output->points, input->points, sizeof(T3DVECF) * input->pointCount);
        return -6;
    }
    return 0;
}

MESHAUDIT_API int32_t removeInvalidTopologicalTriangles(const MeshRecord* input, MeshRecord* output)
{
    const int32_t code = EnterRepair(input, output, true);
    if (code != 0) {
        return code;
    }
    return meshaudit::RemoveInvalidTriangles(*output) < 0 ? -6 : 0;
}

MESHAUDIT_API int32_t clear_mesh(MeshRecord* mesh)
{
    if (mesh == nullptr) {
        return 0;
    }
    meshaudit::Free(mesh->points);
    meshaudit::Free(mesh->triangles);
    Reset(mesh);
    return 0;
}

}  // extern "C"
