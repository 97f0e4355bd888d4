#include "repair/arrangement/WindingPropagation.h"
#include "containers/WorkArray.h"

#include "repair/arrangement/RadialOrder.h"

#include <algorithm>

namespace meshaudit::arrangement {

namespace {

// A face at an edge lo < hi: `forward` when the face runs lo -> hi.
struct EdgeUse {
    uint32_t lo, hi;
    uint32_t face;
    uint32_t apex;
    bool forward;
};

// front[to] = front[from] + offset.
struct Link {
    uint32_t from, to;
    int64_t offset;
};

EdgeUse Use(uint32_t a, uint32_t b, uint32_t apex, uint32_t face)
{
    return a < b ? EdgeUse{a, b, face, apex, true} : EdgeUse{b, a, face, apex, false};
}

// The three uses of each face, ordered by (lo, hi, face), every key once: a
// counting pass places them by lo, then each point's few are sorted. One
// sort of them all by comparisons cost as much as the rest of the
// propagation.
WorkArray<EdgeUse> SortedUses(const WorkArray<UnionFace>& faces)
{
    const auto each = [&faces](auto&& visit) {
        for (uint32_t f = 0; f < faces.size(); ++f) {
            const TRIANGLE& t = faces[f].corners;
            visit(Use(t.a, t.b, t.c, f));
            visit(Use(t.b, t.c, t.a, f));
            visit(Use(t.c, t.a, t.b, f));
        }
    };
    uint32_t most = 0;
    each([&most](const EdgeUse& u) { most = std::max(most, u.lo); });
    WorkArray<size_t> start(size_t{most} + 2, 0);
    each([&start](const EdgeUse& u) { ++start[u.lo + 1]; });
    for (size_t p = 1; p < start.size(); ++p) {
        start[p] += start[p - 1];
    }
    WorkArray<EdgeUse> uses(3 * faces.size());
    WorkArray<size_t> next(start.begin(), start.end() - 1);
    each([&](const EdgeUse& u) { uses[next[u.lo]++] = u; });
    for (size_t p = 0; p + 1 < start.size(); ++p) {
        std::sort(uses.begin() + static_cast<std::ptrdiff_t>(start[p]),
                  uses.begin() + static_cast<std::ptrdiff_t>(start[p + 1]),
                  [](const EdgeUse& l, const EdgeUse& r) { return l.hi != r.hi ? l.hi < r.hi : l.face < r.face; });
    }
    return uses;
}

}  // namespace

WindingStatus PropagateWindings(const T3DVECF* points, const WorkArray<UnionFace>& faces, FaceWindings& out)
{
    const auto faceCount = static_cast<uint32_t>(faces.size());
    const WorkArray<EdgeUse> uses = SortedUses(faces);
    // Edge groups [begin, end) in `uses`.
    WorkArray<size_t> starts;
    for (size_t i = 0; i < uses.size(); ++i) {
        if (i == 0 || uses[i].lo != uses[i - 1].lo || uses[i].hi != uses[i - 1].hi) {
            starts.push_back(i);
        }
    }
    starts.push_back(uses.size());
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        int64_t boundary = 0;
        for (size_t i = starts[g]; i < starts[g + 1]; ++i) {
            boundary += uses[i].forward ? faces[uses[i].face].net : -faces[uses[i].face].net;
        }
        if (boundary != 0) {
            return WindingStatus::Open;
        }
    }

    // Around each edge, the wedge from a face to the next counterclockwise
    // one: a face running lo -> hi faces it with its front (winding w), one
    // running hi -> lo with its back (w + net); the next face meets it with
    // its back when it runs lo -> hi, its front otherwise.
    WorkArray<Link> links;
    links.reserve(uses.size());
    WorkArray<RadialFace> around;
    WorkArray<uint8_t> forward;
    for (size_t g = 0; g + 1 < starts.size(); ++g) {
        const size_t begin = starts[g], end = starts[g + 1];
        around.clear();
        for (size_t i = begin; i < end; ++i) {
            around.push_back({static_cast<uint32_t>(i), uses[i].apex});
        }
        // Two faces bound the two wedges whatever their angles.
        if (around.size() > 2 && !SortAroundEdge(points, uses[begin].lo, uses[begin].hi, around)) {
            return WindingStatus::NotArranged;
        }
        for (size_t k = 0; k < around.size(); ++k) {
            const EdgeUse& a = uses[around[k].face];
            const EdgeUse& b = uses[around[(k + 1) % around.size()].face];
            const int64_t leaving = a.forward ? 0 : faces[a.face].net;
            const int64_t arriving = b.forward ? faces[b.face].net : 0;
            links.push_back({a.face, b.face, leaving - arriving});
        }
    }

    // Breadth-first over the links in both directions (compressed rows).
    WorkArray<size_t> rowStart(size_t{faceCount} + 1, 0);
    for (const Link& l : links) {
        ++rowStart[l.from + 1];
        ++rowStart[l.to + 1];
    }
    for (uint32_t f = 0; f < faceCount; ++f) {
        rowStart[f + 1] += rowStart[f];
    }
    WorkArray<std::pair<uint32_t, int64_t>> neighbours(rowStart[faceCount]);
    WorkArray<size_t> fill(rowStart.begin(), rowStart.end() - 1);
    for (const Link& l : links) {
        neighbours[fill[l.from]++] = {l.to, l.offset};
        neighbours[fill[l.to]++] = {l.from, -l.offset};
    }
    out.front.assign(faceCount, 0);
    out.component.assign(faceCount, UINT32_MAX);
    out.componentCount = 0;
    WorkArray<uint32_t> queue;
    queue.reserve(faceCount);
    for (uint32_t seed = 0; seed < faceCount; ++seed) {
        if (out.component[seed] != UINT32_MAX) {
            continue;
        }
        const uint32_t component = out.componentCount++;
        out.component[seed] = component;
        queue.clear();
        queue.push_back(seed);
        for (size_t head = 0; head < queue.size(); ++head) {
            const uint32_t f = queue[head];
            for (size_t k = rowStart[f]; k < rowStart[f + 1]; ++k) {
                const auto [g, offset] = neighbours[k];
                const int64_t w = out.front[f] + offset;
                if (out.component[g] == UINT32_MAX) {
                    out.component[g] = component;
                    out.front[g] = w;
                    queue.push_back(g);
                } else if (out.front[g] != w) {
                    return WindingStatus::NotArranged;
                }
            }
        }
    }
    return WindingStatus::Ok;
}

}  // namespace meshaudit::arrangement
