// The winding number beside a face of an arranged closed mesh, counted
// exactly along a ray from the face's centroid to infinity.
#pragma once

#include "containers/WorkArray.h"
#include "geometry/TriAabbTree.h"
#include "meshaudit.h"
#include "repair/arrangement/UnionFaces.h"

#include <cstddef>
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
// A test is a few exact orientation signs, an exact sum only when the
// corners of the origin's face disagree.
class WindingRays {
public:
    WindingRays() = default;
    WindingRays(const WindingRays&) = delete;
    WindingRays& operator=(const WindingRays&) = delete;

    // Builds the tree over `faces` (their corners index `points`, all in
    // range and finite: the caller's checks); `component` holds the
    // component of each face. Keeps pointers to all three, which must
    // outlive every query and stay unchanged. Without `tree` (default with)
    // only Count works: CountAll and Nearest then see no face. Throws
    // std::bad_alloc when memory runs out.
    void Build(const T3DVECF* points, uint32_t pointCount, const WorkArray<UnionFace>& faces,
               const WorkArray<uint32_t>& component, bool tree = true);

    // In `winding`, the winding number on the +x side of face `origin`
    // (< faces.size(); its normal's x not 0) that the faces listed in
    // `faces` (count of them, indices < faces.size(); `origin` among them is
    // skipped) make by themselves: a test of each, no tree. Returns false
    // when the ray meets one of them at its origin or an exact sum
    // overflowed (faces that overlap, or coordinates beyond the exact
    // range), `winding` then not to be read.
    bool Count(uint32_t origin, const uint32_t* faces, size_t count, int64_t& winding) const;

    // The same over every face, through the tree.
    bool CountAll(uint32_t origin, int64_t& winding) const;

    enum class Hit {
        None,    // the ray meets no face of another component
        Found,   // `hit` is the first face of another component it meets
        Unsure,  // two candidates each cross the other's plane: no order found
        Failed,  // as Count's false
    };

    // The first face of another component than `origin`'s that the ray from
    // `origin` crosses, in `hit` (UINT32_MAX when none). Two crossings are
    // ordered by a plane with one of the two faces wholly on one side, so no
    // point of intersection is computed; depth first through the tree, the
    // child starting at smaller x first, skipping what starts beyond the box
    // of the first crossing found so far.
    Hit Nearest(uint32_t origin, uint32_t& hit) const;

private:
    struct Ray;
    Ray RayFrom(uint32_t face) const;
    bool Crossing(const Ray& ray, uint32_t face, bool& failed, int& side) const;
    // The winding's change from crossing `face` along +x, counted backward
    // from infinity: its net count with the sign of its normal's x.
    int64_t Step(uint32_t face) const;

    const T3DVECF* points_ = nullptr;
    const WorkArray<UnionFace>* faces_ = nullptr;
    const WorkArray<uint32_t>* component_ = nullptr;
    WorkArray<TRIANGLE> corners_;      // one triangle per face
    WorkArray<TRIANGLE> treeCorners_;  // the tree's mesh: the faces not parallel to x
    WorkArray<uint32_t> treeFace_;     // the face of each of those
    WorkArray<T3DVECF> stretched_;     // the tree's points: x times 4
    C3DTriAABBTree tree_;
};

}  // namespace meshaudit::arrangement
