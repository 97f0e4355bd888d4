#include "repair/pipeline/TriangleProbe.h"

#include "geometry/Predicates.h"
#include "geometry/TriangleIntersection.h"

#include <algorithm>
#include <cmath>

namespace meshaudit::pipeline {

namespace {

bool SharesPoint(const TRIANGLE& a, const TRIANGLE& b)
{
    for (const uint32_t p : {a.a, a.b, a.c}) {
        if (p == b.a || p == b.b || p == b.c) {
            return true;
        }
    }
    return false;
}

// The axis to drop when projecting a triangle: that of the largest
// component of its normal, so that its shadow has the most area.
int DroppedAxis(const T3DVECF* t)
{
    const double ux = t[1].x - t[0].x, uy = t[1].y - t[0].y, uz = t[1].z - t[0].z;
    const double vx = t[2].x - t[0].x, vy = t[2].y - t[0].y, vz = t[2].z - t[0].z;
    const double nx = std::fabs(uy * vz - uz * vy), ny = std::fabs(uz * vx - ux * vz), nz = std::fabs(ux * vy - uy * vx);
    return nx >= ny && nx >= nz ? 0 : ny >= nz ? 1 : 2;
}

// A triangle's shadow along an axis: its corners in the other two
// coordinates, and on which side of each edge's line the shadow lies.
struct Shadow {
    double at[3][2];
    int8_t inside[3];

    Shadow(const T3DVECF* t, int axis)
    {
        for (int i = 0; i < 3; ++i) {
            const double* c = Coordinates(t[i]);
            at[i][0] = c[(axis + 1) % 3];
            at[i][1] = c[(axis + 2) % 3];
        }
        for (int i = 0; i < 3; ++i) {
            inside[i] = Orient2DSign(at[i], at[(i + 1) % 3], at[(i + 2) % 3]);
        }
    }
    // Whether the points lie strictly beyond the line of one edge (exact
    // signs); an edge of a shadow without area splits nothing.
    bool Splits(const double (*points)[2], int count) const
    {
        for (int i = 0; i < 3; ++i) {
            bool beyond = inside[i] != 0;
            for (int k = 0; k < count && beyond; ++k) {
                beyond = Orient2DSign(at[i], at[(i + 1) % 3], points[k]) == -inside[i];
            }
            if (beyond) {
                return true;
            }
        }
        return false;
    }
};

// Whether the shadows of a box or a triangle and of the probed triangle
// lie strictly apart, split by the line of an edge of one: then they are
// apart in space too. Cheap where the exact test is dear: triangles in one
// plane, or meeting another's plane in an edge, as the fill of a flat hole
// and the mesh round it do, make that test certify exact zeros; and a
// large fill triangle's box holds much of the rim that its shadow misses.
bool BoxApart(const Shadow& shadow, const C3DAABB& box, int axis)
{
    const double* low = Coordinates(box.min);
    const double* high = Coordinates(box.max);
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    const double corners[4][2] = {{low[u], low[v]}, {high[u], low[v]}, {high[u], high[v]}, {low[u], high[v]}};
    return shadow.Splits(corners, 4);
}

bool TriangleApart(const Shadow& shadow, const T3DVECF* other, int axis)
{
    const Shadow second(other, axis);
    return shadow.Splits(second.at, 3) || second.Splits(shadow.at, 3);
}

}  // namespace

TriangleProbe::TriangleProbe(const T3DVECF* points, const WorkArray<TRIANGLE>& triangles)
    : triangles_(triangles), points_(points)
{
    WorkArray<C3DAABB> boxes(triangles_.size());
    order_.resize(triangles_.size());
    for (uint32_t t = 0; t < triangles_.size(); ++t) {
        order_[t] = t;
        for (const uint32_t p : {triangles_[t].a, triangles_[t].b, triangles_[t].c}) {
            boxes[t].Extend(points_[p]);
        }
    }
    if (!triangles_.empty()) {
        nodes_.reserve(triangles_.size() / kLeaf * 2 + 1);
        Build(0, static_cast<uint32_t>(triangles_.size()), boxes);
    }
}

uint32_t TriangleProbe::Build(uint32_t first, uint32_t count, WorkArray<C3DAABB>& boxes)
{
    const auto at = static_cast<uint32_t>(nodes_.size());
    nodes_.push_back(Node{});
    C3DAABB box, centres;
    for (uint32_t k = first; k < first + count; ++k) {
        box.Extend(boxes[order_[k]]);
        centres.Extend(boxes[order_[k]].Centre());
    }
    nodes_[at].box = box;
    if (count <= kLeaf) {
        nodes_[at].first = first;
        nodes_[at].count = count;
        return at;
    }
    const char axis = centres.LongestAxis();
    const auto key = [&](uint32_t t) {
        const T3DVECF c = boxes[t].Centre();
        return axis == 'x' ? c.x : axis == 'y' ? c.y : c.z;
    };
    const uint32_t half = count / 2;
    std::nth_element(order_.begin() + first, order_.begin() + first + half, order_.begin() + first + count,
                     [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    const uint32_t left = Build(first, half, boxes);
    const uint32_t right = Build(first + half, count - half, boxes);
    nodes_[at].count = 0;
    nodes_[at].first = left;
    nodes_[at].second = right;
    return at;
}

bool TriangleProbe::Meets(const TRIANGLE& t) const
{
    if (nodes_.empty()) {
        return false;
    }
    const T3DVECF corners[3] = {points_[t.a], points_[t.b], points_[t.c]};
    C3DAABB box;
    for (const T3DVECF& c : corners) {
        box.Extend(c);
    }
    const int axis = DroppedAxis(corners);
    const Shadow shadow(corners, axis);
    WorkArray<uint32_t> stack{0};
    while (!stack.empty()) {
        const Node& node = nodes_[stack.back()];
        stack.pop_back();
        if (ClassifyBoxes(node.box, box) == '0' || BoxApart(shadow, node.box, axis)) {
            continue;
        }
        if (node.count == 0) {
            stack.push_back(node.first);
            stack.push_back(node.second);
            continue;
        }
        for (uint32_t k = node.first; k < node.first + node.count; ++k) {
            const TRIANGLE& other = triangles_[order_[k]];
            if (SharesPoint(other, t)) {
                continue;
            }
            const T3DVECF corners2[3] = {points_[other.a], points_[other.b], points_[other.c]};
            C3DAABB box2;
            for (const T3DVECF& c : corners2) {
                box2.Extend(c);
            }
            if (ClassifyBoxes(box2, box) != '0' && !TriangleApart(shadow, corners2, axis) &&
                TriTriIntersect(corners, corners2) == '1') {
                return true;
            }
        }
    }
    return false;
}

}  // namespace meshaudit::pipeline
