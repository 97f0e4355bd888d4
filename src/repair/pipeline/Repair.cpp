// repair(): the entry checks, the steps in their order with their counts,
// and the output. A step's memory failure surfaces here as std::bad_alloc
// (from the standard containers or from a step); nothing else is thrown.
#include "repair/pipeline/Steps.h"

#include <cmath>
#include <new>

namespace meshaudit {

const char* RepairStepName(RepairStep step) noexcept
{
    static const char* const names[kRepairStepCount] = {
        "NonFinite", "MergePoints", "Degenerate", "Duplicates", "NonManifold",
        "Stitch",    "Orient",      "FillHoles",  "SmallShells", "UnusedPoints"};
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
    if (mesh.points == nullptr) {
        return -1;
    }
    if (mesh.triangles == nullptr) {
        return -2;
    }
    if (mesh.pointCount == 0) {
        return -3;
    }
    if (mesh.triangleCount == 0) {
        return -4;
    }
    for (uint32_t t = 0; t < mesh.triangleCount; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        if (tri.a >= mesh.pointCount || tri.b >= mesh.pointCount || tri.c >= mesh.pointCount) {
            return -5;
        }
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
        pipeline::RemoveDuplicates(mesh);
        return 0u;
    });
    const auto copiesSince = [&log](size_t before) {
        uint32_t copies = 0;
        for (size_t i = before; i < log.splitPoints.size(); ++i) {
            copies += log.splitPoints[i].copies;
        }
        return copies;
    };
    uint32_t deferred = 0;
    run(RepairStep::NonManifold, [&] {
        const size_t before = log.splitPoints.size();
        deferred = pipeline::SplitNonManifold(mesh, selected(RepairStep::FillHoles));
        return copiesSince(before);
    });
    run(RepairStep::Stitch, [&] {
        pipeline::StitchBorders(mesh);
        return 0u;
    });
    const bool keepInner = request.dropInnerShells && selected(RepairStep::SmallShells);
    run(RepairStep::Orient, [&] {
        pipeline::OrientConsistently(mesh);
        pipeline::OrientOutward(mesh, keepInner);
        return 0u;
    });
    run(RepairStep::FillHoles, [&] { return pipeline::FillHoles(mesh, request.exactHoleEdges); });
    if (deferred != 0) {
        // What the fills left pinched.
        const size_t before = log.splitPoints.size();
        pipeline::SplitNonManifold(mesh, false);
        log.steps[static_cast<uint32_t>(RepairStep::NonManifold)].changes += copiesSince(before);
    }
    if (deferred != 0) {
        // What the fills left pinched.
        const size_t before = log.splitPoints.size();
        pipeline::SplitNonManifold(mesh, false);
        log.steps[static_cast<uint32_t>(RepairStep::NonManifold)].changes += copiesSince(before);
    }
    if (selected(RepairStep::Orient)) {
        // Shells that the fills closed have a volume now.
        if (log.steps[static_cast<uint32_t>(RepairStep::FillHoles)].changes != 0) {
            pipeline::OrientOutward(mesh, keepInner);
        }
        log.steps[static_cast<uint32_t>(RepairStep::Orient)].changes = pipeline::LogFlips(mesh);
    }
    run(RepairStep::SmallShells, [&] {
        pipeline::DropShells(mesh, request.minShellTriangles, request.minShellSize, request.dropInnerShells);
        return 0u;
    });
    const std::vector<uint32_t> merges = mesh.SettleMerges();
    for (uint32_t k = 0; k < kRepairStepCount; ++k) {
        log.steps[k].changes += merges[k];
    }
}

// The output: the points triangles use, and with step 10 not selected also
// the input's points no triangle used and no merge took.
void Output(WorkMesh& mesh, bool dropUnused, RepairResult& out)
{
    const uint32_t pointCount = mesh.PointCount();
    std::vector<uint32_t> renumber(pointCount, pipeline::kNone);
    for (const TRIANGLE& t : mesh.triangles) {
        renumber[t.a] = renumber[t.b] = renumber[t.c] = 0;
    }
    RepairLog::StepSummary& unused = out.log.steps[static_cast<uint32_t>(RepairStep::UnusedPoints)];
    if (dropUnused) {
        unused.ran = true;
        unused.trianglesBefore = unused.trianglesAfter = static_cast<uint32_t>(mesh.triangles.size());
    }
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
    out.triangleFrom = std::move(mesh.from);
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
        WorkMesh work(mesh, out.log);
        RunSteps(work, request, out.log);
        Output(work, (request.steps & StepBit(RepairStep::UnusedPoints)) != 0, out);
    } catch (...) {
        out = RepairResult{};
        return -6;
    }
    return 1;
}

}  // namespace meshaudit
