#include "repair/arrangement/WindingSeeds.h"
#include "containers/WorkArray.h"

#include "repair/arrangement/UnionNormal.h"
#include "repair/arrangement/WindingRay.h"

#include <algorithm>

namespace meshaudit::arrangement {

namespace {

bool LexLess(const T3DVECF& a, const T3DVECF& b)
{
    return a.x != b.x ? a.x < b.x : a.y != b.y ? a.y < b.y : a.z < b.z;
}

}  // namespace

bool SeedWindings(const T3DVECF* points, uint32_t pointCount, const WorkArray<UnionFace>& faces,
                  const FaceWindings& windings, WorkArray<int64_t>& offset)
{
    const uint32_t count = windings.componentCount;
    const auto faceCount = static_cast<uint32_t>(faces.size());
    const uint32_t none = UINT32_MAX;
    // The faces of each component, in compressed rows.
    WorkArray<size_t> rowStart(size_t{count} + 1, 0);
    for (uint32_t f = 0; f < faceCount; ++f) {
        ++rowStart[windings.component[f] + 1];
    }
    for (uint32_t c = 0; c < count; ++c) {
        rowStart[c + 1] += rowStart[c];
    }
    WorkArray<uint32_t> members(faceCount);
    WorkArray<size_t> fill(rowStart.begin(), rowStart.end() - 1);
    for (uint32_t f = 0; f < faceCount; ++f) {
        members[fill[windings.component[f]]++] = f;
    }
    const auto normalX = [&](uint32_t f) {
        const TRIANGLE& t = faces[f].corners;
        return NormalSign(points[t.a], points[t.b], points[t.c], 0);
    };
    // The relative winding on the +x side of face f (its front when the
    // normal's x is positive), or on the -x side.
    const auto relative = [&](uint32_t f, bool plusX) {
        return windings.front[f] + ((normalX(f) > 0) == plusX ? 0 : faces[f].net);
    };

    WindingRays rays;
    // One component meets no other: its own faces settle it, no tree needed.
    rays.Build(points, pointCount, faces, windings.component, count > 1);
    offset.assign(count, 0);
    WorkArray<uint32_t> next(count, none);  // the component a link leads to
    WorkArray<int64_t> delta(count, 0);     // offset(c) = offset(next) + delta
    WorkArray<uint8_t> state(count, 0);     // 0 open, 1 on the walk, 2 known, 3 needs a full ray
    WorkArray<uint32_t> rayFace(count, none);
    for (uint32_t c = 0; c < count; ++c) {
        const uint32_t* own = members.data() + rowStart[c];
        const size_t ownCount = rowStart[c + 1] - rowStart[c];
        uint32_t top = faces[own[0]].corners.a;
        for (size_t k = 0; k < ownCount; ++k) {
            for (const uint32_t p : {faces[own[k]].corners.a, faces[own[k]].corners.b, faces[own[k]].corners.c}) {
                top = LexLess(points[top], points[p]) ? p : top;
            }
        }
        for (size_t k = 0; k < ownCount; ++k) {
            const TRIANGLE& t = faces[own[k]].corners;
            const bool atTop = t.a == top || t.b == top || t.c == top;
            if (normalX(own[k]) != 0 && (rayFace[c] == none || atTop)) {
                rayFace[c] = own[k];
                if (atTop) {
                    break;
                }
            }
        }
        const uint32_t f = rayFace[c];
        int64_t ownWinding = 0;
        if (f == none || !rays.Count(f, own, ownCount, ownWinding)) {
            return false;
        }
        const int64_t ownOffset = ownWinding - relative(f, true);
        uint32_t g = none;
        const WindingRays::Hit hit = rays.Nearest(f, g);
        if (hit == WindingRays::Hit::Failed) {
            return false;
        }
        if (hit == WindingRays::Hit::None) {
            offset[c] = ownOffset;
            state[c] = 2;
        } else if (hit == WindingRays::Hit::Unsure) {
            state[c] = 3;
        } else {
            int64_t atG = 0;
            if (!rays.Count(g, own, ownCount, atG)) {
                return false;
            }
            next[c] = windings.component[g];
            delta[c] = ownOffset + relative(g, false) - atG;
        }
    }

    // Follow the links to a known offset; a component met again on the
    // walk (a cycle) or unsure counts every face along its ray.
    WorkArray<uint32_t> walk;
    for (uint32_t c = 0; c < count; ++c) {
        walk.clear();
        uint32_t x = c;
        while (state[x] == 0) {
            state[x] = 1;
            walk.push_back(x);
            x = next[x];
        }
        if (state[x] != 2) {
            int64_t total = 0;
            if (!rays.CountAll(rayFace[x], total)) {
                return false;
            }
            offset[x] = total - relative(rayFace[x], true);
            state[x] = 2;
        }
        for (auto it = walk.rbegin(); it != walk.rend(); ++it) {
            if (state[*it] != 2) {
                offset[*it] = offset[next[*it]] + delta[*it];
                state[*it] = 2;
            }
        }
    }
    return true;
}

}  // namespace meshaudit::arrangement
