// Items of a 3MF build plate that overlap: placed meshes that meet (touching
// counts) or of which one lies inside the other. Such items print as one
// piece, which no check of a single object can see.
#pragma once

#include "BuildItem.h"

#include <cstdint>
#include <span>
#include <vector>

namespace meshaudit::cli {

// Two items that overlap, and the triangles that show it, each numbered as
// in its item's mesh (which numbers them as its object does).
struct ItemOverlap {
    enum class Kind : uint8_t {
        Meet,      // triangleA of A and triangleB of B meet: they cross, touch or overlap
                   // (the first such pair the search finds)
        AInsideB,  // A lies inside B: the first corner of triangleA is enclosed by B, whose
                   // triangleB a ray from that corner crosses
        BInsideA,  // the same with A and B exchanged: the corner is triangleB's
    };
    uint32_t itemA = 0, itemB = 0;  // positions in the items given, itemA < itemB
    Kind kind = Kind::Meet;
    uint32_t triangleA = 0, triangleB = 0;
};

struct PlateOverlaps {
    uint32_t itemCount = 0;
    // Every pair of items that overlap, once, by itemA then itemB.
    std::vector<ItemOverlap> overlaps;
    uint64_t pairCount = 0;  // overlaps.size()
    // Items whose transform mirrors their object (BuildItem::mirrored),
    // ascending. Mirroring changes no overlap: neither test below looks at
    // the triangles' orientation.
    std::vector<uint32_t> mirrored;
    // Triangles with a corner that is not finite (NaN, or infinite, also
    // after an overflow in placing): they take part in no test.
    uint64_t skippedTriangles = 0;
};

// The overlapping pairs among `items` (only read; positions in the span are
// the item numbers, which for Read3mfBuildItems are BuildItem::item).
//
// Two items overlap when
//   - a triangle of one meets a triangle of the other, by the library's
//     exact triangle test (TriTriIntersect): crossing, touching in a point
//     or along a segment, and overlapping coplanar triangles all meet. A
//     triangle that repeats a corner index is never tested, as in the
//     library's own self-intersection search; one of zero area whose
//     indices differ may meet more than it should (see
//     geometry/TriangleIntersection.h);
//   - or else a shell of one (triangles joined by shared edges, as
//     meshaudit::solids() joins them) lies in the region that a closed
//     shell of the other (one without a border edge) encloses, by the
//     parity of a ray's crossings with that closed shell alone, decided
//     with exact predicates and a symbolically perturbed ray. An item in
//     the void of a hollow one is inside it; an item that several others
//     only surround together is not.
// Pairs of triangles within one item never make an overlap.
//
// Cost: items whose boxes meet are found through a tree of the items'
// boxes; each such pair walks trees of the two items' triangles together
// and stops at the first two triangles that meet, so that copies stacked
// on one another cost a few tests each, not every pair of their triangles
// that meets. Then one corner of each shell is tested against the closed
// shells of other items whose boxes hold it, each test walking the outer
// item's tree along a ray. Rows and grids of items apart cost near n log n
// in the triangles. Slower are arrangements of many items whose boxes meet
// or hold one another without the items meeting (say, many long diagonal
// rods side by side, or concentric rings): each such pair of items costs a
// walk of its own.
//
// Throws std::invalid_argument when a triangle of an item names a point
// beyond its mesh's points, std::length_error when the items together hold
// 2^32 points or triangles or more, and std::bad_alloc when memory runs out.
PlateOverlaps FindOverlaps(std::span<const BuildItem> items);

}  // namespace meshaudit::cli
