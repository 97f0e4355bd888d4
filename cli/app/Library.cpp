#include "Library.h"

#include "LoadError.h"
#include "MeshFiles.h"
#include "Terminal.h"

#include "meshaudit.h"

#include <optional>

namespace meshaudit::cli {

namespace {

MeshRecord RecordOf(const MeshData& mesh)
{
    MeshRecord record;
    // The readers guarantee counts that fit 32 bits; the library only reads
    // the arrays.
    record.points = const_cast<T3DVECF*>(mesh.points.data());
    record.pointCount = static_cast<uint32_t>(mesh.points.size());
    record.triangles = const_cast<TRIANGLE*>(mesh.triangles.data());
    record.triangleCount = static_cast<uint32_t>(mesh.triangles.size());
    return record;
}

// Copies a repair's output into `output` and gives the library its arrays
// back.
int TakeRepairOutput(int code, MeshRecord& record, const MeshData& input, MeshData& output)
{
    if (code == 0) {
        output = MeshData{};
        output.formatName = input.formatName;
        const T3DVECF* points = record.points;
        const TRIANGLE* triangles = record.triangles;
        if (points != nullptr) {
            output.points.assign(points, points + record.pointCount);
        }
        if (triangles != nullptr) {
            output.triangles.assign(triangles, triangles + record.triangleCount);
        }
    }
    clear_mesh(&record);
    return code;
}

}  // namespace

FileOutcome AnalyseFile(const std::string& path, const SettingsBlocks& settings, bool showProgress)
{
    FileOutcome outcome;
    outcome.file = path;
    MeshData mesh;
    try {
        mesh = ReadMeshFile(path);
    } catch (const LoadError& e) {
        outcome.error = e.what();
        return outcome;
    } catch (const std::bad_alloc&) {
        outcome.error = path + ": out of memory while reading";
        return outcome;
    }
    outcome.format = mesh.formatName;
    outcome.notes = mesh.notes;
    outcome.pointCount = mesh.points.size();
    outcome.triangleCount = mesh.triangles.size();

    set_pnt_params(&settings.points);
    set_edg_params(&settings.edges);
    set_tri_params(&settings.triangles);
    set_msh_params(&settings.mesh);
    const MeshRecord record = RecordOf(mesh);
    int32_t code = 0;
    {
        std::optional<SilencedStderr> silence;
        if (!showProgress) {
            silence.emplace();
        }
        code = analyse(&record);
    }
    if (code != 1) {
        outcome.error = path + ": the library refused the mesh (analyse returned " + std::to_string(code) + ")";
        return outcome;
    }
    get_pnt_params(&outcome.results.points);
    get_edg_params(&outcome.results.edges);
    get_tri_params(&outcome.results.triangles);
    get_msh_params(&outcome.results.mesh);
    outcome.status = FileOutcome::Status::Analysed;
    return outcome;
}

int MergePoints(const MeshData& input, double tolerance, MeshData& output)
{
    const MeshRecord in = RecordOf(input);
    MeshRecord out{};
    const int code = removeDuplicatedGeometricalPoints(&in, &tolerance, &out);
    return TakeRepairOutput(code, out, input, output);
}

int DropInvalidTriangles(const MeshData& input, MeshData& output)
{
    const MeshRecord in = RecordOf(input);
    MeshRecord out{};
    const int code = removeInvalidTopologicalTriangles(&in, &out);
    return TakeRepairOutput(code, out, input, output);
}

}  // namespace meshaudit::cli
