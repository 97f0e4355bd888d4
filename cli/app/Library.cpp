#include "Library.h"

#include "FileBytes.h"
#include "LoadError.h"
#include "MeshFiles.h"
#include "Readers.h"
#include "Terminal.h"

#include "Marked.h"
#include "MeshCheck.h"
#include "PlateCheck.h"
#include "SolidCheck.h"
#include "Verdict.h"

#include "meshaudit.h"
#include "meshaudit.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace meshaudit::cli {

namespace {

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

// Without lists, solids or a memory limit, the mesh goes through the shared
// library's C functions, as any host would use them (and the library draws
// its own progress line). Lists and limits come only from the C++ location
// API, which gives the same blocks byte for byte, so the two paths judge
// alike.
FileOutcome AnalyseMesh(const std::string& path, const MeshData& mesh, const Settings& settings,
                        const AnalyseRequest& request, DefectMarks* marks)
{
    const MeshRecord record = RecordOf(mesh);
    FileOutcome outcome = DescribeMesh(path, mesh, record, settings);
    const bool marking = !request.markedPath.empty() || marks != nullptr;
    std::vector<ElementList> lists;
    if (request.locate || marking || request.memoryLimit != 0 || request.progress != nullptr ||
        WantsSolids(outcome.used)) {
        LocateOptions ask;
        ask.lists = request.locate || marking;
        // Marks need every element; the report keeps maxItems of them.
        ask.maxItems = marking ? UINT64_MAX : request.maxItems;
        ask.progress = request.showProgress;
        ask.progressFunction = request.progress;
        ask.progressUser = request.progressUser;
        ask.memoryLimit = request.memoryLimit;
        if (!CheckMesh(outcome, record, ask, lists)) {
            return outcome;
        }
    } else {
        const SettingsBlocks& used = outcome.used;
        set_pnt_params(&used.points);
        set_edg_params(&used.edges);
        set_tri_params(&used.triangles);
        set_msh_params(&used.mesh);
        std::optional<SilencedStderr> silence;
        if (!request.showProgress) {
            silence.emplace();
        }
        const int32_t code = analyse(&record);
        if (code != 1) {
            outcome.error = path + ": the library refused the mesh (analyse returned " + std::to_string(code) + ")";
            return outcome;
        }
        get_pnt_params(&outcome.results.points);
        get_edg_params(&outcome.results.edges);
        get_tri_params(&outcome.results.triangles);
        get_msh_params(&outcome.results.mesh);
        outcome.status = FileOutcome::Status::Analysed;
    }
    if (marking) {
        DefectMarks found;
        MarkDefects(outcome, lists, found);
        if (!request.markedPath.empty()) {
            outcome.writeError = WriteMarkedPly(request.markedPath, mesh, found);
        }
        if (marks != nullptr) {
            *marks = std::move(found);
        }
    }
    if (request.locate) {
        for (ElementList& list : lists) {
            list.data.resize(static_cast<size_t>(std::min(list.Stored(), request.maxItems) * list.arity));
        }
        outcome.where = std::move(lists);
        AttachFaces(outcome.where, mesh);
    }
    return outcome;
}

namespace {

// Reads with `read`; a reading error becomes the one Failed outcome.
template <typename Read>
bool ReadOrFail(const std::string& path, Read read, FileOutcome& failure)
{
    failure.file = path;
    try {
        read();
        return true;
    } catch (const LoadError& e) {
        failure.error = e.what();
    } catch (const std::bad_alloc&) {
        failure.error = path + ": out of memory while reading";
    }
    return false;
}

}  // namespace

FileOutcome AnalyseFile(const std::string& path, const Settings& settings, const AnalyseRequest& request)
{
    MeshData mesh;
    FileOutcome failure;
    if (!ReadOrFail(path, [&] { mesh = ReadMeshFile(path); }, failure)) {
        return failure;
    }
    return AnalyseMesh(path, mesh, settings, request);
}

FileMeshes ReadFileMeshes(const std::string& path, const Settings& settings)
{
    FileMeshes file;
    const std::string bytes = ReadFileBytes(path);
    if (WantsPlate(settings) && DetectFormat(bytes, path) == MeshFormat::ThreeMf) {
        ThreeMfPackage package = Read3mfPackage(bytes, path);
        file.meshes = std::move(package.objects);
        file.items = std::move(package.items);
    } else {
        file.meshes = ReadMeshObjects(bytes, path);
    }
    return file;
}

std::vector<FileOutcome> AnalyseFileObjects(const std::string& path, const Settings& settings,
                                           const AnalyseRequest& request)
{
    FileMeshes file;
    FileOutcome failure;
    if (!ReadOrFail(path, [&] { file = ReadFileMeshes(path, settings); }, failure)) {
        return {failure};
    }
    const std::vector<MeshData>& meshes = file.meshes;
    std::vector<FileOutcome> outcomes;
    for (std::size_t i = 0; i < meshes.size(); ++i) {
        // Each object of a several-object file gets its own marked copy,
        // OUT-<n>.ply for the n-th object (numbered, since an id read from
        // the file could name any path), so no object's marks overwrite
        // another's.
        AnalyseRequest own = request;
        if (meshes.size() > 1 && !request.markedPath.empty()) {
            own.markedPath = request.markedPath.substr(0, request.markedPath.size() - 4) + "-" +
                             std::to_string(i + 1) + ".ply";
        }
        outcomes.push_back(AnalyseMesh(path, meshes[i], settings, own));
    }
    if (file.items.size() >= 2) {
        outcomes.push_back(CheckPlate(path, file.items, settings, request.locate, request.maxItems));
    }
    return outcomes;
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
