#include "repair/arrangement/ConstrainedTriangulation.h"
#include "containers/MixBits.h"
#include "containers/WorkArray.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace meshaudit::arrangement {

ConstrainedTriangulation::ConstrainedTriangulation(const WorkArray<ExactPoint>& points, int i, int j, uint32_t a,
                                                   uint32_t b, uint32_t c)
    : points_(points), i_(i), j_(j)
{
    AddTriangle(a, b, c);
}

void ConstrainedTriangulation::Reset(int i, int j, uint32_t a, uint32_t b, uint32_t c)
{
    i_ = i;
    j_ = j;
    triangles_.clear();
    alive_.clear();
    free_.clear();
    last_ = 0;
    around_.clear();
    crossing_.clear();
    edges_.Clear();
    constraints_.clear();
    AddTriangle(a, b, c);
}

void ConstrainedTriangulation::AddTriangle(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t t = 0;
    if (!free_.empty()) {
        t = free_.back();
        free_.pop_back();
        triangles_[t] = {a, b, c};
        alive_[t] = true;
    } else {
        t = static_cast<uint32_t>(triangles_.size());
        triangles_.push_back({a, b, c});
        alive_.push_back(true);
    }
    edges_.Set(EdgeKey(a, b), t);
    edges_.Set(EdgeKey(b, c), t);
    edges_.Set(EdgeKey(c, a), t);
    last_ = t;
    for (uint32_t v : {a, b, c}) {
        if (v >= around_.size()) {
            around_.resize(v + 1, -1);
        }
        around_[v] = t;
    }
}

void ConstrainedTriangulation::RemoveTriangle(uint32_t t)
{
    const auto& v = triangles_[t];
    edges_.Erase(EdgeKey(v[0], v[1]));
    edges_.Erase(EdgeKey(v[1], v[2]));
    edges_.Erase(EdgeKey(v[2], v[0]));
    alive_[t] = false;
    free_.push_back(t);
}

int64_t ConstrainedTriangulation::TriangleOf(uint32_t a, uint32_t b) const
{
    const uint32_t t = edges_.Find(EdgeKey(a, b));
    return t == edges_.kNone ? -1 : int64_t{t};
}

bool ConstrainedTriangulation::Holds(uint32_t t, uint32_t p, int* side, int& outside) const
{
    const std::array<uint32_t, 3>& v = triangles_[t];
    outside = -1;
    for (int k = 0; k < 3; ++k) {
        side[k] = Orient(v[k], v[(k + 1) % 3], p);
        if (side[k] < 0) {
            outside = k;
            return false;
        }
    }
    return true;
}

int64_t ConstrainedTriangulation::Locate(uint32_t p, int* side, uint32_t start) const
{
    // Walk from the start towards p, across an edge that has p on its far
    // side. In a triangulation that is not Delaunay such a walk can circle;
    // after as many steps as there are triangles the scan of them all takes
    // over.
    int outside = -1;
    uint32_t t = start < alive_.size() && alive_[start] ? start : last_;
    for (size_t steps = 0; steps <= triangles_.size() && alive_[t]; ++steps) {
        if (Holds(t, p, side, outside)) {
            return t;
        }
        const int64_t across = TriangleOf(triangles_[t][(outside + 1) % 3], triangles_[t][outside]);
        if (across < 0) {
            break;
        }
        t = static_cast<uint32_t>(across);
    }
    for (uint32_t u = 0; u < triangles_.size(); ++u) {
        if (alive_[u] && Holds(u, p, side, outside)) {
            return u;
        }
    }
    return -1;
}

bool ConstrainedTriangulation::InsertPoint(uint32_t p, bool flip)
{
    return InsertPointFrom(p, last_, flip);
}

bool ConstrainedTriangulation::InsertPoints(uint32_t first, uint32_t end)
{
    if (end - first < kFlipFrom) {
        for (uint32_t p = first; p < end; ++p) {
            if (!InsertPoint(p)) {
                return false;
            }
        }
        return true;
    }
    double lo[2] = {points_[first].rounded[i_], points_[first].rounded[j_]};
    double hi[2] = {lo[0], lo[1]};
    for (uint32_t p = first; p < end; ++p) {
        lo[0] = std::fmin(lo[0], points_[p].rounded[i_]);
        hi[0] = std::fmax(hi[0], points_[p].rounded[i_]);
        lo[1] = std::fmin(lo[1], points_[p].rounded[j_]);
        hi[1] = std::fmax(hi[1], points_[p].rounded[j_]);
    }
    // About two points a cell. Only where a walk starts depends on the
    // grid, so its rounding is of no account.
    const auto side = static_cast<uint32_t>(std::sqrt(0.5 * (end - first))) + 1;
    cells_.assign(static_cast<size_t>(side) * side, UINT32_MAX);
    const auto cellOf = [&](uint32_t p) {
        size_t at = 0;
        for (int k = 0; k < 2; ++k) {
            const double span = hi[k] - lo[k];
            const double f = span > 0 ? (points_[p].rounded[k == 0 ? i_ : j_] - lo[k]) / span : 0.0;
            const auto x = static_cast<uint32_t>(std::clamp(f * side, 0.0, side - 1.0));
            at = at * side + x;
        }
        return at;
    };
    for (uint32_t p = first; p < end; ++p) {
        uint32_t& cell = cells_[cellOf(p)];
        // A point equal to one before made no triangle: none recorded.
        const int64_t start = cell < around_.size() ? around_[cell] : -1;
        if (!InsertPointFrom(p, start >= 0 ? static_cast<uint32_t>(start) : last_, true)) {
            return false;
        }
        cell = p;
    }
    return true;
}

bool ConstrainedTriangulation::InsertPointFrom(uint32_t p, uint32_t start, bool flip)
{
    int side[3] = {0, 0, 0};
    const int64_t found = Locate(p, side, start);
    if (found < 0) {
        return false;
    }
    auto t = static_cast<uint32_t>(found);
    std::array<uint32_t, 3> v = triangles_[t];
    const int zeros = (side[0] == 0) + (side[1] == 0) + (side[2] == 0);
    if (zeros >= 2) {
        return true;  // p is a vertex already
    }
    WorkArray<uint32_t>& made = legalize_;
    made.clear();
    const auto add = [&](uint32_t x, uint32_t y, uint32_t z) {
        AddTriangle(x, y, z);
        if (flip) {
            made.push_back(last_);
        }
    };
    if (zeros == 0) {
        RemoveTriangle(t);
        add(v[0], v[1], p);
        add(v[1], v[2], p);
        add(v[2], v[0], p);
        if (flip) {
            LegalizeAround(p);
        }
        return true;
    }
    // On edge a b of t = (a, b, c), and of the triangle (b, a, d) across.
    int k = 0;
    while (side[k] != 0) {
        ++k;
    }
    int64_t across = TriangleOf(v[(k + 1) % 3], v[k]);
    if (across >= 0 && static_cast<uint32_t>(across) < t) {
        // The walk may reach either triangle of the edge: split from the
        // one in the lower slot, so that the same triangles take the same
        // slots from any start.
        const uint32_t a = v[k];
        const auto other = static_cast<uint32_t>(across);
        across = t;
        t = other;
        v = triangles_[t];
        // There the edge runs from b to a: k is the corner before a.
        k = v[1] == a ? 0 : (v[2] == a ? 1 : 2);
    }
    const uint32_t a = v[k];
    const uint32_t b = v[(k + 1) % 3];
    const uint32_t c = v[(k + 2) % 3];
    RemoveTriangle(t);
    add(a, p, c);
    add(p, b, c);
    if (across >= 0) {
        const std::array<uint32_t, 3> w = triangles_[static_cast<uint32_t>(across)];
        const uint32_t d = w[0] != a && w[0] != b ? w[0] : (w[1] != a && w[1] != b ? w[1] : w[2]);
        RemoveTriangle(static_cast<uint32_t>(across));
        add(b, p, d);
        add(p, a, d);
    }
    if (flip) {
        LegalizeAround(p);
    }
    return true;
}

void ConstrainedTriangulation::LegalizeAround(uint32_t p)
{
    // Each flip joins p to a far corner, and only edges opposite p are
    // tested: p's degree grows with every flip, so the flips end however
    // the rounded circle test answers.
    std::array<uint32_t, 3> unused{};
    if (!constraints_.empty()) {
        legalize_.clear();  // points after segments: left as split
    }
    while (!legalize_.empty()) {
        const uint32_t t = legalize_.back();
        legalize_.pop_back();
        const std::array<uint32_t, 3>& v = triangles_[t];
        if (!alive_[t] || (v[0] != p && v[1] != p && v[2] != p)) {
            continue;
        }
        const int k = v[0] == p ? 1 : (v[1] == p ? 2 : 0);
        const int64_t across = FlipIfInCircle(t, k, unused);
        if (across >= 0) {
            legalize_.push_back(t);
            legalize_.push_back(static_cast<uint32_t>(across));
        }
    }
}

bool ConstrainedTriangulation::Crosses(uint32_t a, uint32_t b, uint32_t c, uint32_t d) const
{
    if (c == a || c == b || d == a || d == b) {
        return false;
    }
    return Orient(a, b, c) * Orient(a, b, d) < 0 && Orient(c, d, a) * Orient(c, d, b) < 0;
}

bool ConstrainedTriangulation::CrossingEdges(uint32_t a, uint32_t b,
                                             WorkArray<std::pair<uint32_t, uint32_t>>& crossing) const
{
    // Turn around a, from a triangle of a's, to the one whose far edge the
    // segment leaves through: a, c, d counterclockwise with b strictly
    // between the directions to c and to d.
    const int64_t start = a < around_.size() ? around_[a] : -1;
    if (start < 0 || !alive_[static_cast<uint32_t>(start)]) {
        return false;
    }
    auto rotated = [this](uint32_t t, uint32_t first, uint32_t& c, uint32_t& d) {
        const auto& v = triangles_[t];
        const int k = v[0] == first ? 0 : (v[1] == first ? 1 : 2);
        c = v[(k + 1) % 3];
        d = v[(k + 2) % 3];
        return v[k] == first;
    };
    auto t = static_cast<uint32_t>(start);
    uint32_t c = 0;
    uint32_t d = 0;
    bool found = false;
    for (size_t steps = 0; steps <= triangles_.size(); ++steps) {
        if (!rotated(t, a, c, d)) {
            return false;
        }
        if (Orient(a, c, b) > 0 && Orient(a, d, b) < 0) {
            found = true;
            break;
        }
        const int64_t next = TriangleOf(a, d);  // the next one counterclockwise
        if (next < 0) {
            return false;
        }
        t = static_cast<uint32_t>(next);
    }
    if (!found) {
        return false;
    }
    // Then across each crossed edge c d, to the triangle beyond, until b.
    for (size_t steps = 0; steps <= triangles_.size(); ++steps) {
        crossing.push_back({c, d});
        const int64_t beyond = TriangleOf(d, c);
        if (beyond < 0) {
            return false;
        }
        uint32_t e = 0;
        uint32_t unused = 0;
        rotated(static_cast<uint32_t>(beyond), d, unused, e);
        if (e == b) {
            return true;
        }
        const int side = Orient(a, b, e);
        if (side == 0) {
            return false;  // a point on the segment: the precondition broken
        }
        // c is right of a->b, d left of it, and c d an edge of the
        // triangle just entered.
        if (side > 0) {
            d = e;
        } else {
            c = e;
        }
    }
    return false;
}

bool ConstrainedTriangulation::InsertSegment(uint32_t a, uint32_t b)
{
    if (a == b) {
        return true;
    }
    constraints_.push_back(EdgeKey(std::min(a, b), std::max(a, b)));
    if (TriangleOf(a, b) >= 0 || TriangleOf(b, a) >= 0) {
        return true;
    }
    // First in, first out: `crossing` from `head` on.
    WorkArray<std::pair<uint32_t, uint32_t>>& crossing = crossing_;
    crossing.clear();
    size_t head = 0;
    if (!CrossingEdges(a, b, crossing)) {
        crossing.clear();
        for (uint32_t t = 0; t < triangles_.size(); ++t) {
            if (!alive_[t]) {
                continue;
            }
            for (int k = 0; k < 3; ++k) {
                const uint32_t c = triangles_[t][k];
                const uint32_t d = triangles_[t][(k + 1) % 3];
                // Each undirected edge once: from the side with c < d, or
                // from its only triangle.
                if ((c < d || TriangleOf(d, c) < 0) && Crosses(a, b, c, d)) {
                    crossing.push_back({c, d});
                }
            }
        }
    }
    // Sloan bounds the flips by the square of the crossing edges; far more
    // means the preconditions were broken.
    const size_t limit = 16 * (crossing.size() + 1) * (crossing.size() + 1) + 1024;
    size_t steps = 0;
    while (head < crossing.size()) {
        if (++steps > limit) {
            return false;
        }
        const auto [c, d] = crossing[head++];
        if (head > 1024 && 2 * head > crossing.size()) {
            // Edges put back again and again: what was taken goes.
            crossing.erase(crossing.begin(), crossing.begin() + static_cast<std::ptrdiff_t>(head));
            head = 0;
        }
        const int64_t t1 = TriangleOf(c, d);
        const int64_t t2 = TriangleOf(d, c);
        if (t1 < 0 || t2 < 0) {
            return false;  // a crossing edge on the outer boundary
        }
        const auto& v1 = triangles_[static_cast<uint32_t>(t1)];
        const auto& v2 = triangles_[static_cast<uint32_t>(t2)];
        const uint32_t x = v1[0] != c && v1[0] != d ? v1[0] : (v1[1] != c && v1[1] != d ? v1[1] : v1[2]);
        const uint32_t y = v2[0] != c && v2[0] != d ? v2[0] : (v2[1] != c && v2[1] != d ? v2[1] : v2[2]);
        if (Orient(x, y, c) * Orient(x, y, d) >= 0) {
            crossing.push_back({c, d});  // not strictly convex: later
            continue;
        }
        // (c, d, x) and (d, c, y) counterclockwise: the quadrilateral is
        // c, y, d, x, split along x y instead.
        RemoveTriangle(static_cast<uint32_t>(t1));
        RemoveTriangle(static_cast<uint32_t>(t2));
        AddTriangle(c, y, x);
        AddTriangle(y, d, x);
        if (Crosses(a, b, x, y)) {
            crossing.push_back({x, y});
        }
    }
    return true;
}

bool ConstrainedTriangulation::IsConstraint(uint32_t c, uint32_t d) const
{
    return std::binary_search(constraints_.begin(), constraints_.end(), EdgeKey(std::min(c, d), std::max(c, d)));
}

int64_t ConstrainedTriangulation::FlipIfInCircle(uint32_t t, int k, std::array<uint32_t, 3>& wasAcross)
{
    const uint32_t c = triangles_[t][k];
    const uint32_t d = triangles_[t][(k + 1) % 3];
    const uint32_t x = triangles_[t][(k + 2) % 3];
    const int64_t across = TriangleOf(d, c);
    if (across < 0) {
        return -1;
    }
    const auto& w = triangles_[static_cast<uint32_t>(across)];
    const uint32_t y = w[0] != c && w[0] != d ? w[0] : (w[1] != c && w[1] != d ? w[1] : w[2]);
    auto at = [this](uint32_t p, double& px, double& py) {
        px = points_[p].rounded[i_];
        py = points_[p].rounded[j_];
    };
    // y inside the circle through c, d, x (counterclockwise)?
    double cx = 0.0, cy = 0.0, dx = 0.0, dy = 0.0, xx = 0.0, xy = 0.0, yx = 0.0, yy = 0.0;
    at(c, cx, cy);
    at(d, dx, dy);
    at(x, xx, xy);
    at(y, yx, yy);
    const double ax = cx - yx, ay = cy - yy, bx = dx - yx, by = dy - yy, ex = xx - yx, ey = xy - yy;
    const double det = (ax * ax + ay * ay) * (bx * ey - ex * by) - (bx * bx + by * by) * (ax * ey - ex * ay) +
                       (ex * ex + ey * ey) * (ax * by - bx * ay);
    // Most edges pass the circle test: it goes first, before the search of
    // the constraints and the exact orientations.
    if (!(det > 0.0) || IsConstraint(c, d) || Orient(x, y, c) * Orient(x, y, d) >= 0) {
        return -1;
    }
    wasAcross = w;
    RemoveTriangle(t);
    RemoveTriangle(static_cast<uint32_t>(across));
    AddTriangle(c, y, x);  // into slot `across`, the last one freed
    AddTriangle(y, d, x);  // into slot t
    return across;
}

void ConstrainedTriangulation::ImproveShapesByPasses(size_t maxFlips)
{
    std::sort(constraints_.begin(), constraints_.end());
    size_t flips = 0;
    bool changed = true;
    std::array<uint32_t, 3> unused{};
    while (changed && flips < maxFlips) {
        changed = false;
        for (uint32_t t = 0; t < triangles_.size() && flips < maxFlips; ++t) {
            for (int k = 0; k < 3 && alive_[t]; ++k) {
                if (FlipIfInCircle(t, k, unused) >= 0) {
                    ++flips;
                    changed = true;
                }
            }
        }
    }
}

void ConstrainedTriangulation::ImproveShapes(size_t maxFlips)
{
    std::sort(constraints_.begin(), constraints_.end());
    // Edge k of slot t is entry 3 t + k. Entries still to be looked at in
    // the current pass are those of `run` from `next` on (in ascending
    // order: what the pass started with) and those in `ahead` (a heap,
    // smallest on top: marked during the pass beyond its cursor); those the
    // current pass has already passed are in `behind`. Every other entry
    // would not flip now, so a pass skips it. Most entries are looked at
    // once and never flip, so a pass walks its sorted start in order, and
    // only the few marked anew pay for the heap. The passes stop where
    // theirs would: when a pass flips nothing, or at the first slot they
    // start once `maxFlips` flips were made (the slot under way finishes its
    // three edges).
    //
    // When the rounded circle test flips some four back and forth, the
    // passes run into a cycle: the slots and the queued entries at the
    // start of a pass come back as they were some passes before, and
    // repeat from there until the bound. Such a return is found by a hash
    // of both, kept up to date with each flip, against the state saved at
    // the passes 1, 2, 4, 8, ... (Brent's way; a hash that matches is
    // confirmed by comparing the states whole), and then all but the last
    // full cycles before the bound are skipped: the flips counted, the
    // state already where they would leave it.
    const auto entries = static_cast<uint32_t>(3 * triangles_.size());
    WorkArray<uint8_t> queued(entries, 0);
    WorkArray<uint32_t> run;
    size_t next = 0;
    WorkArray<uint32_t> ahead;
    WorkArray<uint32_t> behind;
    for (uint32_t e = 0; e < entries; ++e) {
        if (alive_[e / 3]) {
            run.push_back(e);
            queued[e] = 1;
        }
    }
    const auto later = std::greater<uint32_t>();
    auto slotHash = [this](uint32_t t) {
        return MixBits(MixBits(t) ^ (static_cast<uint64_t>(triangles_[t][0]) << 32 | triangles_[t][1]) ^
                   (static_cast<uint64_t>(triangles_[t][2]) << 16));
    };
    auto entryHash = [](uint32_t e) { return MixBits(~static_cast<uint64_t>(e)); };
    uint64_t slotsHash = 0;
    uint64_t queueHash = 0;
    for (uint32_t t = 0; t < triangles_.size(); ++t) {
        slotsHash += alive_[t] ? slotHash(t) : 0;
    }
    for (const uint32_t e : run) {
        queueHash += entryHash(e);
    }
    struct Saved {
        uint64_t hash = 0;
        size_t flips = 0;
        WorkArray<std::array<uint32_t, 3>> slots;
        WorkArray<uint32_t> queue;  // ascending
    } saved;
    bool watching = true;
    size_t passes = 0;
    size_t nextSave = 1;
    uint32_t cursor = 0;
    auto mark = [&](int64_t slot) {
        if (slot < 0) {
            return;
        }
        for (uint32_t e = 3 * static_cast<uint32_t>(slot); e < 3 * static_cast<uint32_t>(slot) + 3; ++e) {
            if (queued[e] == 0) {
                queued[e] = 1;
                queueHash += entryHash(e);
                if (e > cursor) {
                    ahead.push_back(e);
                    std::push_heap(ahead.begin(), ahead.end(), later);
                } else {
                    behind.push_back(e);
                }
            }
        }
    };
    size_t flips = 0;
    bool passStart = true;
    for (;;) {
        if (next == run.size() && ahead.empty()) {
            // A pass ends; the next one is needed only after a flip, which
            // always leaves entries behind.
            if (behind.empty()) {
                break;
            }
            std::swap(run, behind);
            behind.clear();
            std::sort(run.begin(), run.end());
            next = 0;
            passStart = true;
            ++passes;
            const uint64_t hash = slotsHash ^ MixBits(queueHash);
            if (watching && hash == saved.hash) {
                if (run == saved.queue && triangles_ == saved.slots && flips < maxFlips) {
                    // Each cycle makes `period` flips and none ends at the
                    // bound while a full one more still fits below it.
                    const size_t period = flips - saved.flips;
                    const size_t cycles = (maxFlips - flips - 1) / period;
                    flips += cycles > 1 ? (cycles - 1) * period : 0;
                    watching = false;
                }
            }
            if (watching && passes == nextSave) {
                saved.hash = hash;
                saved.flips = flips;
                saved.slots = triangles_;
                saved.queue = run;
                nextSave *= 2;
            }
            continue;
        }
        const bool fromRun = next < run.size() && (ahead.empty() || run[next] < ahead.front());
        const uint32_t e = fromRun ? run[next] : ahead.front();
        if (flips >= maxFlips && (passStart || e / 3 != cursor / 3)) {
            break;
        }
        if (fromRun) {
            ++next;
        } else {
            std::pop_heap(ahead.begin(), ahead.end(), later);
            ahead.pop_back();
        }
        queued[e] = 0;
        queueHash -= entryHash(e);
        cursor = e;
        passStart = false;
        const uint32_t t = e / 3;
        const uint32_t c = triangles_[t][e % 3];
        const uint32_t d = triangles_[t][(e % 3 + 1) % 3];
        const uint64_t wasT = slotHash(t);
        std::array<uint32_t, 3> wasAcross{};
        const int64_t across = FlipIfInCircle(t, static_cast<int>(e % 3), wasAcross);
        if (across < 0) {
            continue;
        }
        ++flips;
        const std::array<uint32_t, 3> isAcross = triangles_[static_cast<uint32_t>(across)];
        triangles_[static_cast<uint32_t>(across)] = wasAcross;
        slotsHash += slotHash(t) - wasT - slotHash(static_cast<uint32_t>(across));
        triangles_[static_cast<uint32_t>(across)] = isAcross;
        slotsHash += slotHash(static_cast<uint32_t>(across));
        // The new triangles are c y x in `across` and y d x in t; their
        // outer edges c y, x c, y d, d x have new triangles across.
        const uint32_t x = triangles_[t][2];
        const uint32_t y = triangles_[t][0];
        mark(t);
        mark(across);
        mark(TriangleOf(y, c));
        mark(TriangleOf(c, x));
        mark(TriangleOf(d, y));
        mark(TriangleOf(x, d));
    }
}

WorkArray<std::array<uint32_t, 3>> ConstrainedTriangulation::Triangles() const
{
    WorkArray<std::array<uint32_t, 3>> result;
    Triangles(result);
    return result;
}

void ConstrainedTriangulation::Triangles(WorkArray<std::array<uint32_t, 3>>& out) const
{
    out.clear();
    for (uint32_t t = 0; t < triangles_.size(); ++t) {
        if (alive_[t]) {
            out.push_back(triangles_[t]);
        }
    }
}

}  // namespace meshaudit::arrangement
