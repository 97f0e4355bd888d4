// Step 5: pinched points and non-manifold edges, split into manifold
// pieces. Around a point, two corners are joined when their triangles share
// an edge through the point that no third triangle has; the corners' sets
// are the point's fans. A point with one fan is manifold there. Otherwise
// every fan but one gets a copy of the point, so that an edge of three or
// more triangles is left with at most two on each copy of it, and a point
// where shells touch becomes one point per shell.
//
// Fans that reach a border at the point are kept together while holes are
// still to be filled (`holesAhead`): two holes that meet at a point leave
// it with two such fans, which the fills join into one again. Split there,
// the two holes would become one loop that passes twice through one place,
// and no fill of it could avoid touching itself. What the fills leave
// pinched is split by a second call after them.
//
// Which fan keeps which number: a fan whose corners all named one point
// before the merges (WorkMesh::named) takes that point back, when the merge
// put it here, and the merge is undone; the others take the point itself,
// first fan first, then new copies. A mesh whose touching shells were given
// points of their own, as this step gives them, so comes back with the
// same points after step 2 has merged them.
#include "repair/pipeline/EdgeSides.h"
#include "repair/pipeline/Forest.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <utility>

namespace meshaudit::pipeline {

namespace {

uint32_t CornerAt(const TRIANGLE& t, uint32_t point)
{
    return t.a == point ? 0u : t.b == point ? 1u : 2u;
}

// The fans of every point as sets of corners (triangle * 3 + i); `border`
// marks the corners with a border side (one of one triangle) through them.
Forest JoinCorners(const WorkMesh& mesh, std::vector<uint8_t>& border)
{
    const std::vector<TRIANGLE>& triangles = mesh.triangles;
    Forest corners(triangles.size() * 3);
    const EdgeSides& sides = mesh.Sides();
    border.assign(triangles.size() * 3, 0);
    for (uint32_t g = 0; g < sides.GroupCount(); ++g) {
        if (sides.Size(g) == 1) {
            // Side s runs from corner s % 3 to the next: both have it.
            const uint32_t s = sides.Sides(g)[0];
            border[s] = border[s / 3 * 3 + (s % 3 + 1) % 3] = 1;
        }
        if (sides.Size(g) != 2) {
            continue;
        }
        const uint32_t s = sides.Sides(g)[0], o = sides.Sides(g)[1];
        const uint32_t t = s / 3, u = o / 3;
        for (const uint32_t end : {SideStart(triangles, s), SideEnd(triangles, s)}) {
            corners.Join(t * 3 + CornerAt(triangles[t], end), u * 3 + CornerAt(triangles[u], end));
        }
    }
    for (uint32_t t = 0; t < triangles.size(); ++t) {
        for (uint32_t i = 0; i < 3; ++i) {
            if (Corner(triangles[t], i) == Corner(triangles[t], (i + 1) % 3)) {
                corners.Join(t * 3 + i, t * 3 + (i + 1) % 3);
            }
        }
    }
    return corners;
}

}  // namespace

uint32_t SplitNonManifold(WorkMesh& mesh, bool holesAhead)
{
    const uint32_t pointCount = mesh.PointCount();
    const auto cornerCount = static_cast<uint32_t>(mesh.triangles.size() * 3);
    std::vector<uint8_t> border;
    Forest corners = JoinCorners(mesh, border);
    std::vector<uint32_t> start(static_cast<size_t>(pointCount) + 1, 0);
    for (uint32_t c = 0; c < cornerCount; ++c) {
        ++start[Corner(mesh.triangles[c / 3], c % 3) + 1];
    }
    for (uint32_t p = 0; p < pointCount; ++p) {
        start[p + 1] += start[p];
    }
    std::vector<uint32_t> byPoint(cornerCount);
    {
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        for (uint32_t c = 0; c < cornerCount; ++c) {
            byPoint[fill[Corner(mesh.triangles[c / 3], c % 3)]++] = c;
        }
    }
    std::vector<std::pair<uint32_t, uint32_t>> fan;  // (root, corner) of one point
    // The points given to a fan of the point at hand (a flag per point, and
    // the list of those set).
    std::vector<uint8_t> claimed(pointCount, 0);
    std::vector<uint32_t> claims;
    uint32_t deferred = 0;
    for (uint32_t p = 0; p < pointCount; ++p) {
        const uint32_t* begin = byPoint.data() + start[p];
        const uint32_t* end = byPoint.data() + start[p + 1];
        if (begin == end) {
            continue;
        }
        const uint32_t root = corners.Root(*begin);
        if (std::all_of(begin + 1, end, [&](uint32_t c) { return corners.Root(c) == root; })) {
            continue;
        }
        fan.clear();
        for (const uint32_t* c = begin; c != end; ++c) {
            fan.emplace_back(corners.Root(*c), *c);
        }
        std::sort(fan.begin(), fan.end());
        if (holesAhead) {
            // The fans with a border corner become the first of them.
            uint32_t first = kNone, fans = 0;
            for (size_t f = 0, next = 0; f < fan.size(); f = next) {
                bool onBorder = false;
                for (next = f; next < fan.size() && fan[next].first == fan[f].first; ++next) {
                    onBorder |= border[fan[next].second] != 0;
                }
                if (onBorder) {
                    first = first == kNone ? fan[f].first : first;
                    ++fans;
                    for (size_t k = f; k < next; ++k) {
                        fan[k].first = first;
                    }
                }
            }
            if (fans > 1) {
                ++deferred;
                std::sort(fan.begin(), fan.end());
                if (fan.front().first == fan.back().first) {
                    continue;
                }
            }
        }
        // Each fan as a range [f, next) of `fan`, with the point it takes.
        std::vector<std::pair<size_t, uint32_t>> fans;
        const auto claim = [&](uint32_t q) {
            const bool free = claimed[q] == 0;
            claimed[q] = 1;
            if (free) {
                claims.push_back(q);
            }
            return free;
        };
        for (size_t f = 0; f < fan.size();) {
            size_t next = f;
            uint32_t named = Corner(mesh.named[fan[f].second / 3], fan[f].second % 3);
            for (; next < fan.size() && fan[next].first == fan[f].first; ++next) {
                named = Corner(mesh.named[fan[next].second / 3], fan[next].second % 3) == named ? named : kNone;
            }
            const bool back = named != kNone && (named == p || mesh.MergedInto(named) == p) && claim(named);
            fans.emplace_back(f, back ? named : kNone);
            f = next;
        }
        uint32_t copies = 0;
        mesh.TrianglesChanged();
        for (auto& [f, target] : fans) {
            if (target == kNone) {
                if (claim(p)) {
                    target = p;
                } else {
                    target = mesh.AddCopy(p);
                    ++copies;
                }
            } else if (target != p) {
                mesh.Restore(target);
            }
            for (size_t k = f; k < fan.size() && fan[k].first == fan[f].first; ++k) {
                Corner(mesh.triangles[fan[k].second / 3], fan[k].second % 3) = target;
            }
        }
        if (copies > 0) {
            mesh.log.splitPoints.push_back({mesh.Origin(p), copies});
        }
        for (const uint32_t q : claims) {
            claimed[q] = 0;
        }
        claims.clear();
    }
    return deferred;
}

}  // namespace meshaudit::pipeline
