/*
 * meshaudit_repair.hpp -- a repair pipeline: from a damaged triangle soup to
 * closed, consistently oriented, manifold shells, without moving a point
 * (only step 10, which resolves intersections, adds points: where the
 * triangles meet).
 *
 * repair() runs up to eleven steps, always in this order; each can be selected
 * alone (RepairRequest::steps):
 *
 *    1 NonFinite       drop triangles with a corner that has a NaN or
 *                      infinite coordinate
 *    2 MergePoints     merge points of exactly equal coordinates (0.0 and
 *                      -0.0 alike), and within RepairRequest::tolerance when
 *                      it is above 0; a class of merged points becomes its
 *                      smallest input point, with that point's coordinates
 *    3 Degenerate      drop triangles that repeat a point, and triangles of
 *                      zero area (three collinear corners, an exact test):
 *                      a triangle with two corners at one place has that
 *                      side collapsed (its two points merged, which moves
 *                      nothing); any other has its longest side, the one
 *                      opposite its 180-degree corner, flipped: each
 *                      triangle across that side is split in two at that
 *                      corner, so that no hole opens (copies of the
 *                      zero-area triangle go with it). A zero-area triangle
 *                      on a border side is dropped (the border then runs
 *                      along its other two sides, the same line). One whose
 *                      side cannot be flipped (the triangles across it are
 *                      themselves of zero area, or more than eight) is
 *                      dropped, which may open a hole for step 8.
 *    4 Duplicates      keep the first triangle of each set with the same
 *                      three points (in any order); a set holding both
 *                      orientations is a two-sided sheet, and all of it goes
 *    5 NonManifold     part pinched points and non-manifold edges into
 *                      manifold pieces, moving no point. Points are taken
 *                      by place (equal coordinates): around a place, the
 *                      triangles joined through edges of exactly two
 *                      triangles form fans, and each fan gets a point of its
 *                      own: the point all its corners named before the
 *                      merges of steps 2 and 3, when there is one (the merge
 *                      is then undone), else the point they name, else a
 *                      copy (same coordinates). While holes are to be
 *                      filled, the fans at a place that reach a border stay
 *                      together (two holes meeting at a point), and a last
 *                      pass after steps 8 and 9 parts what is left and gives
 *                      the points of each fan one number. Where pieces then
 *                      still touch at one place (closed fans at equal
 *                      coordinates: shells meeting at a point, as a
 *                      mirrored copy set against its original), and step 8
 *                      is selected too, every fan there but one is cut
 *                      away and its rim closed by new triangles as step 8
 *                      closes a hole, when that fill meets nothing (exact
 *                      test; otherwise the fan stays): a little material
 *                      near the point goes, no point moves. The fan kept
 *                      is one that reaches a border if there is one, else
 *                      the one on the shell of fewest triangles (the first
 *                      point's among equals); where a fill fails, the
 *                      other way round is tried once (a point resting on a
 *                      flat face: the face's fill would pass through it),
 *                      which also parts boxes that share an edge, one fan
 *                      at each end
 *    6 Stitch          join border edges whose end points have the same
 *                      coordinates, where exactly two border edges lie at
 *                      that place and step 5 parted neither (their points
 *                      merged)
 *    7 Orient          flip triangles so that each shell is consistent (a
 *                      walk over edges of two triangles from the shell's
 *                      first triangle), then flip whole closed shells whose
 *                      volume sign is wrong for their nesting depth
 *                      (solids(): even depth positive, odd negative; a
 *                      mesh of one closed shell is judged by the volume
 *                      sign alone where doubles settle it, as solids()
 *                      itself does first); shells the fills closed are
 *                      judged after step 8. With step 10 selected, a shell
 *                      at an odd depth with a positive volume is left as
 *                      it is when it, or the shell around it, meets
 *                      another shell: one of overlapping parts, which the
 *                      union joins as a solid
 *    8 FillHoles       fill each border loop with new triangles, chosen to
 *                      keep the dihedral angles small, then the area (see
 *                      RepairRequest::exactHoleEdges). A fill is withdrawn
 *                      and the hole reported open when it would need a
 *                      triangle of zero area, an edge or a triangle the
 *                      mesh already has at those places, or a triangle that
 *                      meets a triangle of the mesh or of another fill
 *                      (exact test; triangles sharing a point excepted, as
 *                      mesh::Selfintersection counts them)
 *    9 SmallShells     drop lone triangles (a shell of one triangle: no
 *                      fill closes it but its own reverse, a two-sided
 *                      sheet) when the mesh has a shell of more; shells
 *                      below a size, and on request shells that lie inside
 *                      another shell's material
 *   10 ResolveIntersections
 *                      split every triangle that meets another (other than
 *                      at a shared edge or point) along the exact curves
 *                      where they meet, new points rounded to the nearest
 *                      doubles and the result checked with the exact test
 *                      (rounds repeated where rounding made pieces meet);
 *                      when every shell is closed, keep only the faces
 *                      between the outside (winding number 0) and the
 *                      inside (1 or more): the union of the shells, closed
 *                      and outward, no inner faces. An edge of the union
 *                      from a new point, shorter than 1e-6 of the bounding
 *                      box's diagonal (a curve crossing an edge right by
 *                      its end), is collapsed onto its other end where
 *                      that keeps the shell manifold, so that no two points
 *                      are as close as the `closed` profile's duplicates.
 *                      A mesh with an open
 *                      shell is only split, when steps 5 and 6 are not
 *                      asked for (they would part the sheets again along
 *                      the curves, cutting them); otherwise it is left as
 *                      it is (RepairLog::Intersections::open). The mesh
 *                      goes on, when it changed, through
 *                      steps 2 to 9 again (without tolerance), so that
 *                      shells that now touch along an edge or at a point
 *                      are parted. When the exact test still finds pieces
 *                      that meet after the last round, or the union is not
 *                      possible, the step changes nothing and says so
 *                      (RepairLog::intersections). Resolving again changes
 *                      nothing; but with a merge tolerance, a point the
 *                      step added may lie within it of another, which a
 *                      second repair with that tolerance then merges
 *   11 UnusedPoints    drop points no triangle uses
 *
 * Steps 8, 9 and the last pass of step 5 change what the others judged: a
 * fill may have been withdrawn for meeting a shell that step 9 dropped. So
 * when they change the mesh, holes still open are tried again and the last
 * pass repeated, a few rounds at most, until a repair of the result would
 * change nothing. That holds for every mesh the tests damage at random; on
 * debris (a few dozen random triangles among a dozen points) about one mesh
 * in a thousand still changes at a second repair.
 *
 * Points merged away by steps 2, 3 and 6 are always removed from the output;
 * step 11 also removes the points the input itself left unused. The output
 * points keep the input's order, followed by the copies step 5 made; the
 * triangles keep theirs, followed by those steps 3 and 8 added. A mesh that
 * needs nothing comes out byte for byte as it went in, with no change
 * logged.
 *
 * It is not part of libmeshaudit.so and uses no process-wide state: link the
 * static library meshaudit-repair (CMake target meshaudit_repair). Two
 * threads may repair different meshes at once.
 *
 *   meshaudit::RepairRequest request;          // every step, the defaults
 *   meshaudit::RepairResult result;
 *   if (meshaudit::repair(mesh, request, result) == 1) {
 *       // result.points, result.triangles; result.log says what changed
 *   }
 */
#ifndef MESHAUDIT_REPAIR_HPP
#define MESHAUDIT_REPAIR_HPP

#include "meshaudit.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace meshaudit {

/* The steps, numbered in the order they run. */
enum class RepairStep : uint32_t {
    NonFinite = 0,
    MergePoints,
    Degenerate,
    Duplicates,
    NonManifold,
    Stitch,
    Orient,
    FillHoles,
    SmallShells,
    ResolveIntersections,
    UnusedPoints,
};
inline constexpr uint32_t kRepairStepCount = 11;

/* The bit of a step in RepairRequest::steps. */
constexpr uint32_t StepBit(RepairStep step) { return 1u << static_cast<uint32_t>(step); }
inline constexpr uint32_t kAllRepairSteps = (1u << kRepairStepCount) - 1;

/* The step's name as the log and the headers spell it ("FillHoles"). */
const char* RepairStepName(RepairStep step) noexcept;

/*
 *   steps              the steps to run, a set of StepBit()s [all]
 *   tolerance          step 2 also merges points within this distance of a
 *                      seed point (seeds in index order, as
 *                      removeDuplicatedGeometricalPoints does), each class
 *                      taking the coordinates of its smallest point [0: only
 *                      equal points]; it must be finite and 0 or more
 *   exactHoleEdges     step 8 triangulates a loop of up to this many edges
 *                      by the minimum-weight dynamic programme, whose time
 *                      grows with the cube of the loop's length; a longer
 *                      loop is first cut down to this length by clipping its
 *                      best ears one at a time (n log n) [100; at least 3,
 *                      at most 1000]
 *   minShellTriangles  step 9 drops shells of fewer triangles [0: none but
 *                      lone triangles beside a larger shell, always dropped]
 *   minShellSize       step 9 drops shells whose bounding-box diagonal is
 *                      below this fraction of the whole mesh's [0: none]
 *   dropInnerShells    step 9 also drops closed shells that lie inside the
 *                      material of another: at an odd depth of nesting yet
 *                      enclosing a positive volume (a solid left inside a
 *                      solid, not a void). Step 7 then leaves such shells as
 *                      they are instead of turning them into voids [false]
 */
struct RepairRequest {
    uint32_t steps = kAllRepairSteps;
    double tolerance = 0.0;
    uint32_t exactHoleEdges = 100;
    uint32_t minShellTriangles = 0;
    double minShellSize = 0.0;
    bool dropInnerShells = false;
};

/* The triangleFrom entry of a triangle the repair added (step 8). */
inline constexpr uint32_t kAddedTriangle = 0xFFFFFFFFu;

/* The pointFrom entry of a point step 10 made: a rounded intersection
   point, on no input point. */
inline constexpr uint32_t kAddedPoint = 0xFFFFFFFFu;

/* Why a triangle left the mesh. */
enum class DropReason : uint8_t {
    NonFinite,      // step 1
    RepeatedPoint,  // steps 3 and 6: a point named twice
    ZeroArea,       // step 3: its corners are collinear
    Duplicate,      // step 4: a later copy of a kept triangle
    TwoSided,       // step 4: a set of copies in both orientations
    SmallShell,     // step 9
    InnerShell,     // step 9, dropInnerShells
    TouchingFan,    // step 5: the fan cut away where two pieces touched
};

/* Why a hole was left open. */
enum class HoleOutcome : uint8_t {
    Filled,
    NotALoop,      // its border edges do not close into a loop (they run
                   // against each other: inconsistent orientation)
    Degenerate,    // every triangulation needs a triangle of zero area, or
                   // an edge or a triangle the mesh has at those places
    Intersecting,  // the triangulation met the mesh or another fill
};

/*
 * Everything repair() changed, in the INPUT's numbering: points and
 * triangles are the indices the caller passed. A triangle that step 3 split
 * is named by the input triangle it came from (both halves).
 */
struct RepairLog {
    /* Per step, in step order: whether it ran, the triangles and the points
       in use (named by a triangle) before and after its first run (step
       11: the points kept without it and with it), and the number of
       elements it changed in all its runs: triangles dropped (1, 3, 4, 6,
       9), points merged into others (2, 3, 5, 6; 3 also counts the
       triangles it split), copies of points the output keeps and
       triangles of fans cut away (5),
       triangles whose orientation changed (7), triangles added (8, the
       rims of step 5's cuts included),
       triangles split or dropped inside the union (10), points dropped
       (11). The counts of the second pass of steps 2 to 9 after step 10
       are added to theirs, its changes are not listed element by element. */
    struct StepSummary {
        bool ran = false;
        uint32_t trianglesBefore = 0, trianglesAfter = 0;
        uint32_t pointsBefore = 0, pointsAfter = 0;
        uint32_t changes = 0;
    };
    std::array<StepSummary, kRepairStepCount> steps{};

    struct DroppedTriangle {
        uint32_t triangle;
        DropReason reason;
    };
    /* A point merged into another; `step` is MergePoints, Degenerate (a
       collapsed side), NonManifold (points at one place in one fan, given
       one number) or Stitch. */
    struct MergedPoint {
        uint32_t point, into;
        RepairStep step;
    };
    /* Step 3: the zero-area triangle `degenerate` was removed by splitting
       `split`, the triangle across its longest side, at `corner`. */
    struct SideSplit {
        uint32_t degenerate, split, corner;
    };
    /* Step 5: an input point and the number of copies of it the output
       keeps, one for each fan beyond the first. */
    struct SplitPoint {
        uint32_t point, copies;
    };
    /* Step 5: where pieces still touched at one place after parting, the
       fan of one of them cut away (its triangles are in droppedTriangles,
       TouchingFan): the point it was cut from, the loop of its rim (the
       way the new triangles run it), and the triangles that now close it. */
    struct CutFan {
        uint32_t point;
        std::vector<uint32_t> rim;
        std::vector<TRIANGLE> added;
    };
    /* Step 7: the triangles of one shell whose orientation changed,
       ascending. */
    struct FlippedShell {
        std::vector<uint32_t> triangles;
    };
    /* Step 8: a border loop as its points in order (the way the triangles
       that fill it run), and the triangles added, or what kept it open. */
    struct Hole {
        std::vector<uint32_t> loop;
        std::vector<TRIANGLE> added;
        HoleOutcome outcome = HoleOutcome::Filled;
    };
    /* Step 9: the input triangles of a shell dropped, ascending (triangles
       step 8 added are not listed). */
    struct DroppedShell {
        std::vector<uint32_t> triangles;
        DropReason reason;
    };

    std::vector<DroppedTriangle> droppedTriangles;  // steps 1, 3, 4, 6, 9
    std::vector<MergedPoint> mergedPoints;          // steps 2, 3, 5, 6, by point
    std::vector<SideSplit> sideSplits;              // step 3
    std::vector<SplitPoint> splitPoints;            // step 5
    std::vector<CutFan> cutFans;                    // step 5
    std::vector<FlippedShell> flippedShells;        // step 7
    std::vector<Hole> holes;                        // step 8, filled and open
    std::vector<DroppedShell> droppedShells;        // step 9
    std::vector<uint32_t> droppedPoints;            // step 11, ascending

    /* Step 10: one curve of intersection, the segments where triangles
       meet joined at their ends: the pairs of triangles that meet along it
       (each pair once, smaller first, ascending; a triangle step 8 added
       is kAddedTriangle) and its number of segments. */
    struct IntersectionCurve {
        std::vector<std::pair<uint32_t, uint32_t>> pairs;
        uint32_t segments = 0;
    };
    /* Step 10's outcome. `found`: some triangles met. `resolved`: the
       exact test finds no pieces that meet in the result (the step then
       changed the mesh), pieces that touch only at copies of one point
       meeting for it as for the library's check; otherwise nothing changed
       and `left` counts the pairs of pieces still meeting after the last
       round. `united`: every shell was closed and the union was taken;
       otherwise an open surface only split. `pointsAdded` new points,
       `trianglesSplit` triangles split into pieces, `trianglesInside`
       pieces dropped by the union. */
    struct Intersections {
        bool found = false, resolved = false, united = false;
        bool open = false;  // not every shell is closed: no union; not split either with steps 5 or 6
        // A point has more than 64 triangles round it that do not lie round it
        // without folding (a book of triangles on one edge, a fan folded over
        // itself): arranging them would test every pair, so nothing was
        // arranged and whether anything meets there was not decided.
        bool crowded = false;
        // More pairs of triangles meet than the arrangement takes on: more
        // than 8 per triangle and more than 65,536 (long thin parts all
        // crossing near one point meet in as many pairs as the square of
        // their number). The search stopped there, nothing was arranged,
        // and `left` counts the pairs found up to that bound.
        bool tooMany = false;
        // Triangles meet, but a point has a coordinate that is neither 0 nor
        // of a size between 2^-200 and 2^200: exact arithmetic on what such
        // triangles make where they cross grows too long to finish in
        // reasonable time, so nothing was arranged.
        bool outOfRange = false;
        // Every shell is closed, but the union refused the arranged pieces:
        // rounding the points where triangles cross left a piece without
        // area whose corners are not at one place, or pieces that overlap.
        // Nothing was changed.
        bool unionRefused = false;
        uint32_t rounds = 0;
        uint32_t pointsAdded = 0, trianglesSplit = 0, trianglesInside = 0;
        uint64_t left = 0;
        std::vector<IntersectionCurve> curves;
    };
    Intersections intersections;

    /* Whether the repair changed nothing at all (every step's count 0;
       holes left open are reported, but change nothing). */
    bool Unchanged() const noexcept;
};

/*
 * The repaired mesh and how it relates to the input.
 *
 *   pointFrom     per output point: its input point (for a class of merged
 *                 points the smallest; for a copy made by step 5 the point
 *                 copied), or kAddedPoint for a point step 10 made
 *   triangleFrom  per output triangle: its input triangle, or
 *                 kAddedTriangle for one step 8 added
 */
struct RepairResult {
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
    std::vector<uint32_t> pointFrom;
    std::vector<uint32_t> triangleFrom;
    RepairLog log;
};

/*
 * Repairs `mesh` (only read; it stays the caller's) as `request` says into
 * `out`, replacing what it held.
 *
 * Returns:
 *    1   done (holes that could not be filled are in out.log.holes)
 *   -1..-4  as analyse(): no points array, no triangles array, no points,
 *           no triangles
 *   -5   a corner index is not below pointCount
 *   -6   memory ran out, or the output would need 2^32 - 1 points or
 *        triangles or more
 *   -7   the request is not valid: a tolerance that is negative or not
 *        finite, exactHoleEdges outside 3..1000, a negative or NaN
 *        minShellSize, or a step bit beyond the eleven
 * On every code but 1, out is empty. Never throws.
 */
int32_t repair(const MeshRecord& mesh, const RepairRequest& request, RepairResult& out) noexcept;

}  // namespace meshaudit

#endif /* MESHAUDIT_REPAIR_HPP */
