#include "Library.h"

#include "LoadError.h"
#include "MeshFiles.h"
#include "Terminal.h"

#include "Marked.h"

#include "meshaudit.h"
#include "meshaudit.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// Draws the progress line as the library's own analyse() does, for runs
// through locate(), which prints nothing by itself.
void DrawProgress(void*, uint32_t done, uint32_t total, const char* label)
{
    std::fprintf(stderr, "\r%3u %% %-60.60s", total == 0 ? 0u : done * 100u / total, label);
    std::fflush(stderr);
}

// The lists of every located quantity, cut to `maxItems` entries each.
std::vector<ElementList> ListsOf(const meshaudit::Locations& where, uint64_t maxItems)
{
    std::vector<ElementList> lists;
    for (Category category : kCategories) {
        for (const Quantity& q : QuantitiesOf(category)) {
            const uint32_t k = static_cast<uint32_t>(q.k);
            const ElementSpan span = category == Category::Points  ? where.of(static_cast<PointQuantity>(k))
                                   : category == Category::Edges   ? where.of(static_cast<EdgeQuantity>(k))
                                   : category == Category::Triangles ? where.of(static_cast<TriangleQuantity>(k))
                                                                     : where.of(static_cast<MeshQuantity>(k));
            if (!span.located) {
                continue;
            }
            ElementList list;
            list.category = static_cast<uint8_t>(category);
            list.k = static_cast<uint8_t>(k);
            list.arity = span.arity;
            list.total = span.total;
            list.data.assign(span.data, span.data + std::min(span.stored, maxItems) * span.arity);
            lists.push_back(std::move(list));
        }
    }
    return lists;
}

}  // namespace

MeshScale ScaleOf(const MeshData& mesh)
{
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const T3DVECF& p : mesh.points) {
        const double c[3] = {p.x, p.y, p.z};
        if (std::isfinite(c[0]) && std::isfinite(c[1]) && std::isfinite(c[2])) {
            for (int i = 0; i < 3; ++i) {
                low[i] = std::min(low[i], c[i]);
                high[i] = std::max(high[i], c[i]);
            }
        }
    }
    MeshScale scale;
    if (low[0] <= high[0]) {
        const double d[3] = {high[0] - low[0], high[1] - low[1], high[2] - low[2]};
        scale.diagonal = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        scale.volume = d[0] * d[1] * d[2];
    }
    return scale;
}

// Without lists, the mesh goes through the shared library's C functions, as
// any host would use them (and the library draws its own progress line).
// Lists come only from the C++ location API, which gives the same blocks
// byte for byte, so the two paths judge alike.
FileOutcome AnalyseMesh(const std::string& path, const MeshData& mesh, const Settings& settings,
                        const AnalyseRequest& request, DefectMarks* marks)
{
    FileOutcome outcome;
    outcome.file = path;
    outcome.format = mesh.formatName;
    outcome.objectId = mesh.objectId;
    outcome.objectName = mesh.objectName;
    outcome.notes = mesh.notes;
    outcome.pointCount = mesh.points.size();
    outcome.triangleCount = mesh.triangles.size();
    const MeshScale scale = ScaleOf(mesh);
    outcome.diagonal = scale.diagonal;
    outcome.boxVolume = scale.volume;
    outcome.used = Resolve(settings, scale);
    const SettingsBlocks& used = outcome.used;
    const MeshRecord record = RecordOf(mesh);
    const bool marking = !request.markedPath.empty() || marks != nullptr;
    int32_t code = 0;
    meshaudit::Locations where;
    if (request.locate || marking) {
        meshaudit::LocateRequest ask;
        ask.maxItems = marking ? UINT64_MAX : request.maxItems;
        ask.progress = request.showProgress ? DrawProgress : nullptr;
        code = meshaudit::locate(record, used.points, used.edges, used.triangles, used.mesh, ask, where);
        if (request.showProgress) {
            std::fprintf(stderr, "\r%70s\r", "");
        }
        if (code == -5) {
            outcome.notes.push_back("memory for the element lists ran out: some lists are cut short");
            code = 1;
        }
    } else {
        set_pnt_params(&used.points);
        set_edg_params(&used.edges);
        set_tri_params(&used.triangles);
        set_msh_params(&used.mesh);
        std::optional<SilencedStderr> silence;
        if (!request.showProgress) {
            silence.emplace();
        }
        code = analyse(&record);
    }
    if (code != 1) {
        outcome.error = path + ": the library refused the mesh (analyse returned " + std::to_string(code) + ")";
        return outcome;
    }
    if (request.locate || marking) {
        outcome.results = ResultBlocks{where.points, where.edges, where.triangles, where.mesh};
    } else {
        get_pnt_params(&outcome.results.points);
        get_edg_params(&outcome.results.edges);
        get_tri_params(&outcome.results.triangles);
        get_msh_params(&outcome.results.mesh);
    }
    outcome.status = FileOutcome::Status::Analysed;
    if (marking) {
        std::vector<uint32_t> pointBits, triangleBits;
        MarkDefects(outcome, ListsOf(where, UINT64_MAX), pointBits, triangleBits);
        if (!request.markedPath.empty()) {
            outcome.writeError = WriteMarkedPly(request.markedPath, mesh, pointBits, triangleBits);
        }
        if (marks != nullptr) {
            marks->points = std::move(pointBits);
            marks->triangles = std::move(triangleBits);
        }
    }
    if (request.locate) {
        outcome.where = ListsOf(where, request.maxItems);
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

std::vector<FileOutcome> AnalyseFileObjects(const std::string& path, const Settings& settings,
                                           const AnalyseRequest& request)
{
    std::vector<MeshData> meshes;
    FileOutcome failure;
    if (!ReadOrFail(path, [&] { meshes = ReadMeshFileObjects(path); }, failure)) {
        return {failure};
    }
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
