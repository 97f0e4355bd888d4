#include "repair/arrangement/PlanarArrangement.h"
#include "containers/WorkArray.h"
#include "containers/FlatMap.h"

#include "repair/arrangement/BoxPairs.h"
#include "repair/arrangement/ConstrainedTriangulation.h"
#include "repair/arrangement/Constructions.h"
#include "repair/arrangement/PlaneProjection.h"

#include <algorithm>
#include <cmath>

namespace meshaudit::arrangement {

Box PlaneArranger::BoxOf(uint32_t a, uint32_t b) const
{
    Box box{};
    for (int k = 0; k < 2; ++k) {
        const int axis = k == 0 ? i_ : j_;
        const Interval ia = Coord(a, axis);
        const Interval ib = Coord(b, axis);
        box.lo[k] = std::fmin(ia.lo, ib.lo);
        box.hi[k] = std::fmax(ia.hi, ib.hi);
    }
    return box;
}

void PlaneArranger::FindNearPairs(uint32_t ends)
{
    // After the segments' boxes, the points'.
    boxes_.resize(segmentCount_ + ends);
    for (uint32_t p = 0; p < ends; ++p) {
        boxes_[segmentCount_ + p] = BoxOf(p, p);
    }
    segmentPairs_.clear();
    pointPairs_.clear();
    const auto segments = static_cast<uint32_t>(segmentCount_);
    BoxPairs(boxes_).ForEach([&](uint32_t x, uint32_t y) {
        if (x > y) {
            std::swap(x, y);
        }
        if (y < segments) {
            segmentPairs_.push_back({x, y});
        } else if (x < segments) {
            pointPairs_.push_back({x, y - segments});
        }
    });
    std::sort(segmentPairs_.begin(), segmentPairs_.end());
    std::sort(pointPairs_.begin(), pointPairs_.end());
}

void PlaneArranger::SortAlong(PlaneSegment& s, int axis) const
{
    std::sort(s.on.begin(), s.on.end());
    s.on.erase(std::unique(s.on.begin(), s.on.end()), s.on.end());
    std::sort(s.on.begin(), s.on.end(), [this, axis](uint32_t p, uint32_t q) {
        return CompareCoordinate(points_[p], points_[q], axis) < 0;
    });
    // From a to b: all lie strictly between them.
    if (CompareCoordinate(points_[s.b], points_[s.a], axis) < 0) {
        std::reverse(s.on.begin(), s.on.end());
    }
}

bool PlaneArranger::ProperlyCross(const PlaneSegment& s, const PlaneSegment& t) const
{
    if (s.a == t.a || s.a == t.b || s.b == t.a || s.b == t.b) {
        return false;
    }
    return Orient(s.a, s.b, t.a) * Orient(s.a, s.b, t.b) < 0 && Orient(t.a, t.b, s.a) * Orient(t.a, t.b, s.b) < 0;
}

ExactPoint PlaneArranger::Crossing(const PlaneSegment& s, const PlaneSegment& t) const
{
    // An edge runs from corner to corner: its ends' ids name its line.
    if (s.edge && t.edge) {
        ExactPoint p = SegmentLinePoint(s.line[0], s.line[1], t.line[0], t.line[1], i_, j_);
        if (!plain_) {
            SetRecipe(p, ids_[s.a], ids_[s.b], nullptr);
            SetRecipe(p, ids_[t.a], ids_[t.b], nullptr);
        }
        return p;
    }
    if (s.edge || t.edge) {
        const PlaneSegment& e = s.edge ? s : t;
        const PlaneSegment& c = s.edge ? t : s;
        ExactPoint p = SegmentPlanePoint(e.line[0], e.line[1], c.line[0], c.line[1], c.line[2]);
        if (!plain_) {
            SetRecipe(p, ids_[e.a], ids_[e.b], c.planeIds);
        }
        return p;
    }
    const ClusterTriangle& first = (*triangles_)[0];
    const T3DVECF planes[9] = {first.corners[0], first.corners[1], first.corners[2],
                               s.line[0], s.line[1], s.line[2], t.line[0], t.line[1], t.line[2]};
    return ThreePlanePoint(planes);
}

bool PlaneArranger::InInterior(const PlaneSegment& s, uint32_t p, int axis) const
{
    if (p == s.a || p == s.b || Orient(s.a, s.b, p) != 0) {
        return false;
    }
    const int fromA = CompareCoordinate(points_[p], points_[s.a], axis);
    const int fromB = CompareCoordinate(points_[p], points_[s.b], axis);
    return fromA * fromB < 0;
}

PlaneArranger::PlaneArranger(PointRegistry& registry, bool everyPoint)
    : registry_(registry), plain_(everyPoint), triangulation_(points_, 0, 1, 0, 0, 0)
{
}

uint32_t PlaneArranger::Local(uint32_t id)
{
    const auto [local, inserted] = local_.Emplace(id, static_cast<uint32_t>(points_.size()));
    if (inserted) {
        points_.push_back(registry_.Get(id));
        if (plain_) {
            ClearRecipe(points_.back());
        }
        ids_.push_back(id);
    }
    return local;
}

void PlaneArranger::AddSegment(uint32_t from, uint32_t to, bool edge, const T3DVECF* line, const uint32_t* planeIds)
{
    const uint32_t a = Local(from);
    const uint32_t b = Local(to);
    if (a == b) {
        return;
    }
    if (segmentCount_ == segments_.size()) {
        segments_.emplace_back();
    }
    PlaneSegment& s = segments_[segmentCount_++];
    s.a = a;
    s.b = b;
    s.edge = edge;
    for (int k = 0; k < 3; ++k) {
        s.line[k] = line[k];
        s.planeIds[k] = planeIds[k];
    }
    s.on.clear();
}

bool PlaneArranger::Arrange(const WorkArray<ClusterTriangle>& triangles, const WorkArray<Cut>& cuts,
                            WorkArray<WorkArray<std::array<uint32_t, 3>>>& pieces)
{
    const bool everyPoint = plain_;
    triangles_ = &triangles;
    ProjectionAxes(triangles[0].corners, i_, j_);
    points_.clear();
    ids_.clear();
    local_.Clear();
    segmentCount_ = 0;
    for (const ClusterTriangle& t : triangles) {
        for (int k = 0; k < 3; ++k) {
            // The edge's line: its two corners.
            const T3DVECF line[3] = {t.corners[k], t.corners[(k + 1) % 3], t.corners[(k + 1) % 3]};
            const uint32_t none[3] = {kNoId, kNoId, kNoId};
            AddSegment(t.ids[k], t.ids[(k + 1) % 3], true, line, none);
        }
    }
    for (const Cut& c : cuts) {
        Local(c.from);
        AddSegment(c.from, c.to, false, c.plane, c.planeIds);
    }
    // Crossings of two segments, each a point on both; the points before
    // them are the ends and the lone points.
    const auto ends = static_cast<uint32_t>(points_.size());
    const size_t segmentCount = segmentCount_;
    // Beyond a few dozen segments (a face that many small parts cross) the
    // pairs of boxes that meet come from a tree, in time that grows with
    // the pairs found rather than with the square of the segments; taken
    // in the order of the plain loops, so that crossings get the same ids.
    const bool searched = !everyPoint && segmentCount > kSearchedFrom;
    boxes_.resize(segmentCount);
    for (size_t k = 0; k < segmentCount; ++k) {
        boxes_[k] = BoxOf(segments_[k].a, segments_[k].b);
    }
    if (searched) {
        FindNearPairs(ends);
    }
    const auto cross = [&](size_t s, size_t t) {
        if (!ProperlyCross(segments_[s], segments_[t])) {
            return;
        }
        const uint32_t p = Local(registry_.Add(Crossing(segments_[s], segments_[t])));
        segments_[s].on.push_back(p);
        segments_[t].on.push_back(p);
    };
    if (searched) {
        for (const auto& [s, t] : segmentPairs_) {
            cross(s, t);
        }
    } else {
        for (size_t s = 0; s < segmentCount; ++s) {
            for (size_t t = s + 1; t < segmentCount; ++t) {
                if (BoxesOverlap(boxes_[s], boxes_[t])) {
                    cross(s, t);
                }
            }
        }
    }
    // Every other point on a segment splits it too: ends of other
    // segments, corners, lone contact points.
    const auto tested = everyPoint ? static_cast<uint32_t>(points_.size()) : ends;
    // Each point's box once, side by side, rather than from its exact point
    // (hundreds of bytes apart) for every segment.
    pointBoxes_.clear();
    if (!searched) {
        for (uint32_t p = 0; p < tested; ++p) {
            pointBoxes_.push_back(BoxOf(p, p));
        }
    }
    size_t near = 0;
    for (size_t k = 0; k < segmentCount_; ++k) {
        PlaneSegment& s = segments_[k];
        const int axis = AxisAlong(s);
        if (searched) {
            for (; near < pointPairs_.size() && pointPairs_[near].first == k; ++near) {
                if (InInterior(s, pointPairs_[near].second, axis)) {
                    s.on.push_back(pointPairs_[near].second);
                }
            }
            SortAlong(s, axis);
            continue;
        }
        for (uint32_t p = 0; p < tested; ++p) {
            if (BoxesOverlap(boxes_[k], pointBoxes_[p]) && InInterior(s, p, axis)) {
                s.on.push_back(p);
            }
        }
        SortAlong(s, axis);
    }
    // The start triangle: well around the box of all points, its corners
    // checked exactly to hold them.
    const uint32_t real = static_cast<uint32_t>(points_.size());
    double lo[2] = {points_[0].rounded[i_], points_[0].rounded[j_]};
    double hi[2] = {lo[0], lo[1]};
    for (const ExactPoint& p : points_) {
        lo[0] = std::fmin(lo[0], p.rounded[i_]);
        hi[0] = std::fmax(hi[0], p.rounded[i_]);
        lo[1] = std::fmin(lo[1], p.rounded[j_]);
        hi[1] = std::fmax(hi[1], p.rounded[j_]);
    }
    const double size = std::fmax(hi[0] - lo[0], hi[1] - lo[1]) + std::fmax(std::fabs(lo[0]) + std::fabs(hi[0]),
                                                                          std::fabs(lo[1]) + std::fabs(hi[1])) + 1.0;
    const double cx = 0.5 * lo[0] + 0.5 * hi[0];
    const double cy = 0.5 * lo[1] + 0.5 * hi[1];
    const double corner[3][2] = {{cx - 8 * size, cy - 8 * size}, {cx + 8 * size, cy - 8 * size}, {cx, cy + 8 * size}};
    for (const auto& c : corner) {
        ExactPoint e;
        e.rounded[i_] = c[0];
        e.rounded[j_] = c[1];
        e.rounded[3 - i_ - j_] = 0.0;
        points_.push_back(e);
    }
    ConstrainedTriangulation& triangulation = triangulation_;
    triangulation.Reset(i_, j_, real, real + 1, real + 2);
    if (!triangulation.InsertPoints(0, real)) {
        return false;
    }
    for (size_t k = 0; k < segmentCount_; ++k) {
        const PlaneSegment& s = segments_[k];
        uint32_t from = s.a;
        for (uint32_t p : s.on) {
            if (!triangulation.InsertSegment(from, p)) {
                return false;
            }
            from = p;
        }
        if (!triangulation.InsertSegment(from, s.b)) {
            return false;
        }
    }
    triangulation.ImproveShapes(64 * (points_.size() + segmentCount_) + 256);
    // A piece belongs to each cluster triangle whose closed region holds its
    // three corners: with the triangle's edges among the constraints no
    // piece straddles one.
    if (pieces.size() < triangles.size()) {
        pieces.resize(triangles.size());
    }
    WorkArray<std::array<uint32_t, 3>>& corners = corners_;
    WorkArray<int>& turn = turn_;
    corners.resize(triangles.size());
    turn.resize(triangles.size());
    for (size_t k = 0; k < triangles.size(); ++k) {
        pieces[k].clear();
        for (int c = 0; c < 3; ++c) {
            corners[k][c] = local_.Find(triangles[k].ids[c]);
        }
        turn[k] = Orient(corners[k][0], corners[k][1], corners[k][2]);
    }
    triangulation.Triangles(found_);
    for (const auto& piece : found_) {
        if (piece[0] >= real || piece[1] >= real || piece[2] >= real) {
            continue;
        }
        for (size_t k = 0; k < triangles.size(); ++k) {
            bool inside = true;
            for (int e = 0; e < 3 && inside && triangles.size() > 1; ++e) {
                for (int v = 0; v < 3 && inside; ++v) {
                    inside = Orient(corners[k][e], corners[k][(e + 1) % 3], piece[v]) * turn[k] >= 0;
                }
            }
            if (inside) {
                const uint32_t a = ids_[piece[0]];
                const uint32_t b = ids_[piece[1]];
                const uint32_t c = ids_[piece[2]];
                pieces[k].push_back(turn[k] > 0 ? std::array<uint32_t, 3>{a, b, c} : std::array<uint32_t, 3>{a, c, b});
            }
        }
    }
    return true;
}

}  // namespace meshaudit::arrangement
