/*
 * meshaudit_solid.hpp -- a mesh as solids: shells, their nesting, inside-out
 * shells, shells that cross or touch, pinched points, and triangle quality.
 *
 * The four categories of meshaudit.h judge a mesh as one surface. A file
 * often holds several shells: a part and its void, parts printed together,
 * a shell left inside another. solids() answers the questions users ask of
 * such a file:
 *
 *   shells            sets of triangles connected through shared edges (an
 *                     edge is an unordered pair of point indices; all the
 *                     triangles on an edge join, however many)
 *   open shells       shells with a border edge (an edge of one triangle)
 *   nesting           for each closed shell S, the other closed shells
 *                     around it: those that neither cross nor touch S (the
 *                     shell pairs below) and that a ray from S's point of
 *                     largest x crosses an odd number of times. Its depth
 *                     is how many they are; its parent is the one of them
 *                     whose own depth is largest, the smallest shell index
 *                     among equals (the innermost, where no two of them
 *                     cross). Decided with exact predicates and a symbolic
 *                     perturbation of the ray, so no ray grazes an edge or
 *                     a point and no tolerance decides. Exact for shells
 *                     that neither cross themselves nor have an edge with
 *                     an odd number of triangles above one, whose inside
 *                     does not depend on the ray; for others the answer
 *                     follows partly the rays of shells nearby and the
 *                     shells' orientation.
 *                     Without the shell pairs (request.shellPairs false),
 *                     or with a list given short, the shells are taken to
 *                     neither cross nor touch where the pairs do not say
 *                     so.
 *   inside-out shells closed shells whose orientation is wrong for their
 *                     depth: at an even depth (0, 2, ...) a shell must
 *                     enclose a positive volume, at an odd depth (a void) a
 *                     negative one. A closed shell of zero volume is wrong at
 *                     any depth. The sign of the volume is exact.
 *   shell pairs       pairs of different shells that intersect or touch: a
 *                     triangle of one meets a triangle of the other
 *                     (touching counts), or they share a point index
 *   pinched points    points whose triangles, joined where they share an
 *                     edge through the point, form more than one fan: two
 *                     solids touching at a corner, a cone tip glued twice
 *   quality           the smallest and largest triangle angles in degrees,
 *                     the largest aspect ratio (the longest edge over
 *                     2 sqrt(3) times the inradius: 1 for an equilateral
 *                     triangle, infinite for a degenerate one), and the
 *                     triangles whose smallest angle is below a threshold
 *
 * It is not part of libmeshaudit.so and reads or writes no process-wide
 * state: link the static library meshaudit-solid (CMake target
 * meshaudit_solid). Two threads may call it on different meshes at once.
 *
 *   meshaudit::SolidRequest request;        // the defaults below
 *   meshaudit::Solids solids;
 *   if (meshaudit::solids(mesh, request, solids) == 1) {
 *       for (uint32_t s : solids.insideOut) ...   // shell s is inside-out
 *   }
 */
#ifndef MESHAUDIT_SOLID_HPP
#define MESHAUDIT_SOLID_HPP

#include "meshaudit.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace meshaudit {

/*
 *   skinnyAngle  a triangle whose smallest angle is below this many degrees
 *                is skinny [10]
 *   shellPairs   look for shells that cross or touch [true]. Needs the
 *                mesh's intersecting triangle pairs: searched for as the
 *                intersection test does (about its cost) unless given
 *                below; a mesh of one shell needs neither
 *   intersectingPairsGiven, intersectingPairs, intersectingPairCount
 *                the mesh's intersecting triangle pairs, when the caller
 *                has them already [not given: searched for]. With
 *                intersectingPairsGiven true, intersectingPairs holds
 *                intersectingPairCount entries of two triangle indices each
 *                (2 * count numbers; may be null when the count is 0, as
 *                for a mesh with no such pair), only read during the call,
 *                kept by the caller. They must then be the complete list of
 *                the mesh's pairs of triangles that meet and share no point
 *                index, as locate() lists them for the mesh quantity
 *                Selfintersection (TRIANGLE_PAIRS) with no cap; solids()
 *                does not search again, and a pair it is not given is not
 *                found. Any order, either triangle first; a pair within one
 *                shell, or listed twice, is harmless. When given, the list
 *                is checked (-7) even if shellPairs is false. With
 *                intersectingPairsGiven false the other two are ignored.
 */
struct SolidRequest {
    double skinnyAngle = 10.0;
    bool shellPairs = true;
    bool intersectingPairsGiven = false;
    const uint32_t* intersectingPairs = nullptr;
    uint64_t intersectingPairCount = 0;
};

inline constexpr uint32_t kNoShell = 0xFFFFFFFFu;

/*
 * The answer of solids(). Shells are numbered 0, 1, ... in the order of
 * their first triangle. Every list is complete and sorted ascending.
 */
struct Solids {
    uint32_t shellCount = 0;
    std::vector<uint32_t> shellOf;     // per triangle: its shell
    std::vector<uint8_t> open;         // per shell: 1 when it has a border edge
    std::vector<uint8_t> manifold;     // per shell: 1 when every edge has two triangles that run it both ways
    std::vector<uint32_t> depth;       // per shell: closed shells enclosing it (0 for an open shell)
    std::vector<uint32_t> parent;      // per shell: the deepest of them (see nesting), kNoShell for none
    std::vector<int8_t> volumeSign;    // per shell: sign of its enclosed volume (0 for an open shell)

    std::vector<uint32_t> openShells;  // shells with a border edge
    std::vector<uint32_t> nested;      // closed shells inside another closed shell
    std::vector<uint32_t> insideOut;   // closed shells wrongly oriented for their depth
    // One entry per pair of shells that cross or touch, shellA < shellB,
    // ascending by (shellA, shellB); empty unless request.shellPairs. Each
    // names a triangle of each shell, triangleA of shellA and triangleB of
    // shellB, that meet: the smallest (triangleA, triangleB), in that order,
    // among the pairs of their triangles that intersect (as listed for
    // Selfintersection) or share a point index. So a pair at a shared point
    // can be marked on triangles too.
    // The list's length is a size_t and never wraps, though it can pass
    // 2^32 (n shells round one point make n (n - 1) / 2 pairs): pairs that
    // do not fit in memory make solids() return -6, never a cut list.
    struct ShellPair {
        uint32_t shellA, shellB, triangleA, triangleB;
    };
    std::vector<ShellPair> shellPairs;
    std::vector<uint32_t> pinchedPoints;

    // Triangle quality, over triangles with three distinct finite corners
    // (others count as skinny, with no angle); -1 when there are none.
    double minimalAngle = -1.0;
    double maximalAngle = -1.0;
    double maximalAspectRatio = -1.0;
    std::vector<uint32_t> skinny;
    // The triangles that attain each extreme, ascending.
    std::vector<uint32_t> minimalAngleTriangles;
    std::vector<uint32_t> maximalAngleTriangles;
    std::vector<uint32_t> maximalAspectRatioTriangles;
};

/*
 * Analyses `mesh` (only read) into `out`, replacing what it held. The
 * request, and the pairs it points to, are only read during the call.
 *
 * Returns, the first failing check deciding:
 *    1   done
 *   -1..-4  as analyse(): no points array, no triangles array, no points,
 *           no triangles
 *   -5   a corner index is not below pointCount
 *   -7   the request gives intersecting pairs, and intersectingPairs is null
 *        with a count above 0, the count is above UINT64_MAX / 2, or an
 *        index is not below triangleCount
 *   -6   memory ran out
 * On any code but 1, out is left empty (as a default Solids). Never throws.
 *
 * Time: near linear in the triangles, plus the intersection search when
 * the pairs are not given and the mesh has two shells or more, plus, for
 * the pairs at shared points, the pairs found at each point (n shells
 * round one point: n (n - 1) / 2, each pair of shells once per point they
 * share). The nesting searches, along each closed shell S's ray, the
 * nearest shell T it meets (near linear for deep nesting and long rows);
 * then, if S or T is in a shell pair, it looks at each partner of S, each
 * partner of T, and each partner of the shells around T that S touches: a
 * test of the partner's box, and for those the ray meets, a parity search
 * through the partner's triangles (all of them for a partner's first few
 * searches, then through a tree of the partner's own, about the log of its
 * triangles). So k partners of a shell that m rays meet first cost m k box
 * tests; shells in no pair cost nothing more.
 */
int32_t solids(const MeshRecord& mesh, const SolidRequest& request, Solids& out) noexcept;

}  // namespace meshaudit

#endif /* MESHAUDIT_SOLID_HPP */
