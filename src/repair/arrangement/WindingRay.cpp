#include "repair/arrangement/WindingRay.h"
#include "containers/WorkArray.h"

#include "geometry/ExactArithmetic.h"
#include "geometry/ExactSum.h"
#include "geometry/Predicates.h"
#include "repair/arrangement/UnionNormal.h"

#include <cmath>
#include <new>
#include <utility>

namespace meshaudit::arrangement {

namespace {

// How much the tree's x is stretched (see Build).
constexpr double kStretch = 4.0;

int Compare(double a, double b)
{
    return (a > b) - (a < b);
}

// cross(p, q) = p0 q1 - p1 q0 for 2D points, added `times` times (a count,
// not a factor: a product by 3 would round).
void AddCross(ExactSum& sum, const double* p, const double* q, int times)
{
    for (int i = 0; i < times; ++i) {
        sum.AddProduct(p[0], q[1]);
        sum.AddProduct(-p[1], q[0]);
    }
}

// det(a, b, c) = a . (b x c), added with `sign` +1 or -1 (negation is exact).
void AddDeterminant(ExactSum& sum, const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, double sign)
{
    sum.AddProduct(sign * a.x, b.y, c.z);
    sum.AddProduct(sign * a.y, b.z, c.x);
    sum.AddProduct(sign * a.z, b.x, c.y);
    sum.AddProduct(-sign * a.x, b.z, c.y);
    sum.AddProduct(-sign * a.y, b.x, c.z);
    sum.AddProduct(-sign * a.z, b.y, c.x);
}

// The sign of a sum of three values from their signs, when they agree (or
// are 0); 2 when they disagree and only the exact sum can tell.
int AgreedSign(int s0, int s1, int s2)
{
    const bool positive = s0 > 0 || s1 > 0 || s2 > 0;
    const bool negative = s0 < 0 || s1 < 0 || s2 < 0;
    return positive && negative ? 2 : positive ? 1 : negative ? -1 : 0;
}

// The ray's origin: the centroid of `corners`, in (y, z) pairs as well.
struct Origin {
    const T3DVECF* corners[3];
    double shadow[3][2];
};

// The sign of Orient2D(A, B, q) on the (y, z) plane for the centroid q:
// (1/3) of the sum over the corners p, Orient2D being linear in its third
// point. The exact sum is 3 cross(A, B) + sum of cross(p, A) + cross(B, p).
// Sets `overflow` when a product overflowed.
int ShadowSide(const double* a, const double* b, const Origin& q, bool& overflow)
{
    const int agreed = AgreedSign(Orient2DSign(a, b, q.shadow[0]), Orient2DSign(a, b, q.shadow[1]),
                                  Orient2DSign(a, b, q.shadow[2]));
    if (agreed != 2) {
        return agreed;
    }
    ExactSum sum;
    AddCross(sum, a, b, 3);
    for (const auto& p : q.shadow) {
        AddCross(sum, p, a, 1);
        AddCross(sum, b, p, 1);
    }
    const int sign = sum.Sign();
    overflow = overflow || sum.Overflowed();
    return sign;
}

// With the perturbation: the derivatives of Orient2D(a, b, q) in q's y
// (a_z - b_z), then in its z (b_y - a_y).
int PerturbedShadowSide(const double* a, const double* b, const Origin& q, bool& overflow)
{
    const int side = ShadowSide(a, b, q, overflow);
    if (side != 0) {
        return side;
    }
    const int dy = Compare(a[1], b[1]);
    return dy != 0 ? dy : Compare(b[0], a[0]);
}

// The sign of Orient3D(A, B, C, q) for the centroid q, as the sum over the
// corners p: 3 det(A, B, C) - sum of det(p, B, C) + det(A, p, C) + det(A, B, p).
int PlaneSide(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const Origin& q, bool& overflow)
{
    const int agreed = AgreedSign(Orient3DSign(a, b, c, *q.corners[0]), Orient3DSign(a, b, c, *q.corners[1]),
                                  Orient3DSign(a, b, c, *q.corners[2]));
    if (agreed != 2) {
        return agreed;
    }
    ExactSum sum;
    for (int i = 0; i < 3; ++i) {
        AddDeterminant(sum, a, b, c, 1.0);
    }
    for (const T3DVECF* p : q.corners) {
        AddDeterminant(sum, *p, b, c, -1.0);
        AddDeterminant(sum, a, *p, c, -1.0);
        AddDeterminant(sum, a, b, *p, -1.0);
    }
    const int sign = sum.Sign();
    overflow = overflow || sum.Overflowed();
    return sign;
}

// Whether the perturbed ray from q crosses triangle (a, b, c): its shadow
// on the (y, z) plane holds the perturbed origin when the three sides agree
// (that sign is the normal's x), and the plane lies ahead when Orient3D,
// (a - q) . normal, has that sign too: then `side`, the side of the plane
// the origin is on, is that sign. `failed` is set when the centroid lies on
// the triangle itself or an exact sum overflowed.
bool Crosses(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const Origin& q, bool& failed, int& side)
{
    const double sa[2] = {a.y, a.z}, sb[2] = {b.y, b.z}, sc[2] = {c.y, c.z};
    const int ab = PerturbedShadowSide(sa, sb, q, failed);
    if (ab == 0 || PerturbedShadowSide(sb, sc, q, failed) != ab || PerturbedShadowSide(sc, sa, q, failed) != ab) {
        return false;
    }
    // In the plane, the centroid would lie on the triangle (inside its
    // shadow or on its boundary): faces that overlap, not an arrangement.
    side = PlaneSide(a, b, c, q, failed);
    if (side == 0) {
        failed = true;
    }
    return side == ab;
}

// The side of the plane of (a, b, c) the corners of (d, e, f) lie on when
// they agree (or lie on it), else 2; 0 when all lie on it.
int CornersSide(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c, const T3DVECF& d, const T3DVECF& e,
                const T3DVECF& f)
{
    return AgreedSign(Orient3DSign(a, b, c, d), Orient3DSign(a, b, c, e), Orient3DSign(a, b, c, f));
}

}  // namespace

// The ray from a face's centroid: its exact origin and, for culling the
// tree's boxes only, the centroid in doubles widened past its rounding error
// (under three units in the last place of the sum of magnitudes), in the
// tree's coordinates (x stretched).
struct WindingRays::Ray {
    Origin origin;
    double lo[3], hi[3];

    Ray(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
        : origin{{&a, &b, &c}, {{a.y, a.z}, {b.y, b.z}, {c.y, c.z}}}
    {
        const double* pa = Coordinates(a);
        const double* pb = Coordinates(b);
        const double* pc = Coordinates(c);
        for (int k = 0; k < 3; ++k) {
            const double mid = (pa[k] + pb[k] + pc[k]) / 3.0;
            const double slack = 1e-15 * (std::fabs(pa[k]) + std::fabs(pb[k]) + std::fabs(pc[k])) + 1e-300;
            lo[k] = (mid - slack) * (k == 0 ? kStretch : 1.0);
            hi[k] = (mid + slack) * (k == 0 ? kStretch : 1.0);
        }
    }

    // Whether the box may hold a point of the ray.
    bool Reaches(const C3DAABB& box) const
    {
        return box.max.x >= lo[0] && box.min.y <= hi[1] && box.max.y >= lo[1] && box.min.z <= hi[2] &&
               box.max.z >= lo[2];
    }
};

void WindingRays::Build(const T3DVECF* points, uint32_t pointCount, const WorkArray<UnionFace>& faces,
                        const WorkArray<uint32_t>& component, bool tree)
{
    points_ = points;
    faces_ = &faces;
    component_ = &component;
    corners_.clear();
    corners_.reserve(faces.size());
    treeCorners_.clear();
    treeFace_.clear();
    for (uint32_t f = 0; f < faces.size(); ++f) {
        const TRIANGLE& t = faces[f].corners;
        corners_.push_back(t);
        // A face parallel to x has a shadow without area: no ray along x
        // crosses it. Left out, it cannot widen the boxes (on meshes made
        // square to the axes, two faces in three).
        if (tree && NormalSign(points[t.a], points[t.b], points[t.c], 0) != 0) {
            treeCorners_.push_back(t);
            treeFace_.push_back(f);
        }
    }
    tree_.Reset();
    // The tree splits a node across its longest side. Rays run along x, and
    // a walk prunes by x only, so the tree is built over x stretched by
    // kStretch (a power of two: exact), which makes it split across x
    // first: shells nested around a common centre would otherwise share
    // nodes whose boxes all span every gap between them.
    stretched_.clear();
    if (tree) {
        stretched_.reserve(pointCount);
        for (uint32_t i = 0; i < pointCount; ++i) {
            stretched_.push_back({points[i].x * kStretch, points[i].y, points[i].z});
        }
    }
    const MeshRecord mesh{stretched_.data(), pointCount, treeCorners_.data(),
                          static_cast<uint32_t>(treeCorners_.size())};
    if (!treeCorners_.empty() && tree_.Build(mesh) == 0) {
        throw std::bad_alloc();
    }
}

WindingRays::Ray WindingRays::RayFrom(uint32_t face) const
{
    const TRIANGLE& t = corners_[face];
    return Ray(points_[t.a], points_[t.b], points_[t.c]);
}

bool WindingRays::Crossing(const Ray& ray, uint32_t face, bool& failed, int& side) const
{
    const TRIANGLE& g = corners_[face];
    return Crosses(points_[g.a], points_[g.b], points_[g.c], ray.origin, failed, side);
}

int64_t WindingRays::Step(uint32_t face) const
{
    const TRIANGLE& g = corners_[face];
    return NormalSign(points_[g.a], points_[g.b], points_[g.c], 0) * (*faces_)[face].net;
}

bool WindingRays::Count(uint32_t origin, const uint32_t* faces, size_t count, int64_t& winding) const
{
    const Ray ray = RayFrom(origin);
    bool failed = false;
    int side = 0;
    winding = 0;
    for (size_t k = 0; k < count; ++k) {
        const TRIANGLE& g = corners_[faces[k]];
        if (faces[k] == origin) {
            continue;
        }
        C3DAABB box;
        for (const uint32_t p : {g.a, g.b, g.c}) {
            box.Extend(T3DVECF{points_[p].x * kStretch, points_[p].y, points_[p].z});
        }
        if (ray.Reaches(box) && Crossing(ray, faces[k], failed, side)) {
            winding += Step(faces[k]);
        }
    }
    return !failed;
}

bool WindingRays::CountAll(uint32_t origin, int64_t& winding) const
{
    const Ray ray = RayFrom(origin);
    bool failed = false;
    int side = 0;
    winding = 0;
    WorkArray<const AABBNode*> stack;
    if (tree_.Root() != nullptr) {
        stack.push_back(tree_.Root());
    }
    while (!stack.empty()) {
        const AABBNode* node = stack.back();
        stack.pop_back();
        if (!ray.Reaches(node->box)) {
            continue;
        }
        if (!node->IsLeaf()) {
            stack.push_back(node->Left());
            stack.push_back(node->Right());
            continue;
        }
        for (uint32_t k = node->first; k <= node->last; ++k) {
            const TriEntry& entry = tree_.Entries()[k];
            const uint32_t f = treeFace_[entry.index];
            if (f != origin && ray.Reaches(WidenBox(entry.box)) && Crossing(ray, f, failed, side)) {
                winding += Step(f);
            }
        }
    }
    return !failed;
}

WindingRays::Hit WindingRays::Nearest(uint32_t origin, uint32_t& hit) const
{
    const Ray ray = RayFrom(origin);
    const uint32_t own = (*component_)[origin];
    bool failed = false;
    bool unsure = false;
    // The best face so far, the origin's side of its plane and its box.
    uint32_t best = UINT32_MAX;
    int bestSide = 0;
    FloatBox bestBox{};
    // Whether face g (the origin on side `side` of its plane) is crossed
    // before the best: decided by a plane that has one face on one side.
    const auto before = [&](uint32_t g, int side, const FloatBox& box) {
        if (box.minX > bestBox.maxX) {
            return 0;
        }
        if (box.maxX < bestBox.minX) {
            return 1;
        }
        const TRIANGLE& t = corners_[g];
        const TRIANGLE& u = corners_[best];
        const T3DVECF &ga = points_[t.a], &gb = points_[t.b], &gc = points_[t.c];
        const T3DVECF &ba = points_[u.a], &bb = points_[u.b], &bc = points_[u.c];
        // The best's crossing lies inside it: on its corners' side of g's
        // plane, before g when that is the origin's side.
        const int bestAgainst = CornersSide(ga, gb, gc, ba, bb, bc);
        if (bestAgainst == 1 || bestAgainst == -1) {
            return bestAgainst == side ? 0 : 1;
        }
        const int against = CornersSide(ba, bb, bc, ga, gb, gc);
        if (against == 1 || against == -1) {
            return against == bestSide ? 1 : 0;
        }
        return 2;
    };
    // Depth first, the child whose box starts at smaller x first: a box
    // starting beyond the best face's box holds nothing the ray meets sooner.
    WorkArray<const AABBNode*> stack;
    if (tree_.Root() != nullptr) {
        stack.push_back(tree_.Root());
    }
    while (!stack.empty()) {
        const AABBNode* node = stack.back();
        stack.pop_back();
        if ((best != UINT32_MAX && node->box.min.x > bestBox.maxX) || !ray.Reaches(node->box)) {
            continue;
        }
        if (!node->IsLeaf()) {
            const bool leftFirst = node->Left()->box.min.x <= node->Right()->box.min.x;
            stack.push_back(leftFirst ? node->Right() : node->Left());
            stack.push_back(leftFirst ? node->Left() : node->Right());
            continue;
        }
        for (uint32_t k = node->first; k <= node->last; ++k) {
            const TriEntry& entry = tree_.Entries()[k];
            int side = 0;
            const uint32_t f = treeFace_[entry.index];
            if ((*component_)[f] == own || (best != UINT32_MAX && entry.box.minX > bestBox.maxX) ||
                !ray.Reaches(WidenBox(entry.box)) || !Crossing(ray, f, failed, side)) {
                continue;
            }
            const int earlier = best == UINT32_MAX ? 1 : before(f, side, entry.box);
            unsure = unsure || earlier == 2;
            if (earlier == 1) {
                best = f;
                bestSide = side;
                bestBox = entry.box;
            }
        }
    }
    hit = best;
    return failed ? Hit::Failed : unsure ? Hit::Unsure : best == UINT32_MAX ? Hit::None : Hit::Found;
}

}  // namespace meshaudit::arrangement
