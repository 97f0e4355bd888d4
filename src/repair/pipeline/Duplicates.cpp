// Step 4: triangles on the same three points. Copies that all run one way
// are as a rule one triangle said twice: the first stays. But two closed
// shells can share a face (a box standing in a taller one on the same
// floor, coaxial cylinders on one base), and then each copy closes its own
// shell: dropping one would open it and lose the union. The sides tell
// them apart: round a closed surface every side is run as often one way as
// the other, so as many copies stay as the triangles without copies run the
// copies' sides the other way (the fewest over the sides they have; one
// when they have none, as for a whole shell said twice), and only copies
// of different input triangles (a triangle listed twice is said twice).
// Copies running both ways are a two-sided sheet, a surface with no inside,
// and all of them go (in a closed mesh that leaves a hole that step 8 fills
// with one triangle).
#include "containers/FlatMap.h"
#include "containers/SortFew.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>
#include <array>

namespace meshaudit::pipeline {

namespace {

struct Key {
    uint32_t a, b, c;  // ascending
    uint32_t t;        // the triangle, its top bit its orientation
};

}  // namespace

void RemoveDuplicates(WorkMesh& mesh, bool shared)
{
    const auto count = static_cast<uint32_t>(mesh.triangles.size());
    // Keys bucketed by their smallest point with one counting sort, then
    // each bucket sorted by its other two points and the triangle: the
    // order of one sort of all keys, at a fraction of its cost, since a
    // point is the smallest of few triangles, and a point that is the
    // smallest of many (a fan) costs n log n as that sort would.
    WorkArray<uint32_t> start(size_t{mesh.PointCount()} + 1, 0);
    WorkArray<Key> unsorted(count);
    for (uint32_t t = 0; t < count; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        uint32_t v[3] = {tri.a, tri.b, tri.c};
        // Rotated so the smallest comes first; then the orientation is
        // whether the other two ascend. A triangle that repeats a point is
        // its own reverse and has none.
        const uint32_t low = v[0] < v[1] ? (v[0] < v[2] ? 0u : 2u) : (v[1] < v[2] ? 1u : 2u);
        const uint32_t second = v[(low + 1) % 3], third = v[(low + 2) % 3];
        const bool ascending = second < third || RepeatsPoint(tri);
        unsorted[t] = Key{v[low], std::min(second, third), std::max(second, third), t | (ascending ? 0u : 0x80000000u)};
        ++start[v[low] + 1];
    }
    for (size_t p = 1; p < start.size(); ++p) {
        start[p] += start[p - 1];
    }
    WorkArray<Key> keys(count);
    {
        WorkArray<uint32_t> next(start.begin(), start.end() - 1);
        for (const Key& key : unsorted) {
            keys[next[key.a]++] = key;
        }
    }
    for (size_t p = 0; p + 1 < start.size(); ++p) {
        SortFew(keys.data() + start[p], keys.data() + start[p + 1], 16, [](const Key& x, const Key& y) {
            if (x.b != y.b) {
                return x.b < y.b;
            }
            return x.c != y.c ? x.c < y.c : (x.t & 0x7FFFFFFFu) < (y.t & 0x7FFFFFFFu);
        });
    }
    WorkArray<uint8_t> reasons;
    bool dropping = false;
    WorkArray<std::array<uint32_t, 2>> oneWay;  // [first key, end) of each set of copies run one way
    WorkArray<uint8_t> copied;                   // per triangle: 1 when it has a copy
    for (size_t i = 0; i < keys.size();) {
        size_t end = i + 1;
        bool twoSided = false;
        while (end < keys.size() && keys[end].a == keys[i].a && keys[end].b == keys[i].b && keys[end].c == keys[i].c) {
            twoSided |= (keys[end].t >> 31) != (keys[i].t >> 31);
            ++end;
        }
        if (end - i > 1) {
            if (reasons.empty()) {
                reasons.assign(count, WorkMesh::kKeep);
                copied.assign(count, 0);
            }
            for (size_t k = i; k < end; ++k) {
                copied[keys[k].t & 0x7FFFFFFFu] = 1;
            }
            if (twoSided) {
                dropping = true;
                for (size_t k = i; k < end; ++k) {
                    reasons[keys[k].t & 0x7FFFFFFFu] = static_cast<uint8_t>(DropReason::TwoSided);
                }
            } else {
                oneWay.push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(end)});
            }
        }
        i = end;
    }
    if (!oneWay.empty()) {
        // With `shared`: how often the triangles that have no copy run each
        // side of the copies' triangles from its lower point to its higher,
        // less the other way, and how many of them have it: a side they do
        // not have lies between copies, and tells nothing. Without, one
        // copy of each stays.
        const auto sideKey = [](uint32_t u, uint32_t v) {
            return u < v ? (uint64_t{u} << 32 | v) : (uint64_t{v} << 32 | u);
        };
        FlatMap<uint64_t, IdHash> sideOf;
        for (size_t s = 0; shared && s < oneWay.size(); ++s) {
            const TRIANGLE& t = mesh.triangles[keys[oneWay[s][0]].t & 0x7FFFFFFFu];
            for (const auto& [u, v] : {std::array{t.a, t.b}, std::array{t.b, t.c}, std::array{t.c, t.a}}) {
                sideOf.Emplace(sideKey(u, v), static_cast<uint32_t>(sideOf.Size()));
            }
        }
        WorkArray<int64_t> runs(sideOf.Size(), 0), had(sideOf.Size(), 0);
        for (uint32_t k = 0; shared && k < count; ++k) {
            const TRIANGLE& t = mesh.triangles[k];
            for (const auto& [u, v] : {std::array{t.a, t.b}, std::array{t.b, t.c}, std::array{t.c, t.a}}) {
                const uint32_t side = sideOf.Find(sideKey(u, v));
                if (side != sideOf.kNone && !copied[k]) {
                    runs[side] += u < v ? 1 : -1;
                    ++had[side];
                }
            }
        }
        WorkArray<std::array<uint32_t, 4>> byName;  // a copy's named points, sorted, and its key
        WorkArray<uint32_t> firsts;                 // the keys of the copies that stay
        for (const auto& [first, end] : oneWay) {
            const TRIANGLE& t = mesh.triangles[keys[first].t & 0x7FFFFFFFu];
            const int64_t copies = end - first;
            // The fewest times a side is run against the copies by the rest:
            // in closed shells, once for each shell a copy closes.
            int64_t keep = 0;
            for (const auto& [u, v] : {std::array{t.a, t.b}, std::array{t.b, t.c}, std::array{t.c, t.a}}) {
                if (!shared) {
                    break;
                }
                const uint32_t side = sideOf.Find(sideKey(u, v));
                const int64_t against = -(u < v ? 1 : -1) * runs[side];
                keep = had[side] == 0 ? keep : keep == 0 ? against : std::min(keep, against);
            }
            keep = RepeatsPoint(t) ? 1 : std::clamp<int64_t>(keep, 1, copies);
            // Only copies of different triangles of the input (by the points
            // they named before the merges) close different shells: the
            // first of each stays, up to `keep`.
            byName.clear();
            for (uint32_t c = first; keep > 1 && c < end; ++c) {
                const TRIANGLE& n = mesh.named[keys[c].t & 0x7FFFFFFFu];
                std::array<uint32_t, 4> key{n.a, n.b, n.c, c};
                std::sort(key.begin(), key.begin() + 3);
                byName.push_back(key);
            }
            std::sort(byName.begin(), byName.end());
            firsts.clear();
            for (size_t k = 0; k < byName.size(); ++k) {
                if (k == 0 || !std::equal(byName[k].begin(), byName[k].begin() + 3, byName[k - 1].begin())) {
                    firsts.push_back(byName[k][3]);
                }
            }
            std::sort(firsts.begin(), firsts.end());
            if (firsts.empty()) {
                firsts.push_back(first);
            }
            firsts.resize(std::min<size_t>(firsts.size(), static_cast<size_t>(keep)));
            for (uint32_t c = first, f = 0; c < end; ++c) {
                if (f < firsts.size() && firsts[f] == c) {
                    ++f;
                } else {
                    reasons[keys[c].t & 0x7FFFFFFFu] = static_cast<uint8_t>(DropReason::Duplicate);
                    dropping = true;
                }
            }
        }
    }
    if (dropping) {
        mesh.DropTriangles(reasons);
    }
}

}  // namespace meshaudit::pipeline
