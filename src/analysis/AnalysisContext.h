// The working state of one analyse() call: the caller's mesh, private copies
// of the settings, the topology built on demand and the four result blocks.
#pragma once

#include "analysis/LocationStore.h"
#include "analysis/Progress.h"
#include "analysis/QuantityTable.h"
#include "analysis/StepMemo.h"
#include "containers/Memory.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

class AnalysisContext {
    // First, so that it closes last: the blocks the analysis frees go back
    // to the system when the context ends, not before.
    BlockReuseScope blockReuse_;

public:
    AnalysisContext();
    ~AnalysisContext();
    AnalysisContext(const AnalysisContext&) = delete;
    AnalysisContext& operator=(const AnalysisContext&) = delete;

    // Releases the topology, resets the results to not computed and attaches
    // the caller's arrays.
    void LoadMesh(const MeshRecord& record);

    void CopySettingsIn(const PointSettings& settings) { pointSettings = settings; }
    void CopySettingsIn(const EdgeSettings& settings) { edgeSettings = settings; }
    void CopySettingsIn(const TriangleSettings& settings) { triangleSettings = settings; }
    void CopySettingsIn(const MeshSettings& settings) { meshSettings = settings; }
    void CopyResultsOut(PointResults& results) const { results = pointResults; }
    void CopyResultsOut(EdgeResults& results) const { results = edgeResults; }
    void CopyResultsOut(TriangleResults& results) const { results = triangleResults; }
    void CopyResultsOut(MeshResults& results) const { results = meshResults; }

    // Counts the steps, starts the progress bar, computes and judges category
    // c (1 points, 2 edges, 3 triangles, 4 mesh, 5 all four in this order;
    // any other value runs nothing) and clears the progress line.
    void RunCategory(uint32_t category);

    // The number of Enable bytes equal to 1 among the counted quantities.
    uint32_t CountSteps(uint32_t category) const;

    // Values shared across categories: compute quantity k of a category into
    // its own slot when it still holds its not-computed mark, without
    // announcing it, and return the slot's value.
    int32_t EnsureCount(Category category, uint8_t k);
    double EnsureReal(Category category, uint8_t k);
    int8_t EnsureFlag(Category category, uint8_t k);

    // Reads a slot as its kind without computing anything.
    int32_t StoredCount(Category category, uint8_t k) const;
    int8_t StoredFlag(Category category, uint8_t k) const;

    MeshRecord mesh;
    PointSettings pointSettings;
    EdgeSettings edgeSettings;
    TriangleSettings triangleSettings;
    MeshSettings meshSettings;
    MeshTopology topology;
    // What steps of this analysis left for later ones (StepMemo.h).
    StepMemo& Memo() { return memo_; }
    // Where the step announcements go: the exported analyse's bar on
    // standard error unless a caller points it elsewhere.
    ProgressReporter* progress = &Progress();
    // The element lists to fill, or null (the exported analyse): the
    // analyses then count without recording anything.
    LocationStore* locations = nullptr;
    // The list of quantity k of a category, when one is being filled.
    LocationList* List(Category category, uint8_t k);
    // The list of the quantity being computed now, or null.
    LocationList* CurrentList() const { return currentList_; }
    PointResults pointResults;
    EdgeResults edgeResults;
    TriangleResults triangleResults;
    MeshResults meshResults;

private:
    LocationList* currentList_ = nullptr;
    StepMemo memo_;

    void Evaluate(const CategoryTable& table);
    void ComputeStep(const CategoryTable& table);
    void JudgeStep(const CategoryTable& table);
    void Store(const CategoryTable& table, const QuantityRow& row);
    void StoreValue(const CategoryTable& table, const QuantityRow& row);
    const QuantityRow& Row(const CategoryTable& table, uint8_t k) const;
    void EnsureRow(const CategoryTable& table, const QuantityRow& row);

    bool IsUnset(const CategoryTable& table, const QuantityRow& row) const;
    uint8_t* ResultsBlock(Category category);
    const uint8_t* ResultsBlock(Category category) const;
    const uint8_t* SettingsBlock(Category category) const;
};

const CategoryTable& TableOf(Category category);

// The four settings blocks one analysis reads.
struct AnalysisSettings {
    const PointSettings& points;
    const EdgeSettings& edges;
    const TriangleSettings& triangles;
    const MeshSettings& mesh;
};

// Where one analysis leaves its four result blocks.
struct AnalysisResults {
    PointResults& points;
    EdgeResults& edges;
    TriangleResults& triangles;
    MeshResults& mesh;
};

// One whole analysis of a record that passed CheckRecord, as analyse() and
// locate() both run it: every category with `settings`, each step announced
// to `progress`, the open lists of `locations` filled (none when it is
// null), and the four blocks left in `results`.
void AnalyseRecord(const MeshRecord& mesh, const AnalysisSettings& settings,
                   const AnalysisResults& results, ProgressReporter& progress,
                   LocationStore* locations);

}  // namespace meshaudit
