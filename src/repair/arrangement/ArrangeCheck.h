// Whether the arrangement (repair/arrangement/Arrangement.h) would find
// anything in a mesh, decided without it where that is cheap: with its used
// points of equal coordinates taken as one, the arrangement's rounds and
// its final check look at two kinds of pairs of triangles, and this looks
// at the same pairs with exact tests that give the same answers, but
//   - the pairs that share no point index through the library's own
//     intersecting-pair search (the one the arrangement's final check runs),
//     and
//   - the pairs that share a point index from the triangles round each
//     point, where the arrangement walks every pair of overlapping boxes and
//     builds a round's registry of points; two that share an edge meet
//     beyond it only in one plane, on one side of it, and two that share a
//     point are decided by a few orientations round it, without building
//     the points where they meet. Round most points of a closed mesh no
//     pair is tested at all: faces that lie round their point without
//     folding meet only along the sides they share.
// So a mesh with nothing to resolve, the rule after steps 1 to 9, costs a
// fraction of the arrangement's time, with the same answer.
#pragma once

#include "meshaudit.h"

#include <cstdint>

namespace meshaudit::arrangement {

enum class ArrangeCheck {
    Clean,        // Arrange() would return kArranged after one round, finding
                  // no contact: its output the input, resolved, no segment
    CleanJoined,  // used points repeat others' coordinates, and Arrange()
                  // would only name each set by one of them: kArranged after
                  // two rounds, its triangles the input's so named (the same
                  // corners in the same turn), resolved, no segment
    Contact,      // Arrange() would find a contact in its first round
    Unknown,      // not decided here: a used point is not finite, points of
                  // equal coordinates meet a triangle without area, or
                  // memory for the search ran short
    Crowded,      // a point has more than kMostFan triangles round it that do
                  // not lie round it without folding (a book of triangles on
                  // one edge, a fan folded over itself): the arrangement would
                  // test every pair of them, as many as the square of their
                  // count, so it is not to be run
};

// Triangles round one point beyond which the check tests no pairs: the
// pairs round a point grow with the square of their count. Round a point
// with more, the triangles must lie round it without folding (one cycle or
// one path of faces, each turning the same way round it, once at most),
// which the check tells in time that grows as n log n.
inline constexpr uint32_t kMostFan = 64;

// Checks `mesh` (read only; indices must be below pointCount, as repair()
// makes them). Throws std::bad_alloc when its own arrays cannot be had.
ArrangeCheck CheckArrangement(const MeshRecord& mesh);

}  // namespace meshaudit::arrangement
