// The exact arrangement of a triangle mesh: every triangle that meets
// another other than along a shared edge or at a shared corner is split
// along the exact curves where they meet, so that afterwards triangles meet
// only along shared edges and at shared points, a proper simplicial complex:
// two output triangles that share no point index do not touch at all, and
// two that touch share exactly the points (or the edge) they touch at.
// Coplanar overlaps become coincident pieces with the same three point ids,
// one in each triangle, each oriented like its source triangle, as is every
// piece.
//
// Exactness. Every decision (side of a plane or line, crossing or not,
// order along a segment, equality of points) is exact: orientations of
// input points by the library's adaptive predicates, and for constructed
// points interval arithmetic with exact dyadic arithmetic behind it.
// Intersection points are built from input points only: an edge through a
// plane, an edge through a coplanar edge, three planes. Equal points get
// one id. Each new point is then rounded to the nearest doubles (ties to
// even): every output coordinate is within half a unit in the last place
// of the exact intersection point.
//
// Rounds. Rounding moves points by up to that half unit, which can make
// pieces meet where the exact ones did not. So the output is checked with
// the same exact search, and a round is run again on what it finds; at most
// kMaxRounds rounds in all, a bound that ends the loop whatever the input
// (each round is finite). Rounding can also make more contacts than it
// removes, each round's pieces crossing more than the last's (long thin
// triangles crossing near a shared point): so a round after the first that
// finds more pairs in contact than the first round did (and than
// kRoundPairFloor) arranges nothing and ends the rounds, its pairs left
// unresolved. Each round then costs at most about what arranging the first
// round's pairs cost, instead of compounding from round to round. When
// contacts remain after the last round,
// `resolved` is false and the pairs are listed in `unresolved`. `resolved`
// is true only when both this module's check (which includes pairs sharing
// a point index) and the library's intersecting-pair search
// (geometry/IntersectingPairs.h) find nothing in the output.
//
// What rounding can leave: a piece whose corners are all rounded points
// may lose its area or turn over (a sliver at the scale of the rounding);
// it still meets no other piece, which is what the checks guarantee.
//
// Cost. Candidate pairs come from a bounding-box tree walk (n log n plus
// the pairs whose boxes meet); a round after the first tests only the pairs
// with a triangle the round before made or touched, and only once the check
// before the arrangement (ArrangeCheck.h) has found the output not clean:
// it decides most pairs round a point without testing them. Each triangle with
// contacts is arranged once per round, in time about quadratic in the
// number of its own contacts (every two of its segments are tested for a
// crossing, every segment against the ends of the others).
// Triangles around one point of very high valence are all candidate pairs
// of each other: quadratic in that valence. A first round stops searching
// at FirstRoundPairLimit pairs in contact (`tooMany`), so that inputs
// whose contacts grow as the square of their size end in time and memory
// in proportion to the input.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace meshaudit::arrangement {

// An intersection segment: where input triangles triA and triB meet, from
// output point `from` to output point `to` (before the split at the
// crossings of other segments): the curves of intersection, for a log.
struct Segment {
    uint32_t triA;
    uint32_t triB;
    uint32_t from;
    uint32_t to;
};

struct Arrangement {
    // The input points first, unchanged and in order, then the new points
    // (rounded intersection points).
    WorkArray<T3DVECF> points;
    // Triangles that meet nothing are copied unchanged, in input order; one
    // that is split is replaced, where it stood, by its pieces.
    WorkArray<TRIANGLE> triangles;
    // The input triangle of each output triangle.
    WorkArray<uint32_t> triangleFrom;
    // Every intersection segment of every round.
    WorkArray<Segment> segments;
    // True only when the exact checks find no pair in contact in the output.
    bool resolved = false;
    // Rounds taken, counting the final check (1 for a mesh that needs
    // nothing).
    uint32_t rounds = 0;
    // When not resolved: the output triangle pairs still in contact.
    WorkArray<std::pair<uint32_t, uint32_t>> unresolved;
    // True when the first round found more pairs in contact than
    // FirstRoundPairLimit allows: nothing is arranged, the output is the
    // input, and `unresolved` holds the pairs found up to the limit.
    bool tooMany = false;
    // Left by ArrangeFirstRound when its round arranged something: the
    // output is not checked yet (`resolved` false) until FinishArrange or
    // SettleIfClean. What FinishArrange needs goes with it: the output
    // triangles the round made or touched, and the pairs later rounds may
    // arrange.
    bool unchecked = false;
    WorkArray<uint8_t> changed;
    uint64_t pairLimit = 0;
};

inline constexpr uint32_t kMaxRounds = 6;
// The fewest pairs in contact a round after the first may arrange, however
// few the first round had (see Rounds above).
inline constexpr uint64_t kRoundPairFloor = 256;

// The most pairs in contact the first round arranges: kFirstRoundPairFloor,
// or kFirstRoundPairsPerTriangle for each input triangle when that is more.
// Objects that overlap one another, however many, meet in a few pairs per
// triangle (a thousand spheres crossing: 0.6), so the bound leaves them
// alone; but n long thin boxes crossing in one point meet in about 10 n^2
// pairs, and 10,000 of them would ask for 10^9 segments and more points
// than any memory holds. The search stops at the bound, in time and memory
// in proportion to it, and the mesh is reported as not resolved.
inline constexpr uint64_t kFirstRoundPairsPerTriangle = 8;
inline constexpr uint64_t kFirstRoundPairFloor = uint64_t{1} << 16;

inline uint64_t FirstRoundPairLimit(uint64_t triangleCount)
{
    return triangleCount * kFirstRoundPairsPerTriangle > kFirstRoundPairFloor
               ? triangleCount * kFirstRoundPairsPerTriangle
               : kFirstRoundPairFloor;
}

// Return codes of Arrange.
enum ArrangeCode : int {
    kArranged = 1,           // done; see Arrangement::resolved
    kArrangeBadIndex = -1,   // a triangle names a point index >= pointCount
    kArrangeNonFinite = -2,  // a point a triangle names has a NaN or infinite coordinate
    kArrangeNoMesh = -3,     // points or triangles missing while their count is not 0
    kArrangeFailed = -4,     // a planar triangulation failed (an internal fault)
    kArrangeTooLarge = -5,   // the output would exceed 2^32 - 1 points or triangles
    // A point a triangle names has a finite coordinate that is not moderate
    // (geometry/ModerateRange.h): not 0, and of a size below 2^-200 or above
    // 2^200. The exact points built where such triangles cross hold
    // thousands of bits more than moderate ones, each test on them costs
    // that much more, and rounding them to doubles breaks a curve into
    // pieces that meet again round after round: a few hundred triangles took
    // seconds and came out unresolved. Nothing is arranged.
    kArrangeOutOfRange = -6,
};

// Called after each round with the round number (1 on) and the number of
// triangles found in contact in it; `context` is passed through.
using ArrangeProgress = void (*)(void* context, uint32_t round, uint64_t trianglesInContact);

// Arranges `mesh` (read only, the caller's) into `out` (replaced). Points
// no triangle names are copied and otherwise ignored. Returns a code above;
// on an error `out` is empty. `progress` may be null (the default). Throws
// std::bad_alloc when memory runs out, so that a caller never takes a
// search it could not finish for a contact left.
int Arrange(const MeshRecord& mesh, Arrangement& out, ArrangeProgress progress = nullptr, void* context = nullptr);

// Arrange in two halves, for a caller that keeps only some of the output's
// faces (the union's): ArrangeFirstRound runs the first round alone, with
// Arrange's codes and arguments. When that round arranged something it
// leaves `unchecked` set. The caller then either calls FinishArrange, which
// runs the rest exactly as Arrange would have (the check, more rounds, the
// final check) and returns Arrange's code, or SettleIfClean. FinishArrange
// on an output that is not unchecked changes nothing and returns kArranged.
//
// Why: the check after the first round costs as much as half the round (on
// overlapping objects, 3.4M pieces, of which the union keeps a third), and
// nearly always finds nothing. The union takes its windings from the order
// of faces round their shared edges, checked to agree, and from exact rays;
// when the faces it keeps then meet nothing, what rounding may have broken
// lies among faces it drops, and the output is what the check guarantees.
// When they do meet, FinishArrange resolves the whole output as before.
int ArrangeFirstRound(const MeshRecord& mesh, Arrangement& out, ArrangeProgress progress = nullptr,
                      void* context = nullptr);
int FinishArrange(Arrangement& out, ArrangeProgress progress = nullptr, void* context = nullptr);

// When `out` is unchecked and the output triangles `kept` (keptCount of
// them, naming out.points) pass the check before the arrangement
// (ArrangeCheck.h) as Clean, which includes the library's search: marks
// `out` resolved, checked in two rounds (the second this check), and
// returns true. Else returns false and leaves `out` as it was, for
// FinishArrange. `kept` stays the caller's. Throws std::bad_alloc when
// memory runs out.
bool SettleIfClean(Arrangement& out, const TRIANGLE* kept, uint32_t keptCount);

}  // namespace meshaudit::arrangement
