// repair(): the entry checks, the steps in their order with their counts,
// and the output. A step's memory failure surfaces here as std::bad_alloc
// (from the standard containers or from a step); nothing else is thrown.
#include "repair/pipeline/Steps.h"
#include "model/RecordChecks.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace meshaudit {

const char* RepairStepName(RepairStep step) noexcept
{
    static const char* const names[kRepairStepCount] = {
        "NonFinite", "MergePoints", "Degenerate", "Duplicates", "NonManifold",
        "Stitch",    "Orient",      "FillHoles",  "SmallShells", "ResolveIntersections", "UnusedPoints"};
    const auto k = static_cast<uint32_t>(step);
    return k < kRepairStepCount ? names[k] : "";
}

bool RepairLog::Unchanged() const noexcept
{
    for (const StepSummary& s : steps) {
        if (s.changes != 0) {
            return false;
        }
    }
    return true;
}

namespace {

using pipeline::WorkMesh;

int32_t CheckInput(const MeshRecord& mesh, const RepairRequest& request)
{
    if (const int32_t code = CheckRecordAndCorners(mesh); code != 0) {
        return code;
    }
    if (mesh.triangleCount >= pipeline::kMostTriangles || mesh.pointCount >= pipeline::kNone - 1) {
        return -6;
    }
    if (!std::isfinite(request.tolerance) || request.tolerance < 0.0 || request.exactHoleEdges < 3 ||
        request.exactHoleEdges > 1000 || !(request.minShellSize >= 0.0) || (request.steps & ~kAllRepairSteps) != 0) {
        return -7;
    }
    return 0;
}

// Runs the selected steps, each between its counts.
void RunSteps(WorkMesh& mesh, const RepairRequest& request, RepairLog& log)
{
    const auto selected = [&request](RepairStep s) { return (request.steps & StepBit(s)) != 0; };
    uint32_t pointsInUse = mesh.PointsInUse();
    size_t dropped = 0, splits = 0;
    const auto run = [&](RepairStep step, auto&& body) {
        if (!selected(step)) {
            return;
        }
        RepairLog::StepSummary& s = log.steps[static_cast<uint32_t>(step)];
        s.ran = true;
        s.trianglesBefore = static_cast<uint32_t>(mesh.triangles.size());
        s.pointsBefore = pointsInUse;
        dropped = log.droppedTriangles.size();
        splits = log.sideSplits.size();
        s.changes = body();
        s.changes += static_cast<uint32_t>(log.droppedTriangles.size() - dropped);
        s.trianglesAfter = static_cast<uint32_t>(mesh.triangles.size());
        pointsInUse = mesh.PointsInUse();
        s.pointsAfter = pointsInUse;
    };
    run(RepairStep::NonFinite, [&] {
        pipeline::DropNonFinite(mesh);
        return 0u;
    });
    run(RepairStep::MergePoints, [&] {
        pipeline::MergePoints(mesh, request.tolerance);
        return 0u;
    });
    run(RepairStep::Degenerate, [&] {
        pipeline::RemoveDegenerate(mesh);
        return static_cast<uint32_t>(log.sideSplits.size() - splits);
    });
    run(RepairStep::Duplicates, [&] {
        pipeline::RemoveDuplicates(mesh, request.tolerance <= 0.0 && selected(RepairStep::ResolveIntersections));
        return 0u;
    });
    uint32_t deferred = 0;
    run(RepairStep::NonManifold, [&] {
        deferred = pipeline::SplitNonManifold(mesh, selected(RepairStep::FillHoles), false);
        return 0u;
    });
    bool stitched = false;
    run(RepairStep::Stitch, [&] {
        stitched = pipeline::StitchBorders(mesh);
        return 0u;
    });
    const bool keepInner = request.dropInnerShells && selected(RepairStep::SmallShells);
    run(RepairStep::Orient, [&] {
        pipeline::OrientConsistently(mesh);
        pipeline::OrientOutward(mesh, keepInner, selected(RepairStep::ResolveIntersections));
        return 0u;
    });
    bool touching = false;
    uint32_t& added = log.steps[static_cast<uint32_t>(RepairStep::FillHoles)].changes;
    run(RepairStep::FillHoles, [&] { return pipeline::FillHoles(mesh, request.exactHoleEdges, touching); });
    const auto dropShells = [&] {
        pipeline::DropShells(mesh, request.minShellTriangles, request.minShellSize, request.dropInnerShells);
        return 0u;
    };
    run(RepairStep::SmallShells, dropShells);
    const auto open = [&log] {
        return std::any_of(log.holes.begin(), log.holes.end(),
                           [](const RepairLog::Hole& h) { return h.outcome != HoleOutcome::Filled; });
    };
    uint32_t& droppedShells = log.steps[static_cast<uint32_t>(RepairStep::SmallShells)].changes;
    const auto dropAgain = [&] {
        const size_t before = log.droppedTriangles.size();
        if (selected(RepairStep::SmallShells)) {
            dropShells();
            droppedShells += static_cast<uint32_t>(log.droppedTriangles.size() - before);
        }
        return log.droppedTriangles.size() != before;
    };
    // Pieces that touch at a point once parted: a fan cut away, its rim
    // filled. A hole the touching piece kept open may close now.
    uint32_t& partedCount = log.steps[static_cast<uint32_t>(RepairStep::NonManifold)].changes;
    const auto cutFans = [&] {
        if (!selected(RepairStep::NonManifold) || !selected(RepairStep::FillHoles) ||
            (selected(RepairStep::MergePoints) && !mesh.AnyParted())) {
            return false;
        }
        const uint32_t cut =
            pipeline::CutTouchingFans(mesh, request.exactHoleEdges, selected(RepairStep::ResolveIntersections), added);
        partedCount += cut;
        return cut != 0;
    };
    // The mesh has changed since the fills were chosen: a shell dropped
    // that a fill met, points parted or joined, stitches, fills that meet,
    // copies the fills may have joined again, fans cut.
    bool changed = droppedShells != 0 || deferred != 0 || stitched || touching ||
                   (mesh.PointCount() > mesh.input.pointCount && added != 0);
    changed |= cutFans();
    bool partedAgain = false;
    // Until a repair of the result would change nothing, in a few rounds:
    // one on most meshes that need it, more only on debris.
    for (int round = 0; changed && round < 4; ++round) {
        changed = false;
        bool joined = false, moved = false;
        if (selected(RepairStep::FillHoles) && open()) {
            // Holes left open are tried again on the mesh as a repair of the
            // repaired mesh would see it, its fans with a border at one place
            // joined and oriented; those still open are logged once.
            if (selected(RepairStep::NonManifold)) {
                pipeline::SplitNonManifold(mesh, true, true, &joined);
                moved |= joined;
            }
            if (joined && selected(RepairStep::Orient)) {
                pipeline::OrientConsistently(mesh);
            }
            std::erase_if(log.holes, [](const RepairLog::Hole& h) { return h.outcome != HoleOutcome::Filled; });
            const uint32_t more = pipeline::FillHoles(mesh, request.exactHoleEdges, touching);
            added += more;
            moved |= more != 0;
        }
        if (selected(RepairStep::NonManifold)) {
            // Every fan at every place to a point of its own.
            pipeline::SplitNonManifold(mesh, false, true, &joined);
            moved |= joined;
        }
        // Parting may leave a piece below step 9's size, and a fill may
        // change a shell's size or nesting: dropped with the rest.
        const bool cut = cutFans();
        partedAgain |= moved;
        changed = (moved && dropAgain()) || cut;
    }
    if (selected(RepairStep::Orient)) {
        // The last splits may have joined parts a walk oriented apart, and
        // shells that the fills closed have a volume now.
        if (partedAgain) {
            pipeline::OrientConsistently(mesh);
        }
        if (partedAgain || added != 0) {
            pipeline::OrientOutward(mesh, keepInner, selected(RepairStep::ResolveIntersections));
        }
        log.steps[static_cast<uint32_t>(RepairStep::Orient)].changes = pipeline::LogFlips(mesh);
    }
    const WorkArray<uint32_t> merges = mesh.SettleMerges();
    for (uint32_t k = 0; k < kRepairStepCount; ++k) {
        log.steps[k].changes += merges[k];
    }
}

// The output: the points triangles use, and with step 10 not selected also
// the input's points no triangle used and no merge took.
void Output(WorkMesh& mesh, bool dropUnused, RepairResult& out)
{
    const uint32_t pointCount = mesh.PointCount();
    WorkArray<uint32_t> renumber(pointCount, pipeline::kNone);
    for (const TRIANGLE& t : mesh.triangles) {
        renumber[t.a] = renumber[t.b] = renumber[t.c] = 0;
    }
    RepairLog::StepSummary& unused = out.log.steps[static_cast<uint32_t>(RepairStep::UnusedPoints)];
    if (dropUnused) {
        unused.ran = true;
        unused.trianglesBefore = unused.trianglesAfter = static_cast<uint32_t>(mesh.triangles.size());
    }
    // The copies kept, by the input point they copy.
    WorkArray<uint32_t> copies;
    for (uint32_t p = mesh.input.pointCount; p < pointCount; ++p) {
        if (renumber[p] == 0) {
            copies.push_back(mesh.Origin(p));
        }
    }
    std::sort(copies.begin(), copies.end());
    for (size_t i = 0; i < copies.size(); ++i) {
        if (i == 0 || copies[i] != copies[i - 1]) {
            out.log.splitPoints.push_back({copies[i], 0});
        }
        ++out.log.splitPoints.back().copies;
    }
    out.log.steps[static_cast<uint32_t>(RepairStep::NonManifold)].changes += static_cast<uint32_t>(copies.size());
    // Room for every point at once: grown by doubling, the arrays would
    // hold up to twice the points at the pipeline's peak.
    out.points.reserve(pointCount);
    out.pointFrom.reserve(pointCount);
    for (uint32_t p = 0; p < pointCount; ++p) {
        const bool used = renumber[p] == 0;
        const bool input = p < mesh.input.pointCount && mesh.MergedInto(p) == pipeline::kNone;
        if (used || (input && !dropUnused)) {
            renumber[p] = static_cast<uint32_t>(out.points.size());
            out.points.push_back(mesh.Point(p));
            out.pointFrom.push_back(mesh.Origin(p));
        } else if (input && dropUnused) {
            out.log.droppedPoints.push_back(p);
        }
    }
    if (dropUnused) {
        unused.changes = static_cast<uint32_t>(out.log.droppedPoints.size());
        unused.pointsAfter = static_cast<uint32_t>(out.points.size());
        unused.pointsBefore = unused.pointsAfter + unused.changes;
    }
    out.triangles.reserve(mesh.triangles.size());
    for (const TRIANGLE& t : mesh.triangles) {
        out.triangles.push_back(TRIANGLE{renumber[t.a], renumber[t.b], renumber[t.c]});
    }
    out.triangleFrom.assign(mesh.from.begin(), mesh.from.end());
}

}  // namespace

int32_t repair(const MeshRecord& mesh, const RepairRequest& request, RepairResult& out) noexcept
{
    out = RepairResult{};
    const int32_t code = CheckInput(mesh, request);
    if (code != 0) {
        return code;
    }
    try {
        {
            // The working mesh is freed before step 10, which builds a tree
            // over the whole output: the peak is the larger of the two, not
            // their sum.
            WorkMesh work(mesh, out.log);
            RunSteps(work, request, out.log);
            Output(work, (request.steps & StepBit(RepairStep::UnusedPoints)) != 0, out);
        }
        if ((request.steps & StepBit(RepairStep::ResolveIntersections)) != 0) {
            pipeline::ResolveIntersections(request, out);
        }
    } catch (...) {
        out = RepairResult{};
        return -6;
    }
    return 1;
}

}  // namespace meshaudit
