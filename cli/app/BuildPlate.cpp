#include "BuildPlate.h"

#include "BoxTree.h"
#include "geometry/PerturbedRay.h"
#include "geometry/Predicates.h"
#include "geometry/TriangleIntersection.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_set>

namespace meshaudit::cli {

namespace {

bool Finite(const T3DVECF& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

Box BoxOf(const T3DVECF& a, const T3DVECF& b, const T3DVECF& c)
{
    return Box{{std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::min({a.z, b.z, c.z})},
               {std::max({a.x, b.x, c.x}), std::max({a.y, b.y, c.y}), std::max({a.z, b.z, c.z})}};
}

// All items as one mesh, each keeping its own points, so that no two items
// share a point index; only triangles with finite corners.
struct Plate {
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
    std::vector<uint32_t> item;   // per triangle: its item
    std::vector<uint32_t> local;  // per triangle: its number in its item's mesh
    // Item i's triangles are first[i] .. first[i + 1].
    std::vector<uint32_t> first;
};

Plate Join(std::span<const BuildItem> items, PlateOverlaps& out)
{
    const auto tooMany = [] {
        return std::length_error("the items hold more points or triangles than 32-bit indices can number");
    };
    Plate plate;
    plate.first.push_back(0);
    for (uint32_t i = 0; i < items.size(); ++i) {
        const MeshData& mesh = items[i].mesh;
        const uint64_t base = plate.points.size();
        if (base + mesh.points.size() > UINT32_MAX || mesh.triangles.size() > UINT32_MAX) {
            throw tooMany();
        }
        plate.points.insert(plate.points.end(), mesh.points.begin(), mesh.points.end());
        for (uint32_t t = 0; t < mesh.triangles.size(); ++t) {
            const TRIANGLE& tri = mesh.triangles[t];
            if (std::max({tri.a, tri.b, tri.c}) >= mesh.points.size()) {
                throw std::invalid_argument("item " + std::to_string(i) + ": triangle " + std::to_string(t) +
                                            " names a point beyond the item's " +
                                            std::to_string(mesh.points.size()) + " points");
            }
            if (!Finite(mesh.points[tri.a]) || !Finite(mesh.points[tri.b]) || !Finite(mesh.points[tri.c])) {
                ++out.skippedTriangles;
                continue;
            }
            if (plate.triangles.size() >= UINT32_MAX) {
                throw tooMany();
            }
            const auto b = static_cast<uint32_t>(base);
            plate.triangles.push_back(TRIANGLE{tri.a + b, tri.b + b, tri.c + b});
            plate.item.push_back(i);
            plate.local.push_back(t);
        }
        plate.first.push_back(static_cast<uint32_t>(plate.triangles.size()));
    }
    return plate;
}

uint64_t Key(uint32_t a, uint32_t b)
{
    return uint64_t{std::min(a, b)} << 32 | std::max(a, b);
}

constexpr uint32_t kNone = 0xFFFFFFFFu;

// The triangles' boxes, and a tree of each item's triangles, built the
// first time it is asked (its entries number the item's triangles from
// Plate::first on).
class PlateTrees {
public:
    explicit PlateTrees(const Plate& plate) : plate_(plate), trees_(plate.first.size() - 1)
    {
        boxes_.reserve(plate.triangles.size());
        for (const TRIANGLE& t : plate.triangles) {
            boxes_.push_back(BoxOf(plate.points[t.a], plate.points[t.b], plate.points[t.c]));
        }
    }

    const Box& TriangleBox(uint32_t t) const { return boxes_[t]; }

    // The box of item i's triangles, nullopt for an item without any.
    std::optional<Box> ItemBox(uint32_t i) const
    {
        if (plate_.first[i] == plate_.first[i + 1]) {
            return std::nullopt;
        }
        Box box = boxes_[plate_.first[i]];
        for (uint32_t t = plate_.first[i] + 1; t < plate_.first[i + 1]; ++t) {
            Grow(box, boxes_[t]);
        }
        return box;
    }

    const BoxTree& Of(uint32_t i)
    {
        if (!trees_[i]) {
            trees_[i] = std::make_unique<BoxTree>(
                std::vector<Box>(boxes_.begin() + plate_.first[i], boxes_.begin() + plate_.first[i + 1]));
        }
        return *trees_[i];
    }

    static void Grow(Box& box, const Box& more)
    {
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = std::min(box.lo[k], more.lo[k]);
            box.hi[k] = std::max(box.hi[k], more.hi[k]);
        }
    }

private:
    const Plate& plate_;
    std::vector<Box> boxes_;
    std::vector<std::unique_ptr<BoxTree>> trees_;
};

bool RepeatsAnIndex(const TRIANGLE& t)
{
    return t.a == t.b || t.b == t.c || t.c == t.a;
}

// Pairs of items with triangles that meet, each with the first such pair of
// triangles its search finds. Only items whose boxes meet are searched, and
// each such pair walks the two items' trees together until two triangles
// meet, so that items stacked on one another cost one pair of triangles
// each, not every pair that meets.
std::vector<ItemOverlap> MeetingItems(const Plate& plate, PlateTrees& trees)
{
    const uint32_t count = static_cast<uint32_t>(plate.first.size() - 1);
    std::vector<Box> boxes;
    std::vector<uint32_t> items;  // the items with triangles, by entry
    for (uint32_t i = 0; i < count; ++i) {
        if (const std::optional<Box> box = trees.ItemBox(i)) {
            boxes.push_back(*box);
            items.push_back(i);
        }
    }
    const BoxTree around(boxes);
    std::vector<ItemOverlap> meet;
    for (uint32_t e = 0; e < items.size(); ++e) {
        const uint32_t a = items[e];
        std::vector<uint32_t> near;
        around.Walk([&](const Box& box) { return BoxTree::Meet(box, boxes[e]); },
                    [&](uint32_t f) {
                        if (items[f] > a) {
                            near.push_back(items[f]);
                        }
                    });
        std::sort(near.begin(), near.end());
        for (const uint32_t b : near) {
            const uint32_t baseA = plate.first[a], baseB = plate.first[b];
            trees.Of(a).WalkPairs(trees.Of(b), [&](uint32_t x, uint32_t y) {
                const TRIANGLE& s = plate.triangles[baseA + x];
                const TRIANGLE& t = plate.triangles[baseB + y];
                if (RepeatsAnIndex(s) || RepeatsAnIndex(t)) {
                    return false;
                }
                const T3DVECF one[3] = {plate.points[s.a], plate.points[s.b], plate.points[s.c]};
                const T3DVECF two[3] = {plate.points[t.a], plate.points[t.b], plate.points[t.c]};
                if (TriTriIntersect(one, two) != '1') {
                    return false;
                }
                meet.push_back(ItemOverlap{a, b, ItemOverlap::Kind::Meet, plate.local[baseA + x], plate.local[baseB + y]});
                return true;
            });
        }
    }
    return meet;
}

// Triangles joined through shared edges (unordered pairs of distinct point
// indices), as meshaudit::solids() joins them; a shell is open when one of
// its edges has a single triangle side on it. Items share no point, so no
// shell spans two items.
struct Shells {
    uint32_t count = 0;
    std::vector<uint32_t> of;   // per triangle: its shell, numbered in order of first triangles
    std::vector<uint8_t> open;  // per shell
};

Shells FindShells(const Plate& plate)
{
    const size_t n = plate.triangles.size();
    std::vector<std::pair<uint64_t, uint32_t>> sides;  // (edge, triangle)
    sides.reserve(3 * n);
    for (uint32_t t = 0; t < n; ++t) {
        const TRIANGLE& tri = plate.triangles[t];
        for (const auto& [a, b] : {std::pair{tri.a, tri.b}, {tri.b, tri.c}, {tri.c, tri.a}}) {
            if (a != b) {
                sides.emplace_back(Key(a, b), t);
            }
        }
    }
    std::sort(sides.begin(), sides.end());
    // Union by the smaller root, with path halving: a set's root is its
    // first triangle.
    std::vector<uint32_t> up(n);
    for (uint32_t t = 0; t < n; ++t) {
        up[t] = t;
    }
    const auto root = [&up](uint32_t t) {
        while (up[t] != t) {
            t = up[t] = up[up[t]];
        }
        return t;
    };
    std::vector<uint32_t> border;  // triangles with a side alone on its edge
    for (size_t i = 0, j = 0; i < sides.size(); i = j) {
        for (j = i + 1; j < sides.size() && sides[j].first == sides[i].first; ++j) {
            const uint32_t a = root(sides[i].second), b = root(sides[j].second);
            up[std::max(a, b)] = std::min(a, b);
        }
        if (j == i + 1) {
            border.push_back(sides[i].second);
        }
    }
    Shells shells;
    shells.of.resize(n);
    for (uint32_t t = 0; t < n; ++t) {
        const uint32_t r = root(t);
        shells.of[t] = r == t ? shells.count++ : shells.of[r];
    }
    shells.open.assign(shells.count, 0);
    for (const uint32_t t : border) {
        shells.open[shells.of[t]] = 1;
    }
    return shells;
}

// Pairs of items where a shell of one lies inside a closed shell of the
// other, among items that do not meet (`known` holds the pairs already
// found, and takes those found here).
void FindContained(const Plate& plate, PlateTrees& trees, std::unordered_set<uint64_t>& known,
                   std::vector<ItemOverlap>& out)
{
    const Shells shells = FindShells(plate);
    // Each shell's probe: a corner of its first triangle with three
    // distinct indices (the meeting search skips the others, so only such a
    // corner is known to lie off the other items' triangles), and its box.
    std::vector<uint32_t> probe(shells.count, kNone);
    std::vector<Box> box(shells.count);
    for (uint32_t t = 0; t < plate.triangles.size(); ++t) {
        const uint32_t s = shells.of[t];
        if (probe[s] == kNone) {
            probe[s] = t;
            box[s] = trees.TriangleBox(t);
            continue;
        }
        if (RepeatsAnIndex(plate.triangles[probe[s]]) && !RepeatsAnIndex(plate.triangles[t])) {
            probe[s] = t;
        }
        PlateTrees::Grow(box[s], trees.TriangleBox(t));
    }
    std::vector<uint32_t> closed;
    std::vector<Box> closedBoxes;
    for (uint32_t s = 0; s < shells.count; ++s) {
        if (shells.open[s] == 0) {
            closed.push_back(s);
            closedBoxes.push_back(box[s]);
        }
    }
    const BoxTree enclosing(std::move(closedBoxes));
    for (uint32_t s = 0; s < shells.count; ++s) {
        const uint32_t inner = plate.item[probe[s]];
        const T3DVECF& p = plate.points[plate.triangles[probe[s]].a];
        enclosing.Walk(
            [&p](const Box& b) {
                return b.lo[0] <= p.x && p.x <= b.hi[0] && b.lo[1] <= p.y && p.y <= b.hi[1] && b.lo[2] <= p.z &&
                       p.z <= b.hi[2];
            },
            [&](uint32_t entry) {
                const uint32_t u = closed[entry];
                const uint32_t outer = plate.item[probe[u]];
                if (outer == inner || known.count(Key(inner, outer)) != 0) {
                    return;
                }
                // The parity of the ray's crossings with shell u alone.
                bool odd = false;
                uint32_t crossed = kNone;
                const uint32_t base = plate.first[outer];
                trees.Of(outer).Walk(
                    [&p](const Box& b) {
                        return b.hi[0] >= p.x && b.lo[1] <= p.y && p.y <= b.hi[1] && b.lo[2] <= p.z && p.z <= b.hi[2];
                    },
                    [&](uint32_t x) {
                        const uint32_t t = base + x;
                        const TRIANGLE& tri = plate.triangles[t];
                        if (shells.of[t] == u && PerturbedRayCrosses(plate.points[tri.a], plate.points[tri.b], plate.points[tri.c], p)) {
                            odd = !odd;
                            crossed = std::min(crossed, t);
                        }
                    });
                if (!odd) {
                    return;
                }
                known.insert(Key(inner, outer));
                const uint32_t a = plate.local[probe[s]], b = plate.local[crossed];
                out.push_back(inner < outer ? ItemOverlap{inner, outer, ItemOverlap::Kind::AInsideB, a, b}
                                            : ItemOverlap{outer, inner, ItemOverlap::Kind::BInsideA, b, a});
            });
    }
}

}  // namespace

PlateOverlaps FindOverlaps(std::span<const BuildItem> items)
{
    PlateOverlaps result;
    if (items.size() >= UINT32_MAX) {
        throw std::length_error("more items than 32-bit numbers can number");
    }
    result.itemCount = static_cast<uint32_t>(items.size());
    for (uint32_t i = 0; i < items.size(); ++i) {
        if (items[i].mirrored) {
            result.mirrored.push_back(i);
        }
    }
    const Plate plate = Join(items, result);
    if (plate.triangles.empty()) {
        return result;
    }
    PlateTrees trees(plate);
    result.overlaps = MeetingItems(plate, trees);
    std::unordered_set<uint64_t> known;
    for (const ItemOverlap& pair : result.overlaps) {
        known.insert(Key(pair.itemA, pair.itemB));
    }
    FindContained(plate, trees, known, result.overlaps);
    std::sort(result.overlaps.begin(), result.overlaps.end(), [](const ItemOverlap& x, const ItemOverlap& y) {
        return std::tie(x.itemA, x.itemB) < std::tie(y.itemA, y.itemB);
    });
    result.pairCount = result.overlaps.size();
    return result;
}

}  // namespace meshaudit::cli
