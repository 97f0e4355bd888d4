// The winding number beside a face of an arranged closed mesh, counted
// exactly along a ray from the face's centroid to infinity.
#pragma once

#include "geometry/TriAabbTree.h"
#include "meshaudit.h"
#include "repair/arrangement/UnionFaces.h"

#include <cstdint>
#include <vector>

namespace meshaudit::arrangement {

// Rays along +x from the centroid of a face, through a bounding-box tree
// over all faces. The centroid (a + b + c) / 3 is rational; every test is
// the sign of an exact sum over the three corners (orientation being
// linear in the point tested). The origin is perturbed symbolically by
// (0, e, e^2), e > 0 infinitesimal, so that the ray meets no edge and no
// point of another face: a test whose exact sign is 0 takes the sign of the
// perturbation's first term that does not vanish.
//
// The centroid lies inside its face and, the faces meeting only along
// edges and at points, on no other face; the ray leaves it on the face's
// side that +x points to (the front when the normal's x is positive), and
// the winding number there is the sum, over the other faces it crosses, of
// their net count with the sign of their normal's x (crossing a face from
// back to front lowers the winding by its net count; at infinity it is 0).
//
// Cost: the tree walk plus the faces along the ray; a test is a few exact
// orientation signs, an exact sum only when the corners disagree.
class WindingRays {
public:
    WindingRays() = default;
    WindingRays(const WindingRays&) = delete;
    WindingRays& operator=(const WindingRays&) = delete;

    // Builds the tree over `faces` (their corners index `points`, all in
    // range and finite: the caller's checks). Keeps pointers to `points` and
    // `faces`, which must outlive every query and stay unchanged. Throws
    // std::bad_alloc when memory runs out.
    void Build(const T3DVECF* points, uint32_t pointCount, const std::vector<UnionFace>& faces);

    // The winding number on the +x side of face `face` (< faces.size(); its
    // normal's x must not be 0), in `winding`. Returns false when the ray
    // meets another face at its origin or an exact sum overflowed (not a
    // proper arrangement, or coordinates beyond the predicates' range),
    // `winding` then unspecified.
    bool WindingBeyond(uint32_t face, int64_t& winding) const;

private:
    const T3DVECF* points_ = nullptr;
    const std::vector<UnionFace>* faces_ = nullptr;
    std::vector<TRIANGLE> corners_;  // the tree's mesh: one triangle per face
    C3DTriAABBTree tree_;
};

}  // namespace meshaudit::arrangement
