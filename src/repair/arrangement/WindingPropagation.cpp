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

// Faces joined by the links seen so far, with their windings relative to
// one another: a union-find whose every entry holds its winding relative
// to its parent (union by size, paths halved). One link at a time, as the
// radial sorts make them, with no list of links or of neighbours kept:
// those took half a GB on 3.4M faces, and the first writes of their pages
// were nearly half of the propagation's time.
class Linked {
public:
    explicit Linked(uint32_t count) : parent_(count), size_(count, 1), up_(count, 0)
    {
        for (uint32_t f = 0; f < count; ++f) {
            parent_[f] = f;
        }
    }

    // Requires front[to] = front[from] + offset: false when the faces
    // already linked say otherwise.
    bool Link(uint32_t from, uint32_t to, int64_t offset)
    {
        int64_t wFrom = 0;
        int64_t wTo = 0;
        const uint32_t rFrom = Root(from, wFrom);
        const uint32_t rTo = Root(to, wTo);
        if (rFrom == rTo) {
            return wTo == wFrom + offset;
        }
        // front[rTo] - front[rFrom] = (front[to] - wTo) - (front[from] - wFrom).
        const int64_t rise = wFrom + offset - wTo;
        if (size_[rFrom] < size_[rTo]) {
            parent_[rFrom] = rTo;
            up_[rFrom] = -rise;
            size_[rTo] += size_[rFrom];
        } else {
            parent_[rTo] = rFrom;
            up_[rTo] = rise;
            size_[rFrom] += size_[rTo];
        }
        return true;
    }

    // The root of f's set; `rise` = front[f] - front[root].
    uint32_t Root(uint32_t f, int64_t& rise)
    {
        rise = 0;
        while (parent_[f] != f) {
            const uint32_t p = parent_[f];
            if (parent_[p] != p) {
                // Halve the path: f now hangs from its grandparent.
                up_[f] += up_[p];
                parent_[f] = parent_[p];
            }
            rise += up_[f];
            f = parent_[f];
        }
        return f;
    }

private:
    WorkArray<uint32_t> parent_;
    WorkArray<uint32_t> size_;
    WorkArray<int64_t> up_;
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
    Linked linked(faceCount);
    WorkArray<RadialFace> around;
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
            if (!linked.Link(a.face, b.face, leaving - arriving)) {
                return WindingStatus::NotArranged;
            }
        }
    }

    // Components in the order of their first face, each face's winding
    // relative to that face.
    out.front.assign(faceCount, 0);
    out.component.assign(faceCount, UINT32_MAX);
    out.componentCount = 0;
    WorkArray<uint32_t> componentOf(faceCount, UINT32_MAX);  // by root
    WorkArray<int64_t> firstRise(faceCount, 0);               // by root
    for (uint32_t f = 0; f < faceCount; ++f) {
        int64_t rise = 0;
        const uint32_t root = linked.Root(f, rise);
        if (componentOf[root] == UINT32_MAX) {
            componentOf[root] = out.componentCount++;
            firstRise[root] = rise;
        }
        out.component[f] = componentOf[root];
        out.front[f] = rise - firstRise[root];
    }
    return WindingStatus::Ok;
}

}  // namespace meshaudit::arrangement
