// The C++ location API: the exported analysis, with element lists and
// without any process-wide state.
#include "meshaudit.hpp"

#include "analysis/AnalysisContext.h"
#include "analysis/LocationStore.h"
#include "analysis/Progress.h"
#include "containers/Memory.h"
#include "containers/MemoryBudget.h"
#include "model/BlockMarks.h"
#include "model/RecordChecks.h"

namespace meshaudit {

namespace {

LocationStore* StoreOf(void* store)
{
    return static_cast<LocationStore*>(store);
}

void ResetBlocks(Locations& out)
{
    out.points = NotComputedPointResults();
    out.edges = NotComputedEdgeResults();
    out.triangles = NotComputedTriangleResults();
    out.mesh = NotComputedMeshResults();
}

}  // namespace

Locations::Locations() noexcept : store_(nullptr)
{
    ResetBlocks(*this);
}

Locations::~Locations()
{
    Delete(StoreOf(store_));
}

Locations::Locations(Locations&& other) noexcept
    : points(other.points), edges(other.edges), triangles(other.triangles), mesh(other.mesh),
      refusedAllocations(other.refusedAllocations), store_(other.store_)
{
    other.store_ = nullptr;
}

Locations& Locations::operator=(Locations&& other) noexcept
{
    if (this != &other) {
        Delete(StoreOf(store_));
        points = other.points;
        edges = other.edges;
        triangles = other.triangles;
        mesh = other.mesh;
        refusedAllocations = other.refusedAllocations;
        store_ = other.store_;
        other.store_ = nullptr;
    }
    return *this;
}

ElementSpan Locations::Span(uint32_t category, uint32_t k) const
{
    ElementSpan span;
    const LocationStore* store = StoreOf(store_);
    if (store == nullptr || k > 0xFF) {
        return span;
    }
    const LocationList* list = store->List(static_cast<Category>(category), static_cast<uint8_t>(k));
    if (list == nullptr) {
        return span;
    }
    span.data = list->Items();
    span.stored = list->Stored();
    span.total = list->Total();
    span.arity = list->Arity();
    span.located = true;
    return span;
}

ElementSpan Locations::of(PointQuantity k) const
{
    return Span(static_cast<uint32_t>(Category::Points), static_cast<uint32_t>(k));
}

ElementSpan Locations::of(EdgeQuantity k) const
{
    return Span(static_cast<uint32_t>(Category::Edges), static_cast<uint32_t>(k));
}

ElementSpan Locations::of(TriangleQuantity k) const
{
    return Span(static_cast<uint32_t>(Category::Triangles), static_cast<uint32_t>(k));
}

ElementSpan Locations::of(MeshQuantity k) const
{
    return Span(static_cast<uint32_t>(Category::Mesh), static_cast<uint32_t>(k));
}

int32_t locate(const MeshRecord& mesh, const PointSettings& pointSettings,
               const EdgeSettings& edgeSettings, const TriangleSettings& triangleSettings,
               const MeshSettings& meshSettings, const LocateRequest& request,
               Locations& out) noexcept
{
    Delete(StoreOf(out.store_));
    out.store_ = nullptr;
    ResetBlocks(out);
    out.refusedAllocations = 0;
    const int32_t code = CheckRecord(mesh);
    if (code != 0) {
        return code;
    }
    // The lists stay with `out` after the call: they count against the
    // limit while it is made, and outlive it.
    MemoryBudgetScope budget(request.memoryLimit);
    LocationStore* store = New<LocationStore>();
    if (store == nullptr) {
        out.refusedAllocations = budget.Refused();
        return -5;
    }
    out.store_ = store;
    const uint32_t masks[4] = {request.points, request.edges, request.triangles, request.mesh};
    store->Open(masks, request.maxItems);

    ProgressReporter progress;
    progress.stream = nullptr;
    progress.callback = request.progress;
    progress.user = request.progressUser;

    AnalyseRecord(mesh, {pointSettings, edgeSettings, triangleSettings, meshSettings},
                  {out.points, out.edges, out.triangles, out.mesh}, progress, store);
    out.refusedAllocations = budget.Refused();
    return store->Failed() ? -5 : 1;
}

}  // namespace meshaudit
