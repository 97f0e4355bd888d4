// The mesh between the repair's steps. Its points are the input's, in their
// numbers, followed by copies of some of them (step 5); no coordinate is
// ever stored apart from the input's, so no step can move a point. Its
// triangles carry what ties them to the input: the input triangle each came
// from, and the points its corners named before any merge.
#pragma once

#include "meshaudit_repair.hpp"
#include "containers/WorkArray.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace meshaudit::pipeline {

class EdgeSides;

inline constexpr uint32_t kNone = 0xFFFFFFFFu;
// The most triangles a work mesh holds: every side must have a 32-bit
// number (triangle * 3 + corner).
inline constexpr uint32_t kMostTriangles = kNone / 3 - 1;

inline uint32_t Corner(const TRIANGLE& t, uint32_t i)
{
    return i == 0 ? t.a : i == 1 ? t.b : t.c;
}
inline uint32_t& Corner(TRIANGLE& t, uint32_t i)
{
    return i == 0 ? t.a : i == 1 ? t.b : t.c;
}
// The corner of t that names `point` (2 when none before it does).
inline uint32_t CornerAt(const TRIANGLE& t, uint32_t point)
{
    return t.a == point ? 0u : t.b == point ? 1u : 2u;
}
inline bool RepeatsPoint(const TRIANGLE& t)
{
    return t.a == t.b || t.b == t.c || t.c == t.a;
}

class WorkMesh {
public:
    // Takes a copy of the input's triangles; `input` and `log` must outlive
    // the work mesh.
    WorkMesh(const MeshRecord& input, RepairLog& log);
    // A temporary record would not outlive the work mesh.
    WorkMesh(MeshRecord&& input, RepairLog& log) = delete;
    ~WorkMesh();

    uint32_t PointCount() const { return inputPoints_ + static_cast<uint32_t>(copyOf_.size()); }
    // The input point a point is, or is a copy of.
    uint32_t Origin(uint32_t p) const { return p < inputPoints_ ? p : copyOf_[p - inputPoints_]; }
    const T3DVECF& Point(uint32_t p) const { return input.points[Origin(p)]; }
    // A new point with the coordinates of p; its number. Throws
    // std::bad_alloc when the numbers run out.
    uint32_t AddCopy(uint32_t p);

    // Records that no triangle names `point` any more, all naming `into`
    // instead (the caller renames them). Reported at the end unless
    // Restore(point) undoes it; a point merged again is reported once, with
    // its last merge.
    void Merge(uint32_t point, uint32_t into, RepairStep step);
    // The point `p` was merged into, or kNone.
    uint32_t MergedInto(uint32_t p) const { return mergedInto_.empty() ? kNone : mergedInto_[p]; }
    void Restore(uint32_t p)
    {
        mergedInto_[p] = kNone;
        usedApart_ = false;
    }

    // Whether no two points that triangles use are known to share their
    // coordinates: set by step 2's exact merge, which leaves one point at
    // each place, and cleared by anything that can give a place a second
    // used point (a copy, a merge undone). Points never move, and the other
    // steps only rename corners to points in use or drop triangles, so the
    // places of step 2 hold until then, and later steps need not hash every
    // point again to find them (EqualCoordinates.h).
    bool UsedPointsApart() const { return usedApart_; }
    void SetUsedPointsApart() { usedApart_ = true; }

    // Points that step 5 parted from others at their place (the point split,
    // its copies, the points given back): step 6 must not join them again.
    void MarkParted(uint32_t p);
    bool Parted(uint32_t p) const { return p < parted_.size() && parted_[p] != 0; }
    // Whether step 5 parted any place: after step 2's merges, the only way
    // two points triangles use come to share coordinates.
    bool AnyParted() const { return !parted_.empty(); }

    // Appends a triangle; `from` is an input triangle or kAddedTriangle.
    void AddTriangle(const TRIANGLE& t, uint32_t from, const TRIANGLE& named);
    // Room for `extra` more triangles in every per-triangle array, taken
    // before a step appends a known number: appending one by one would
    // double arrays of a million triangles for a few thousand added, and
    // hold both copies at once. The room is exact, so a call may copy the
    // arrays once: its callers (the hole fill, each of the fan cuts' few
    // rounds) already read the whole mesh, so that costs no more.
    void ReserveTriangles(size_t extra);
    // Removes every triangle whose entry in `reasons` is not kKeep (a
    // DropReason otherwise), keeping the order of the others, and logs those
    // that came from the input.
    static constexpr uint8_t kKeep = 0xFF;
    void DropTriangles(const WorkArray<uint8_t>& reasons);
    // Swaps corners b and c of triangle t (and of its named corners).
    void Flip(uint32_t t);

    // The triangles' sides grouped by edge, built at the first request after
    // a change: most steps change nothing on most meshes, and the steps
    // from 5 to 8 then share one grouping. A step that writes `triangles`
    // itself calls TrianglesChanged() before the next request; the
    // functions above call it themselves, but for Flip, which updates the
    // grouping in place.
    const EdgeSides& Sides() const;
    void TrianglesChanged();
    // The shells ShellLabels last found (and their count), kept like the
    // grouping until the next change: a flip changes neither. Null when
    // there are none.
    const WorkArray<uint32_t>* KeptShells(uint32_t& count) const
    {
        count = shellCount_;
        return shellCount_ == kNone ? nullptr : &shellOf_;
    }
    void KeepShells(const WorkArray<uint32_t>& shellOf, uint32_t count) const
    {
        shellOf_ = shellOf;
        shellCount_ = count;
    }

    // The mesh as a record, its points contiguous (the input's own array
    // while there are no copies). Valid until the next change.
    MeshRecord Record();
    // The number of points some triangle names; kept, like the grouping,
    // until the next change (the count before and after every step is
    // logged, and most steps change nothing).
    uint32_t PointsInUse() const;
    // Moves the merges that still hold into the log, by point, and returns
    // how many each step made; undone ones are left out.
    WorkArray<uint32_t> SettleMerges();

    const MeshRecord& input;
    RepairLog& log;
    WorkArray<TRIANGLE> triangles;
    WorkArray<uint32_t> from;
    WorkArray<TRIANGLE> named;
    // From step 7 on: per triangle, 1 when its orientation changed.
    WorkArray<uint8_t> flipped;

private:
    uint32_t inputPoints_;
    WorkArray<uint32_t> copyOf_;
    // Per point, once some point is merged: the point it went into (kNone
    // for none) and the step that merged it.
    WorkArray<uint32_t> mergedInto_;
    WorkArray<uint8_t> mergeStep_;
    WorkArray<uint8_t> parted_;
    WorkArray<T3DVECF> materialized_;
    mutable std::unique_ptr<EdgeSides> sides_;
    mutable WorkArray<uint32_t> shellOf_;
    mutable uint32_t shellCount_ = kNone;  // kNone: none kept
    mutable uint32_t inUse_ = kNone;       // kNone: not counted
    bool usedApart_ = false;
};

}  // namespace meshaudit::pipeline
