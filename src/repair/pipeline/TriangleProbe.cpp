#include "repair/pipeline/TriangleProbe.h"

#include "geometry/TriangleIntersection.h"

#include <new>

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

}  // namespace

TriangleProbe::TriangleProbe(const T3DVECF* points, uint32_t pointCount, const std::vector<TRIANGLE>& triangles)
    : triangles_(triangles), points_(points)
{
    if (triangles_.empty()) {
        return;
    }
    const MeshRecord record{const_cast<T3DVECF*>(points), pointCount, triangles_.data(),
                            static_cast<uint32_t>(triangles_.size())};
    if (tree_.Build(record) == 0) {
        throw std::bad_alloc();
    }
}

bool TriangleProbe::Meets(const TRIANGLE& t) const
{
    if (tree_.Root() == nullptr) {
        return false;
    }
    const T3DVECF corners[3] = {points_[t.a], points_[t.b], points_[t.c]};
    C3DAABB box;
    for (const T3DVECF& c : corners) {
        box.Extend(c);
    }
    std::vector<const AABBNode*> stack{tree_.Root()};
    while (!stack.empty()) {
        const AABBNode* node = stack.back();
        stack.pop_back();
        if (ClassifyBoxes(node->box, box) == '0') {
            continue;
        }
        if (!node->IsLeaf()) {
            stack.push_back(node->Left());
            stack.push_back(node->Right());
            continue;
        }
        for (uint32_t k = node->first; k <= node->last; ++k) {
            const TriEntry& e = tree_.Entries()[k];
            if (ClassifyBoxes(WidenBox(e.box), box) == '0' || SharesPoint(e.triangle, t)) {
                continue;
            }
            const T3DVECF other[3] = {points_[e.triangle.a], points_[e.triangle.b], points_[e.triangle.c]};
            if (TriTriIntersect(corners, other) == '1') {
                return true;
            }
        }
    }
    return false;
}

}  // namespace meshaudit::pipeline
