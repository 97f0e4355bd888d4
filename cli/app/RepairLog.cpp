#include "RepairLog.h"

namespace meshaudit::cli {

namespace {

using nlohmann::ordered_json;

const char* ReasonKey(DropReason reason)
{
    switch (reason) {
    case DropReason::NonFinite:
        return "non-finite corner";
    case DropReason::RepeatedPoint:
        return "repeats a point";
    case DropReason::ZeroArea:
        return "zero area";
    case DropReason::Duplicate:
        return "duplicate";
    case DropReason::TwoSided:
        return "two-sided sheet";
    case DropReason::SmallShell:
        return "small shell";
    case DropReason::InnerShell:
        return "inner shell";
    case DropReason::TouchingFan:
        return "fan where pieces touch";
    }
    return "?";
}

const char* OutcomeKey(HoleOutcome outcome)
{
    switch (outcome) {
    case HoleOutcome::Filled:
        return "filled";
    case HoleOutcome::NotALoop:
        return "not a loop";
    case HoleOutcome::Degenerate:
        return "only degenerate fills";
    case HoleOutcome::Intersecting:
        return "a fill would cross the mesh";
    }
    return "?";
}

// What a step's count counts, as its log documents it.
const char* ChangeNoun(RepairStep step)
{
    switch (step) {
    case RepairStep::NonFinite:
    case RepairStep::Duplicates:
    case RepairStep::SmallShells:
        return "triangles dropped";
    case RepairStep::MergePoints:
    case RepairStep::Stitch:
        return "points merged";
    case RepairStep::Degenerate:
        return "points merged or triangles split";
    case RepairStep::NonManifold:
        return "point copies made or triangles cut where pieces touch";
    case RepairStep::Orient:
        return "triangles turned";
    case RepairStep::FillHoles:
        return "triangles added";
    case RepairStep::ResolveIntersections:
        return "triangles split or inside the union";
    case RepairStep::UnusedPoints:
        return "points dropped";
    }
    return "changes";
}

}  // namespace

const std::vector<RepairStepText>& RepairStepTexts()
{
    static const std::vector<RepairStepText> texts = {
        {RepairStep::NonFinite, "--drop-non-finite", "drop triangles with a non-finite corner"},
        {RepairStep::MergePoints, "--merge", "merge equal points (within TOL with --merge TOL)"},
        {RepairStep::Degenerate, "--fix-degenerate",
         "drop triangles that repeat a point, and remove zero-area ones without opening a hole"},
        {RepairStep::Duplicates, "--drop-duplicates",
         "keep one of each set of duplicated triangles; remove two-sided sheets"},
        {RepairStep::NonManifold, "--split-non-manifold", "split pinched points and non-manifold edges"},
        {RepairStep::Stitch, "--stitch", "stitch border edges whose points coincide"},
        {RepairStep::Orient, "--orient", "orient each shell consistently, outward, voids inward"},
        {RepairStep::FillHoles, "--fill-holes", "fill holes without crossing the mesh"},
        {RepairStep::SmallShells, "--min-shell",
         "drop lone triangles beside larger shells, shells below a size (and inner shells with --drop-inner)"},
        {RepairStep::ResolveIntersections, "--resolve-intersections",
         "split triangles where they meet, and unite closed shells"},
        {RepairStep::UnusedPoints, "--drop-unused", "drop points no triangle uses"},
    };
    return texts;
}

std::vector<std::string> RepairSummaryLines(const RepairLog& log)
{
    std::vector<std::string> lines;
    for (const RepairStepText& text : RepairStepTexts()) {
        const RepairLog::StepSummary& s = log.steps[static_cast<size_t>(text.step)];
        if (s.ran) {
            lines.push_back(std::string(text.does) + ": " + std::to_string(s.changes) + " " +
                            ChangeNoun(text.step));
        }
    }
    if (!log.cutFans.empty()) {
        size_t added = 0;
        for (const RepairLog::CutFan& cut : log.cutFans) {
            added += cut.added.size();
        }
        const size_t n = log.cutFans.size();
        lines.push_back(std::to_string(n) + (n == 1 ? " fan was" : " fans were") +
                        " cut away where pieces touched at a point, their rims closed by " + std::to_string(added) +
                        " new triangles (see --log)");
    }
    size_t open = 0;
    for (const RepairLog::Hole& hole : log.holes) {
        open += hole.outcome == HoleOutcome::Filled ? 0 : 1;
    }
    if (open != 0) {
        lines.push_back(std::to_string(open) + (open == 1 ? " hole is" : " holes are") +
                        " left open: no fill avoids crossing the mesh or a degenerate triangle (see --log)");
    }
    const RepairLog::Intersections& x = log.intersections;
    if (x.crowded) {
        lines.push_back("intersections not resolved: a point has more than 64 triangles round it that fold over "
                        "one another or share one edge, and arranging them would test every pair of them");
    } else if (x.tooMany) {
        lines.push_back("intersections not resolved: at least " + std::to_string(x.left) +
                        " pairs of triangles meet, over 8 per triangle, too many to arrange; the mesh is left "
                        "as it was");
    } else if (x.outOfRange) {
        lines.push_back("intersections not resolved: triangles meet, but a coordinate is neither 0 nor of a size "
                        "between 2^-200 and 2^200, beyond what the exact arrangement takes on; the mesh is left "
                        "as it was");
    } else if (x.found) {
        const std::string curves = std::to_string(x.curves.size()) + (x.curves.size() == 1 ? " curve" : " curves");
        if (x.resolved) {
            lines.push_back("intersections resolved along " + curves + ": " + std::to_string(x.pointsAdded) +
                            " points added, " + std::to_string(x.trianglesSplit) + " triangles split" +
                            (x.united ? ", " + std::to_string(x.trianglesInside) + " pieces inside the union dropped"
                                      : ", not united (the surface is open)"));
        } else if (x.unionRefused) {
            lines.push_back("intersections along " + curves +
                            " left as they are: rounding the points where they cross left pieces the union "
                            "cannot take (one without area, or two that overlap); the mesh is left as it was "
                            "(see --log)");
        } else if (x.open) {
            lines.push_back("intersections along " + curves +
                            " left as they are: a shell is open, so there is no union, and splitting the sheets "
                            "would cut them along the curves (--resolve-intersections alone splits them)");
        } else {
            lines.push_back("intersections along " + curves + " NOT resolved: " + std::to_string(x.left) +
                            " pairs of pieces still meet after " + std::to_string(x.rounds) +
                            " rounds; the mesh is left as it was (see --log)");
        }
    }
    if (log.Unchanged()) {
        // Holes left open or intersections left as they were change
        // nothing, but the mesh is not sound: not "nothing to repair".
        const bool left = open != 0 || x.crowded || x.outOfRange || (x.found && !x.resolved);
        lines.push_back(left ? "nothing changed: the mesh is written as read (what is left is above)"
                             : "nothing to repair: the mesh is written as read");
    }
    return lines;
}

ordered_json RepairLogJson(const RepairLog& log)
{
    ordered_json document = ordered_json::object();
    document["steps"] = ordered_json::array();
    for (uint32_t k = 0; k < kRepairStepCount; ++k) {
        const RepairLog::StepSummary& s = log.steps[k];
        document["steps"].push_back({{"step", RepairStepName(static_cast<RepairStep>(k))},
                                     {"ran", s.ran},
                                     {"triangles", {s.trianglesBefore, s.trianglesAfter}},
                                     {"points", {s.pointsBefore, s.pointsAfter}},
                                     {"changes", s.changes}});
    }
    ordered_json& dropped = document["dropped_triangles"] = ordered_json::array();
    for (const RepairLog::DroppedTriangle& d : log.droppedTriangles) {
        dropped.push_back({d.triangle, ReasonKey(d.reason)});
    }
    ordered_json& merged = document["merged_points"] = ordered_json::array();
    for (const RepairLog::MergedPoint& m : log.mergedPoints) {
        merged.push_back({m.point, m.into, RepairStepName(m.step)});
    }
    ordered_json& splits = document["side_splits"] = ordered_json::array();
    for (const RepairLog::SideSplit& s : log.sideSplits) {
        splits.push_back({s.degenerate, s.split, s.corner});
    }
    ordered_json& points = document["split_points"] = ordered_json::array();
    for (const RepairLog::SplitPoint& p : log.splitPoints) {
        points.push_back({p.point, p.copies});
    }
    ordered_json& cuts = document["cut_fans"] = ordered_json::array();
    for (const RepairLog::CutFan& c : log.cutFans) {
        ordered_json added = ordered_json::array();
        for (const TRIANGLE& t : c.added) {
            added.push_back({t.a, t.b, t.c});
        }
        cuts.push_back({{"point", c.point}, {"rim", c.rim}, {"added", added}});
    }
    ordered_json& flipped = document["flipped_shells"] = ordered_json::array();
    for (const RepairLog::FlippedShell& f : log.flippedShells) {
        flipped.push_back(f.triangles);
    }
    ordered_json& holes = document["holes"] = ordered_json::array();
    for (const RepairLog::Hole& h : log.holes) {
        ordered_json added = ordered_json::array();
        for (const TRIANGLE& t : h.added) {
            added.push_back({t.a, t.b, t.c});
        }
        holes.push_back({{"loop", h.loop}, {"added", added}, {"outcome", OutcomeKey(h.outcome)}});
    }
    ordered_json& shells = document["dropped_shells"] = ordered_json::array();
    for (const RepairLog::DroppedShell& d : log.droppedShells) {
        shells.push_back({{"triangles", d.triangles}, {"reason", ReasonKey(d.reason)}});
    }
    document["dropped_points"] = log.droppedPoints;
    const RepairLog::Intersections& x = log.intersections;
    ordered_json curves = ordered_json::array();
    for (const RepairLog::IntersectionCurve& c : x.curves) {
        ordered_json pairs = ordered_json::array();
        for (const auto& [a, b] : c.pairs) {
            pairs.push_back({a, b});
        }
        curves.push_back({{"pairs", pairs}, {"segments", c.segments}});
    }
    document["intersections"] = {{"found", x.found},
                                 {"resolved", x.resolved},
                                 {"united", x.united},
                                 {"open", x.open},
                                 {"crowded", x.crowded},
                                 {"too_many", x.tooMany},
                                 {"out_of_range", x.outOfRange},
                                 {"union_refused", x.unionRefused},
                                 {"rounds", x.rounds},
                                 {"points_added", x.pointsAdded},
                                 {"triangles_split", x.trianglesSplit},
                                 {"pieces_inside", x.trianglesInside},
                                 {"pairs_left", x.left},
                                 {"curves", curves}};
    return document;
}

}  // namespace meshaudit::cli
