// The work mesh's bookkeeping: copies, merges, drops and flips.
#include "repair/pipeline/WorkMesh.h"

#include "repair/pipeline/EdgeSides.h"

#include <new>
#include <utility>

namespace meshaudit::pipeline {

WorkMesh::WorkMesh(const MeshRecord& in, RepairLog& repairLog)
    : input(in), log(repairLog), inputPoints_(in.pointCount)
{
    triangles.assign(in.triangles, in.triangles + in.triangleCount);
    named = triangles;
    from.resize(in.triangleCount);
    for (uint32_t t = 0; t < in.triangleCount; ++t) {
        from[t] = t;
    }
}

WorkMesh::~WorkMesh() = default;

const EdgeSides& WorkMesh::Sides() const
{
    if (sides_ == nullptr) {
        sides_ = std::make_unique<EdgeSides>(triangles, PointCount());
    }
    return *sides_;
}

void WorkMesh::TrianglesChanged()
{
    sides_.reset();
    shellCount_ = kNone;
    inUse_ = kNone;
}

uint32_t WorkMesh::AddCopy(uint32_t p)
{
    if (PointCount() >= kNone - 1) {
        throw std::bad_alloc();
    }
    copyOf_.push_back(Origin(p));
    usedApart_ = false;
    if (!mergedInto_.empty()) {
        mergedInto_.push_back(kNone);
        mergeStep_.push_back(0);
    }
    return PointCount() - 1;
}

void WorkMesh::Merge(uint32_t point, uint32_t into, RepairStep step)
{
    if (mergedInto_.empty()) {
        mergedInto_.assign(PointCount(), kNone);
        mergeStep_.assign(PointCount(), 0);
    }
    mergedInto_[point] = into;
    mergeStep_[point] = static_cast<uint8_t>(step);
}

void WorkMesh::MarkParted(uint32_t p)
{
    if (parted_.size() <= p) {
        parted_.resize(PointCount(), 0);
    }
    parted_[p] = 1;
}

void WorkMesh::AddTriangle(const TRIANGLE& t, uint32_t source, const TRIANGLE& namedCorners)
{
    if (triangles.size() >= kMostTriangles) {
        throw std::bad_alloc();
    }
    TrianglesChanged();
    triangles.push_back(t);
    from.push_back(source);
    named.push_back(namedCorners);
    if (!flipped.empty()) {
        flipped.push_back(0);
    }
}

void WorkMesh::ReserveTriangles(size_t extra)
{
    const size_t size = triangles.size() + extra;
    triangles.reserve(size);
    from.reserve(size);
    named.reserve(size);
    if (!flipped.empty()) {
        flipped.reserve(size);
    }
}

void WorkMesh::DropTriangles(const WorkArray<uint8_t>& reasons)
{
    TrianglesChanged();
    size_t kept = 0;
    for (size_t t = 0; t < triangles.size(); ++t) {
        if (reasons[t] != kKeep) {
            if (from[t] != kAddedTriangle) {
                log.droppedTriangles.push_back({from[t], static_cast<DropReason>(reasons[t])});
            }
            continue;
        }
        triangles[kept] = triangles[t];
        from[kept] = from[t];
        named[kept] = named[t];
        if (!flipped.empty()) {
            flipped[kept] = flipped[t];
        }
        ++kept;
    }
    triangles.resize(kept);
    from.resize(kept);
    named.resize(kept);
    if (!flipped.empty()) {
        flipped.resize(kept);
    }
}

void WorkMesh::Flip(uint32_t t)
{
    // The grouping follows the flip rather than being built again: a shell
    // turned whole would otherwise cost the next step a full grouping.
    if (sides_ != nullptr) {
        sides_->Flip(t);
    }
    std::swap(triangles[t].b, triangles[t].c);
    std::swap(named[t].b, named[t].c);
    if (!flipped.empty()) {
        flipped[t] ^= 1;
    }
}

MeshRecord WorkMesh::Record()
{
    MeshRecord record{const_cast<T3DVECF*>(input.points), inputPoints_, triangles.data(),
                      static_cast<uint32_t>(triangles.size())};
    if (!copyOf_.empty()) {
        materialized_.assign(input.points, input.points + inputPoints_);
        for (const uint32_t p : copyOf_) {
            materialized_.push_back(input.points[p]);
        }
        record.points = materialized_.data();
        record.pointCount = PointCount();
    }
    return record;
}

uint32_t WorkMesh::PointsInUse() const
{
    if (inUse_ != kNone) {
        return inUse_;
    }
    WorkArray<uint8_t> used(PointCount(), 0);
    uint32_t count = 0;
    for (const TRIANGLE& t : triangles) {
        for (uint32_t i = 0; i < 3; ++i) {
            uint8_t& u = used[Corner(t, i)];
            count += u == 0 ? 1 : 0;
            u = 1;
        }
    }
    inUse_ = count;
    return count;
}

WorkArray<uint32_t> WorkMesh::SettleMerges()
{
    WorkArray<uint32_t> perStep(kRepairStepCount, 0);
    size_t count = 0;
    for (const uint32_t into : mergedInto_) {
        count += into != kNone ? 1 : 0;
    }
    log.mergedPoints.reserve(count);
    for (uint32_t p = 0; p < mergedInto_.size(); ++p) {
        if (mergedInto_[p] != kNone) {
            const auto step = static_cast<RepairStep>(mergeStep_[p]);
            log.mergedPoints.push_back({Origin(p), Origin(mergedInto_[p]), step});
            ++perStep[mergeStep_[p]];
        }
    }
    return perStep;
}

}  // namespace meshaudit::pipeline
