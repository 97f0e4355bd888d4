#include "analysis/AnalysisContext.h"

#include "analysis/Progress.h"
#include "model/BlockMarks.h"

#include <cstring>

namespace meshaudit {

namespace {

template <typename T>
T ReadAt(const uint8_t* block, uint16_t offset)
{
    T value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

template <typename T>
void WriteAt(uint8_t* block, uint16_t offset, T value)
{
    std::memcpy(block + offset, &value, sizeof value);
}

constexpr Category kCategoryOrder[] = {Category::Points, Category::Edges, Category::Triangles,
                                       Category::Mesh};

}  // namespace

const CategoryTable& TableOf(Category category)
{
    switch (category) {
    case Category::Points:
        return PointTable();
    case Category::Edges:
        return EdgeTable();
    case Category::Triangles:
        return TriangleTable();
    default:
        return MeshTable();
    }
}

AnalysisContext::AnalysisContext()
    : mesh{nullptr, 0, nullptr, 0},
      pointSettings(DefaultPointSettings()),
      edgeSettings(DefaultEdgeSettings()),
      triangleSettings(DefaultTriangleSettings()),
      meshSettings(DefaultMeshSettings()),
      pointResults(NotComputedPointResults()),
      edgeResults(NotComputedEdgeResults()),
      triangleResults(NotComputedTriangleResults()),
      meshResults(NotComputedMeshResults())
{
}

AnalysisContext::~AnalysisContext()
{
    topology.FreeAll();
}

void AnalysisContext::LoadMesh(const MeshRecord& record)
{
    topology.FreeAll();
    memo_.Forget();
    if (locations != nullptr) {
        locations->Clear();
    }
    pointResults = NotComputedPointResults();
    edgeResults = NotComputedEdgeResults();
    triangleResults = NotComputedTriangleResults();
    meshResults = NotComputedMeshResults();
    std::memcpy(&mesh, &record, sizeof mesh);
    topology.Attach(mesh);
}

uint8_t* AnalysisContext::ResultsBlock(Category category)
{
    switch (category) {
    case Category::Points:
        return reinterpret_cast<uint8_t*>(&pointResults);
    case Category::Edges:
        return reinterpret_cast<uint8_t*>(&edgeResults);
    case Category::Triangles:
        return reinterpret_cast<uint8_t*>(&triangleResults);
    default:
        return reinterpret_cast<uint8_t*>(&meshResults);
    }
}

const uint8_t* AnalysisContext::ResultsBlock(Category category) const
{
    return const_cast<AnalysisContext*>(this)->ResultsBlock(category);
}

const uint8_t* AnalysisContext::SettingsBlock(Category category) const
{
    switch (category) {
    case Category::Points:
        return reinterpret_cast<const uint8_t*>(&pointSettings);
    case Category::Edges:
        return reinterpret_cast<const uint8_t*>(&edgeSettings);
    case Category::Triangles:
        return reinterpret_cast<const uint8_t*>(&triangleSettings);
    default:
        return reinterpret_cast<const uint8_t*>(&meshSettings);
    }
}

bool AnalysisContext::IsUnset(const CategoryTable& table, const QuantityRow& row) const
{
    const uint8_t* results = ResultsBlock(table.category);
    switch (row.slot) {
    case Slot::Count:
        return ReadAt<uint32_t>(results, row.resultOffset) == NOT_COMPUTED;
    case Slot::Real:
        return ReadAt<double>(results, row.resultOffset) == kDoubleNotComputed;
    case Slot::Volume:
        return ReadAt<double>(results, row.resultOffset) == kVolumeNotComputed;
    case Slot::Flag:
        return ReadAt<int8_t>(results, row.resultOffset) == kFlagNotComputed;
    }
    return false;
}

void AnalysisContext::Store(const CategoryTable& table, const QuantityRow& row)
{
    // The quantity's list (if it is being filled) starts empty, since a failed
    // attempt may have left entries, unless a search shared with another
    // quantity already filled it completely (see DuplicateStep). A compute function may compute other
    // quantities on the way, so the current list is restored afterwards.
    LocationList* const outer = currentList_;
    currentList_ = List(table.category, row.k);
    if (currentList_ != nullptr && !currentList_->Sealed()) {
        currentList_->Clear();
    }
    StoreValue(table, row);
    currentList_ = outer;
}

void AnalysisContext::StoreValue(const CategoryTable& table, const QuantityRow& row)
{
    // The value is computed first and written afterwards: a compute function
    // may itself fill other slots (shared values) on the way.
    switch (row.slot) {
    case Slot::Count: {
        const int32_t value = row.compute.count(*this);
        WriteAt<uint32_t>(ResultsBlock(table.category), row.resultOffset,
                          static_cast<uint32_t>(value));
        break;
    }
    case Slot::Real:
    case Slot::Volume: {
        const double value = row.compute.real(*this);
        WriteAt<double>(ResultsBlock(table.category), row.resultOffset, value);
        break;
    }
    case Slot::Flag: {
        const int8_t value = row.compute.flag(*this);
        WriteAt<int8_t>(ResultsBlock(table.category), row.resultOffset, value);
        break;
    }
    }
}

void AnalysisContext::ComputeStep(const CategoryTable& table)
{
    const uint8_t* enable = SettingsBlock(table.category) + table.enableOffset;
    for (size_t i = 0; i < table.rowCount; ++i) {
        const QuantityRow& row = table.rows[i];
        bool open = false;
        for (uint32_t k = 0; k < 32; ++k) {
            if ((row.gate & Gate(k)) != 0 && enable[k] == 1) {
                open = true;
            }
        }
        if (open && IsUnset(table, row)) {
            AnnounceStep(*progress, row.label);
            Store(table, row);
        }
    }
}

void AnalysisContext::JudgeStep(const CategoryTable& table)
{
    const uint8_t* settings = SettingsBlock(table.category);
    const uint8_t* enable = settings + table.enableOffset;
    uint8_t* results = ResultsBlock(table.category);
    for (size_t i = 0; i < table.rowCount; ++i) {
        const QuantityRow& row = table.rows[i];
        if (enable[row.k] == 0 || row.criterion == Criterion::None) {
            continue;
        }
        bool inRange = false;
        switch (row.criterion) {
        case Criterion::Range: {
            const auto value = ReadAt<uint32_t>(results, row.resultOffset);
            const auto range = ReadAt<ValueRange>(settings, row.criterionOffset);
            inRange = range.min <= value && value <= range.max;
            break;
        }
        case Criterion::RealRange: {
            const auto value = ReadAt<double>(results, row.resultOffset);
            const auto range = ReadAt<DoubleRange>(settings, row.criterionOffset);
            inRange = value >= range.min && range.max >= value;
            break;
        }
        case Criterion::Expected: {
            const auto value = ReadAt<int8_t>(results, row.resultOffset);
            const auto expected = ReadAt<uint8_t>(settings, row.criterionOffset);
            inRange = static_cast<int>(value) == static_cast<int>(expected);
            break;
        }
        case Criterion::None:
            break;
        }
        results[table.inRangeOffset + row.k] = inRange ? 1 : 0;
    }
}

void AnalysisContext::Evaluate(const CategoryTable& table)
{
    ComputeStep(table);
    JudgeStep(table);
}

uint32_t AnalysisContext::CountSteps(uint32_t category) const
{
    if (category == kAllCategories) {
        uint32_t steps = 0;
        for (Category each : kCategoryOrder) {
            steps += CountSteps(static_cast<uint32_t>(each));
        }
        return steps;
    }
    if (category < 1 || category > 4) {
        return 0;
    }
    const CategoryTable& table = TableOf(static_cast<Category>(category));
    const uint8_t* enable = SettingsBlock(table.category) + table.enableOffset;
    uint32_t steps = 0;
    for (size_t i = 0; i < table.rowCount; ++i) {
        const QuantityRow& row = table.rows[i];
        if (row.countsAsStep && enable[row.k] == 1) {
            ++steps;
        }
    }
    return steps;
}

void AnalysisContext::RunCategory(uint32_t category)
{
    // The quantities that read the triangle neighbour lists (or count the
    // components, as the flags derived from that count do): with any of them
    // enabled, a border count made first takes its sides from those lists'
    // build instead of a pass of its own. The whole analysis runs every
    // category in turn, so the settings of all four decide. Not for a mesh
    // with more points than triangles (a soup, mostly), whose lists are
    // nearly empty but sized for a closed mesh until built: made that early
    // they would sit beside the point category's structures, the peak of
    // such an analysis.
    const bool fewPoints = mesh.pointCount <= mesh.triangleCount;
    bool wanted = false;
    for (uint8_t k : {TRI_CountIsolated, TRI_CountSingular, TRI_MinimalDegree, TRI_MaximalDegree,
                      TRI_CountFlippedTopological}) {
        wanted = wanted || triangleSettings.Enable[k] == 1;
    }
    for (uint8_t k : {MSH_Oriented, MSH_Orientable, MSH_CountComponents, MSH_Connected, MSH_CountHandles,
                      MSH_HasHandles, MSH_Inclusion}) {
        wanted = wanted || meshSettings.Enable[k] == 1;
    }
    topology.ExpectTriangleNeighbours(fewPoints && wanted);
    const uint32_t steps = CountSteps(category);
    StartProgress(*progress, steps, steps);
    if (category == kAllCategories) {
        for (Category each : kCategoryOrder) {
            Evaluate(TableOf(each));
        }
    } else if (category >= 1 && category <= 4) {
        Evaluate(TableOf(static_cast<Category>(category)));
    }
    ClearProgressLine(*progress);
}

const QuantityRow& AnalysisContext::Row(const CategoryTable& table, uint8_t k) const
{
    for (size_t i = 0; i < table.rowCount; ++i) {
        if (table.rows[i].k == k) {
            return table.rows[i];
        }
    }
    // Every quantity a caller can name has a row; the unused mesh slot 19 is
    // never named.
    return table.rows[0];
}

void AnalysisContext::EnsureRow(const CategoryTable& table, const QuantityRow& row)
{
    if (IsUnset(table, row)) {
        Store(table, row);
    }
}

int32_t AnalysisContext::EnsureCount(Category category, uint8_t k)
{
    const CategoryTable& table = TableOf(category);
    EnsureRow(table, Row(table, k));
    return StoredCount(category, k);
}

double AnalysisContext::EnsureReal(Category category, uint8_t k)
{
    const CategoryTable& table = TableOf(category);
    const QuantityRow& row = Row(table, k);
    EnsureRow(table, row);
    return ReadAt<double>(ResultsBlock(category), row.resultOffset);
}

int8_t AnalysisContext::EnsureFlag(Category category, uint8_t k)
{
    const CategoryTable& table = TableOf(category);
    EnsureRow(table, Row(table, k));
    return StoredFlag(category, k);
}

int32_t AnalysisContext::StoredCount(Category category, uint8_t k) const
{
    const CategoryTable& table = TableOf(category);
    return static_cast<int32_t>(ReadAt<uint32_t>(ResultsBlock(category), Row(table, k).resultOffset));
}

int8_t AnalysisContext::StoredFlag(Category category, uint8_t k) const
{
    const CategoryTable& table = TableOf(category);
    return ReadAt<int8_t>(ResultsBlock(category), Row(table, k).resultOffset);
}

LocationList* AnalysisContext::List(Category category, uint8_t k)
{
    return locations != nullptr ? locations->List(category, k) : nullptr;
}

void AnalyseRecord(const MeshRecord& mesh, const AnalysisSettings& settings,
                   const AnalysisResults& results, ProgressReporter& progress,
                   LocationStore* locations)
{
    AnalysisContext context;
    context.progress = &progress;
    context.locations = locations;
    context.LoadMesh(mesh);
    context.CopySettingsIn(settings.points);
    context.CopySettingsIn(settings.edges);
    context.CopySettingsIn(settings.triangles);
    context.CopySettingsIn(settings.mesh);
    context.RunCategory(kAllCategories);
    context.CopyResultsOut(results.points);
    context.CopyResultsOut(results.edges);
    context.CopyResultsOut(results.triangles);
    context.CopyResultsOut(results.mesh);
}

}  // namespace meshaudit
