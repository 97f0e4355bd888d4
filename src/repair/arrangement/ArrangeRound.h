// One round of the arrangement: finds every pair of triangles that meet
// other than along a shared edge or at a shared corner, and replaces each
// triangle of such a pair by its pieces (PlanarArrangement.h), with the new
// points rounded to doubles. The same search with nothing replaced is the
// check of a round's output.
//
// Which triangles take part: those with three distinct point indices. Points
// of exactly equal coordinates are one point for the round (the first one a
// triangle names stands for all), so triangles that touch at such a
// point with different indices are a contact too. A triangle of zero area
// (collinear corners, or two corners at one place) that meets a triangle
// with which it shares no point is dropped: it has no area to keep. A
// triangle that repeats an index is left as it is.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"
#include "repair/arrangement/Arrangement.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace meshaudit::arrangement {

struct RoundResult {
    WorkArray<T3DVECF> points;       // the round's points, then the new ones
    WorkArray<TRIANGLE> triangles;   // the round's output
    WorkArray<uint32_t> from;        // round input triangle of each output triangle
    WorkArray<Segment> segments;     // triangles as round input indices
    WorkArray<std::pair<uint32_t, uint32_t>> pairs;  // the pairs in contact
    // Per output triangle: 1 when the round made or touched it (a piece, or
    // a triangle in contact kept as it was), 0 when copied untouched.
    WorkArray<uint8_t> changed;
    // True when an arranging round found more pairs than its limit and so
    // arranged nothing: only `pairs` is filled, as in a check.
    bool overLimit = false;
    // True when the search stopped at `stopAbove`: `pairs` holds the first
    // pairs found, and nothing is arranged.
    bool stopped = false;
};

// Check: only find the pairs. ArrangeTestingEveryPoint: Arrange with
// PlaneArranger's plain form (everyPoint), every comparison of constructed
// points made without their recipes (ExactPoint.h) and every pair sharing
// a point classified in full (FindPairContact's byAngles off), for the
// tests.
enum class RoundMode { Arrange, Check, ArrangeTestingEveryPoint };

// Runs a round over `points` and `triangles` (indices already checked to be
// in range, coordinates finite). Returns the number of triangles in contact
// (0: nothing to do, and `out` is left with only `pairs` empty), or -1
// when a planar arrangement failed. In Check mode only `pairs` is filled.
//
// `changed` (may be null, the default: every triangle changed) marks the
// triangles the previous round made or touched (its RoundResult::changed),
// when `triangles` is that round's output. A pair of two unchanged ones was
// a pair of that round too, with the same coordinates and the same equal
// corners, and met nothing there; so it is not tested again.
//
// `pairLimit` (default: none) caps an arranging round: when it finds more
// pairs in contact than that, it arranges nothing and returns as a check
// would, with `overLimit` set (the count returned is still the triangles in
// contact).
//
// `stopAbove` (default: none) ends the search itself as soon as more pairs
// than that are in contact, with `stopped` set: the cost and the memory of
// a round whose contacts grow as the square of the input (boxes crossing
// in one point) then stay in proportion to that bound. The count returned
// is that of the triangles in the pairs found so far.
int64_t RunRound(const WorkArray<T3DVECF>& points, const WorkArray<TRIANGLE>& triangles, RoundMode mode,
                 RoundResult& out, const WorkArray<uint8_t>* changed = nullptr,
                 uint64_t pairLimit = UINT64_MAX, uint64_t stopAbove = UINT64_MAX);

}  // namespace meshaudit::arrangement
