#include "MeshCheck.h"

#include "MemorySize.h"
#include "SolidCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace meshaudit::cli {

MeshScale ScaleOf(std::span<const T3DVECF> points)
{
    double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const T3DVECF& p : points) {
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

FileOutcome DescribeMesh(const std::string& path, const MeshData& source, const MeshRecord& record,
                         const Settings& settings)
{
    FileOutcome outcome;
    outcome.file = path;
    outcome.format = source.formatName;
    outcome.objectId = source.objectId;
    outcome.objectName = source.objectName;
    outcome.notes = source.notes;
    outcome.pointCount = record.pointCount;
    outcome.triangleCount = record.triangleCount;
    const MeshScale scale =
        ScaleOf(std::span<const T3DVECF>(record.points, record.points == nullptr ? 0 : record.pointCount));
    outcome.diagonal = scale.diagonal;
    outcome.boxVolume = scale.volume;
    outcome.used = Resolve(settings, scale);
    outcome.reportOnly = settings.reportOnly;
    return outcome;
}

namespace {

// The lists of every located quantity, cut to `maxItems` entries each.
std::vector<ElementList> ListsOf(const meshaudit::Locations& where, uint64_t maxItems)
{
    std::vector<ElementList> lists;
    for (Category category : kLibraryCategories) {
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

bool CheckMesh(FileOutcome& outcome, const MeshRecord& record, const LocateOptions& options,
               std::vector<ElementList>& lists)
{
    const SettingsBlocks& used = outcome.used;
    // solids() takes the library's intersecting pairs only when complete.
    const bool solid = WantsSolids(used);
    meshaudit::LocateRequest ask;
    if (!options.lists) {
        ask.points = ask.edges = ask.triangles = 0;
        ask.mesh = solid ? MESHAUDIT_GATE(MSH, Selfintersection) : 0;
    }
    ask.maxItems = solid ? UINT64_MAX : options.maxItems;
    ask.progress = options.progressFunction != nullptr ? options.progressFunction
                   : options.progress                 ? DrawProgress
                                                      : nullptr;
    ask.progressUser = options.progressUser;
    ask.memoryLimit = options.memoryLimit;
    meshaudit::Locations where;
    int32_t code = meshaudit::locate(record, used.points, used.edges, used.triangles, used.mesh, ask, where);
    if (options.progress && options.progressFunction == nullptr) {
        ClearProgress();
    }
    if (where.refusedAllocations != 0) {
        outcome.notes.push_back("the analysis reached its memory limit of " + FormatMemorySize(options.memoryLimit) +
                                ": the quantities shown as errors could not be computed within it" +
                                (code == -5 ? ", and some lists are cut short" : ""));
        code = code == -5 ? 1 : code;
    }
    if (code == -5) {
        outcome.notes.push_back("memory for the element lists ran out: some lists are cut short");
        code = 1;
    }
    if (code != 1) {
        outcome.error =
            outcome.file + ": the library refused the mesh (analyse returned " + std::to_string(code) + ")";
        return false;
    }
    outcome.results.points = where.points;
    outcome.results.edges = where.edges;
    outcome.results.triangles = where.triangles;
    outcome.results.mesh = where.mesh;
    outcome.status = FileOutcome::Status::Analysed;
    lists.clear();
    if (options.lists) {
        lists = ListsOf(where, options.maxItems);
    }
    CheckSolids(outcome, record, &where, options.lists ? &lists : nullptr, options.maxItems);
    return true;
}

void AttachFaces(std::vector<ElementList>& lists, const MeshData& mesh)
{
    if (mesh.faces.empty()) {
        return;
    }
    for (ElementList& list : lists) {
        const Quantity* found = list.QuantityOf();
        if (found == nullptr || !ListsTriangles(*found) || list.arity == 0) {
            continue;
        }
        const std::string_view where = found->where;
        const bool components = where == "COMPONENTS";
        const uint32_t named = TrianglesPerEntry(*found);
        list.faces.clear();
        list.faces.reserve(static_cast<size_t>(list.Stored()) * named * 2);
        for (uint64_t i = 0; i < list.Stored(); ++i) {
            for (uint32_t j = 0; j < named; ++j) {
                // A component list holds one entry per triangle, in order.
                const uint64_t t = components ? i : list.data[static_cast<size_t>(i * list.arity + j)];
                const bool known = t < mesh.faces.size();
                list.faces.push_back(known ? mesh.faces[static_cast<size_t>(t)] : 0);
                list.faces.push_back(known ? mesh.parts[static_cast<size_t>(t)] : 0);
            }
        }
    }
}

void DrawProgress(void*, uint32_t done, uint32_t total, const char* label)
{
    std::fprintf(stderr, "\r%3u %% %-60.60s", total == 0 ? 0u : done * 100u / total, label);
    std::fflush(stderr);
}

void ClearProgress()
{
    std::fprintf(stderr, "\r%70s\r", "");
    std::fflush(stderr);
}

}  // namespace meshaudit::cli
