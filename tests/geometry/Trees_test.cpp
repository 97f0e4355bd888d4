// The bounding-box trees: the depth-first build against the breadth-first
// one byte for byte, both trees against a literal reference build (the
// fallback sort and the split written out plainly, with no safeguard for
// degenerate inputs), and the point tree's queries and marks against linear
// scans.
#include "containers/Keys.h"
#include "containers/Memory.h"
#include "geometry/AabbTreeBuild.h"
#include "geometry/PntAabbTree.h"
#include "geometry/TriAabbTree.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

using testing::TestMesh;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The fallback sort by plain recursion (right side first).
template <typename T, typename Less>
void LiteralSort(std::vector<T>& e, long lo, long hi, const Less& less)
{
    if (lo >= hi) {
        return;
    }
    if (hi - lo + 1 <= 8) {
        for (long k = lo; k < hi; ++k) {
            for (long p = k + 1; p > lo && less(e[p], e[p - 1]); --p) {
                std::swap(e[p], e[p - 1]);
            }
        }
        return;
    }
    const long mid = lo + (hi - lo + 1) / 2;
    long m = mid;
    if (less(e[lo], e[hi])) {
        m = less(e[mid], e[lo]) ? lo : m;
        m = less(e[hi], e[m]) ? hi : m;
    } else {
        m = less(e[mid], e[hi]) ? hi : m;
        m = less(e[lo], e[m]) ? lo : m;
    }
    std::swap(e[m], e[hi]);
    const T pivot = e[hi];
    long i = lo - 1;
    long j = hi;
    for (;;) {
        do {
            ++i;
        } while (less(e[i], pivot) && i < hi);
        do {
            --j;
        } while (less(pivot, e[j]) && j > lo);
        if (i >= j) {
            break;
        }
        std::swap(e[i], e[j]);
    }
    std::swap(e[i], e[hi]);
    LiteralSort(e, i + 1, hi, less);
    LiteralSort(e, lo, i - 1, less);
}

// The split one entry at a time: returns where the entries whose centre is
// not below `split` start.
template <typename T, typename Centre>
long LiteralPartition(std::vector<T>& e, long first, long last, double split, const Centre& centre)
{
    long i = first;
    long j = last;
    do {
        while (i <= j && centre(e[i]) < split) {
            ++i;
        }
        while (i <= j && !(centre(e[j]) < split)) {
            --j;
        }
        if (i < j) {
            std::swap(e[i++], e[j--]);
        }
    } while (i < j);
    return i;
}

inline double Coord(const T3DVECF& v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

struct RefItem {
    uint32_t index;
    C3DAABB box;
    bool isPoint;  // points sort by their coordinate, triangles by min + max
};

struct RefNode {
    uint32_t first, last;
    bool leaf = true;
};

// The reference build: entry indices in tree order, nodes breadth-first;
// leaves of at most leafMost entries.
inline std::pair<std::vector<uint32_t>, std::vector<RefNode>> ReferenceBuild(const std::vector<RefItem>& items,
                                                                             long leafMost)
{
    std::vector<const RefItem*> e;
    for (const RefItem& item : items) {
        e.push_back(&item);
    }
    std::vector<RefNode> nodes{RefNode{0, static_cast<uint32_t>(e.size() - 1)}};
    for (size_t k = 0; k < nodes.size(); ++k) {
        const long first = nodes[k].first;
        const long last = nodes[k].last;
        if (last < first + leafMost) {
            continue;
        }
        C3DAABB box;
        for (long i = first; i <= last; ++i) {
            box.Extend(e[i]->box);
        }
        const int axis = box.LongestAxis() - 'x';
        const auto centre = [&](const RefItem* p) { return (Coord(p->box.min, axis) + Coord(p->box.max, axis)) * 0.5; };
        long i = LiteralPartition(e, first, last, (Coord(box.min, axis) + Coord(box.max, axis)) * 0.5, centre);
        if (!(i >= first + 5 && last + 1 >= i + 5)) {
            LiteralSort(e, first, last, [&](const RefItem* p, const RefItem* q) {
                if (p->isPoint) {
                    return Coord(p->box.min, axis) < Coord(q->box.min, axis);
                }
                return Coord(p->box.min, axis) + Coord(p->box.max, axis) <
                       Coord(q->box.min, axis) + Coord(q->box.max, axis);
            });
            i = first + 5;
        }
        nodes[k].leaf = false;
        nodes.push_back(RefNode{static_cast<uint32_t>(first), static_cast<uint32_t>(i - 1)});
        nodes.push_back(RefNode{static_cast<uint32_t>(i), static_cast<uint32_t>(last)});
    }
    std::vector<uint32_t> order;
    for (const RefItem* p : e) {
        order.push_back(p->index);
    }
    return {order, nodes};
}

// The invariants of every built tree: a range splits into two contiguous
// ranges of at least 5 only above leafMost entries, exact union boxes, each
// index once; and, with a reference, its entry order and node ranges (its
// input: the entries in index order). `entries` are the tree's, in tree order.
void CheckTree(const AABBNode* root, uint32_t nodeCount, std::vector<RefItem> entries, uint32_t indexCount,
               bool withReference, uint32_t leafMost = 10)
{
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->last + 1, entries.size());
    std::vector<const AABBNode*> nodes{root};
    for (size_t n = 0; n < nodes.size(); ++n) {
        const AABBNode* node = nodes[n];
        ASSERT_LE(node->first, node->last);
        C3DAABB box;
        for (uint32_t k = node->first; k <= node->last; ++k) {
            box.Extend(entries[k].box);
        }
        const C3DAABB& b = node->box;
        EXPECT_TRUE(box.min.x == b.min.x && box.min.y == b.min.y && box.min.z == b.min.z && box.max.x == b.max.x &&
                    box.max.y == b.max.y && box.max.z == b.max.z);
        if (node->IsLeaf()) {
            EXPECT_LE(node->Count(), leafMost);
            continue;
        }
        const AABBNode* left = node->Left();
        const AABBNode* right = node->Right();
        EXPECT_TRUE(node->Count() > leafMost && left->first == node->first && left->last + 1 == right->first &&
                    right->last == node->last && left->Count() >= 5 && right->Count() >= 5);
        nodes.insert(nodes.end(), {left, right});
    }
    EXPECT_EQ(nodes.size(), nodeCount);
    std::vector<int> seen(indexCount, 0);
    for (const RefItem& e : entries) {
        ASSERT_LT(e.index, indexCount);
        EXPECT_EQ(seen[e.index]++, 0) << "index " << e.index << " twice";
    }
    if (withReference) {
        std::vector<RefItem> input = entries;
        std::sort(input.begin(), input.end(), [](const RefItem& a, const RefItem& b) { return a.index < b.index; });
        const auto [order, refNodes] = ReferenceBuild(input, leafMost);
        for (size_t k = 0; k < entries.size(); ++k) {
            ASSERT_EQ(entries[k].index, order[k]) << "entry " << k;
        }
        ASSERT_EQ(nodes.size(), refNodes.size());
        for (size_t k = 0; k < nodes.size(); ++k) {
            ASSERT_TRUE(nodes[k]->first == refNodes[k].first && nodes[k]->last == refNodes[k].last &&
                        nodes[k]->IsLeaf() == refNodes[k].leaf)
                << "node " << k;
        }
    }
}


// Coordinates on a lattice of step 0.5 (many ties; 0: continuous), and a
// share of them NaN, -0.0, 0.0 or infinite.
std::vector<T3DVECF> Points(uint32_t count, uint32_t lattice, double oddShare, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double odd[] = {kNaN, -0.0, 0.0, HUGE_VAL, -HUGE_VAL};
    std::vector<T3DVECF> points(count);
    for (T3DVECF& p : points) {
        for (double* c : {&p.x, &p.y, &p.z}) {
            *c = unit(rng) < oddShare ? odd[rng() % 5] : lattice == 0 ? unit(rng) * 20 - 10 : (rng() % (lattice + 1)) * 0.5;
        }
    }
    return points;
}

// Tight clusters, exact copies and points on a coarse grid, shuffled together.
std::vector<T3DVECF> Clustered(uint32_t n, uint32_t seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    std::normal_distribution<double> g(0.0, 0.05);
    std::vector<T3DVECF> points;
    for (uint32_t i = 0; i < n; ++i) {
        const uint64_t kind = rng() % 10;
        if (kind < 5) {
            const double m = 1.7 * static_cast<double>(i % 12) - 10;
            points.push_back(T3DVECF{m + g(rng), -m + g(rng), m * 0.5 + g(rng)});
        } else if (kind < 7 && !points.empty()) {
            points.push_back(points[rng() % points.size()]);
        } else {
            points.push_back(T3DVECF{std::round(u(rng)), std::round(u(rng)) * 0.5, kind == 9 ? u(rng) : std::round(u(rng))});
        }
    }
    return points;
}

struct TriTraits {
    static void Extend(C3DAABB& box, const TriEntry& e) { box.Extend(WidenBox(e.box)); }
    template <int A>
    static double Centre(const TriEntry& e) { return SortKey<A>(e) * 0.5; }
    template <int A>
    static double SortKey(const TriEntry& e)
    {
        const C3DAABB b = WidenBox(e.box);
        return AxisCoordinate<A>(b.min) + AxisCoordinate<A>(b.max);
    }
    static constexpr uint64_t kEqualKeysCost = 4;
};

struct PntTraits {
    static void Extend(C3DAABB& box, const PntEntry& e) { box.Extend(e.point); }
    template <int A>
    static double Centre(const PntEntry& e) { return AxisCoordinate<A>(e.point); }
    template <int A>
    static double SortKey(const PntEntry& e) { return AxisCoordinate<A>(e.point); }
    static constexpr uint64_t kEqualKeysCost = 1;
};

// BuildNodes (depth first, handing over to the breadth-first build when its
// sorting budget runs short) against the breadth-first build alone: the
// same nodes in the same places and the same entry order, bit for bit.
template <typename Traits, typename Entry>
detail::DepthFirstBuild ExpectSameBuilds(const std::vector<Entry>& input, uint32_t leafMost = kRuleLeafMost,
                                         uint64_t budget = detail::kSortBudgetPerEntry)
{
    const uint32_t count = static_cast<uint32_t>(input.size());
    std::vector<Entry> viaNodes = input, viaBreadth = input, viaDepth = input;
    BuiltNodes x, y, z;
    uint32_t refills = 0;
    EXPECT_TRUE(
        BuildNodes<Traits>(viaNodes.data(), count, leafMost, x, [&] { ++refills, viaNodes = input; }, budget));
    EXPECT_TRUE(detail::BuildBreadthFirst<Traits>(viaBreadth.data(), count, leafMost, budget, y));
    const auto depth = detail::BuildDepthFirst<Traits>(viaDepth.data(), count, leafMost, budget, z);
    EXPECT_EQ(refills, depth == detail::DepthFirstBuild::BudgetShort ? 1u : 0u);
    EXPECT_EQ(x.count, y.count);
    EXPECT_EQ(x.height, y.height);
    for (uint32_t k = 0; k < std::min(x.count, y.count); ++k) {
        const AABBNode& a = x.root[k];
        const AABBNode& b = y.root[k];
        EXPECT_TRUE(a.first == b.first && a.last == b.last && a.IsLeaf() == b.IsLeaf() &&
                    std::memcmp(&a.box, &b.box, sizeof a.box) == 0 && (a.IsLeaf() || a.Left() - x.root == b.Left() - y.root))
            << "node " << k;
    }
    EXPECT_EQ(std::memcmp(viaNodes.data(), viaBreadth.data(), count * sizeof(Entry)), 0);
    Free(x.block);
    Free(y.block);
    Free(z.block);
    return depth;
}

TEST(AabbTreeBuild, DepthFirstMatchesBreadthFirst)
{
    struct Case {
        uint32_t count, lattice;
        double oddShare;
        bool coincident;  // most entries at one place: the sorting budget runs short
    };
    const Case cases[] = {
        {1, 0, 0.0, false},     {10, 0, 0.0, false},   {11, 0, 0.0, false},   {12, 4, 0.0, false},
        {37, 2, 0.1, false},    {500, 3, 0.0, false},  {2000, 10, 0.0, false}, {3000, 0, 0.02, false},
        {3000, 6, 0.2, false},  {20000, 40, 0.01, false}, {5000, 1, 0.0, false}, {4000, 0, 0.9, false},
        {200, 0, 0.0, true},    {2000, 0, 0.0, true},  {30000, 0, 0.0, true},
    };
    uint32_t built = 0, handedOver = 0;
    uint32_t seed = 7;
    for (const Case& c : cases) {
        std::vector<T3DVECF> points = Points(c.count, c.lattice, c.oddShare, ++seed);
        for (uint32_t k = 0; c.coincident && k < c.count; ++k) {
            points[k] = k % 3 == 0 ? points[k] : T3DVECF{-0.0, 0.0, 50.0};
        }
        std::vector<PntEntry> pnt(c.count);
        std::vector<TriEntry> tri(c.count);
        for (uint32_t k = 0; k < c.count; ++k) {
            pnt[k] = PntEntry{k, points[k]};
            const TRIANGLE t{k, (k + 1 + seed % 3) % c.count, (k + 2 + k % 5) % c.count};
            const T3DVECF corners[3] = {points[t.a], points[t.b], points[t.c]};
            bool exact = true;
            tri[k] = TriEntry{k, t, OutwardFloatBox(BoxOfPoints(corners, 3), exact)};
        }
        for (const auto depth : {ExpectSameBuilds<PntTraits>(pnt), ExpectSameBuilds<TriTraits>(tri),
                                 ExpectSameBuilds<TriTraits>(tri, kWideLeafEntries),
                                 ExpectSameBuilds<TriTraits>(tri, kWideLeafEntries, detail::kSmallSortBudgetPerEntry)}) {
            (depth == detail::DepthFirstBuild::Built ? built : handedOver) += 1;
        }
    }
    EXPECT_GT(built, 12u);
    EXPECT_GT(handedOver, 3u);
}

MeshRecord PointRecord(std::vector<T3DVECF>& points)
{
    static TRIANGLE one{0, 0, 0};  // a point tree needs a triangle
    return MeshRecord{points.data(), static_cast<uint32_t>(points.size()), &one, 1};
}

// Every entry keeps its point bit for bit.
void CheckPointTree(const C3DPntAABBTree& tree, const std::vector<T3DVECF>& points, bool withReference)
{
    std::vector<RefItem> entries;
    for (uint32_t k = 0; k < tree.EntryCount(); ++k) {
        const PntEntry& e = tree.Entries()[k];
        ASSERT_EQ(std::memcmp(&e.point, &points[e.index], sizeof(T3DVECF)), 0) << "entry " << k;
        entries.push_back(RefItem{e.index, C3DAABB{e.point, e.point}, true});
    }
    ASSERT_EQ(entries.size(), points.size());
    CheckTree(tree.Root(), tree.NodeCount(), entries, tree.EntryCount(), withReference);
}

// Every entry keeps its triangle and the box of its corners, rounded
// outward, and the tree says whether some box was rounded. Node bounds are
// floats, which the pair searches rely on.
void CheckTriangleTree(const C3DTriAABBTree& tree, const TestMesh& m, bool withReference, uint32_t leafMost = 10)
{
    std::vector<RefItem> entries;
    bool exact = true;
    for (uint32_t k = 0; k < tree.EntryCount(); ++k) {
        const TriEntry& e = tree.Entries()[k];
        const TRIANGLE& t = m.triangles[e.index];
        ASSERT_TRUE(e.triangle.a == t.a && e.triangle.b == t.b && e.triangle.c == t.c);
        const T3DVECF corners[3] = {m.points[t.a], m.points[t.b], m.points[t.c]};
        const C3DAABB box = WidenBox(e.box);
        const C3DAABB exactBox = BoxOfPoints(corners, 3);
        for (const auto& [lower, bound] : {std::pair{box.min.x, exactBox.min.x}, {box.min.y, exactBox.min.y},
                                           {box.min.z, exactBox.min.z}, {-box.max.x, -exactBox.max.x},
                                           {-box.max.y, -exactBox.max.y}, {-box.max.z, -exactBox.max.z}}) {
            ASSERT_LE(lower, bound) << "entry " << k;
            exact = exact && lower == bound;
        }
        entries.push_back(RefItem{e.index, box, false});
    }
    EXPECT_EQ(tree.ExactBoxes(), exact);
    for (uint32_t k = 0; k < tree.NodeCount(); ++k) {
        const C3DAABB& b = tree.Root()[k].box;
        for (const double bound : {b.min.x, b.min.y, b.min.z, b.max.x, b.max.y, b.max.z}) {
            ASSERT_EQ(static_cast<double>(static_cast<float>(bound)), bound) << "node " << k;
        }
    }
    CheckTree(tree.Root(), tree.NodeCount(), entries, static_cast<uint32_t>(m.triangles.size()), withReference,
              leafMost);
}

TEST(Trees, ShapesFollowTheReferenceBuild)
{
    for (uint32_t n : {1u, 2u, 10u, 11u, 12u, 15u, 21u, 37u, 100u, 1000u}) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            // At n = 1000, 200 coincident points: a chain of equal-key sorts
            // that the point tree's budget pays in full, so it keeps the rule.
            for (std::vector<T3DVECF> points : {Points(n, 0, 0.0, seed), Clustered(n, seed), std::vector<T3DVECF>(n % 100 + n / 5, T3DVECF{1, 2, 3})}) {
                if (points.empty()) {
                    continue;
                }
                C3DPntAABBTree tree;
                ASSERT_EQ(tree.Build(PointRecord(points)), 1);
                EXPECT_EQ(tree.LeafSize(), 5u);
                CheckPointTree(tree, points, true);
            }
        }
    }
    TestMesh spheres;
    for (int k = 0; k < 20; ++k) {
        testing::Append(spheres, testing::Sphere(12, 8, 1.0, 0.3 * k, 0.1 * (k % 3), 0.0));
    }
    TestMesh cube = testing::UnitCube();  // 12 triangles: one split
    TestMesh ten = cube;
    ten.triangles.resize(10);  // one leaf
    // Coordinates beyond the float range, subnormal, infinite or exact floats:
    // every entry box still contains the exact one.
    TestMesh extremes;
    const double values[] = {1e300, -1e300, 1e-310, -1e-310, 4e38, -4e38, HUGE_VAL, 3.0, 0.1, -0.0};
    std::mt19937 rng(5);
    for (int k = 0; k < 90; ++k) {
        extremes.AddPoint(values[rng() % 10], values[rng() % 10], values[rng() % 10]);
        extremes.AddTriangle(rng() % (k + 1), rng() % (k + 1), k);
    }
    for (TestMesh m : {testing::Torus(40, 20), testing::Grid(30), testing::RandomSoup(5000, 10.0, 3), spheres, cube, ten,
                       extremes}) {
        for (const auto& [leaves, leafMost] : {std::pair{TriLeaves::Rule, 10u}, std::pair{TriLeaves::Wide, 32u}}) {
            C3DTriAABBTree tree;
            ASSERT_EQ(tree.Build(m.Record(), leaves), 1);
            EXPECT_EQ(tree.Mesh().triangles, m.triangles.data());
            EXPECT_EQ(tree.Root()->IsLeaf(), m.triangles.size() <= leafMost);
            CheckTriangleTree(tree, m, true, leafMost);
        }
    }
}

// An incomplete record builds nothing; triangles beyond the points are left
// out, and a mesh with none in range makes an empty tree.
TEST(Trees, IncompleteMeshesAndTrianglesOutOfRange)
{
    TestMesh m = testing::Torus(10, 6);
    const uint32_t n = static_cast<uint32_t>(m.points.size());
    C3DTriAABBTree tree;
    C3DPntAABBTree points;
    for (int field = 0; field < 4; ++field) {
        MeshRecord r = m.Record();
        r.pointCount = field == 0 ? 0 : r.pointCount;
        r.points = field == 1 ? nullptr : r.points;
        r.triangles = field == 2 ? nullptr : r.triangles;
        r.triangleCount = field == 3 ? 0 : r.triangleCount;
        EXPECT_TRUE(tree.Build(r) == 0 && points.Build(r) == 0 && tree.Root() == nullptr && points.Root() == nullptr);
    }
    uint32_t counter = 0;
    points.CountInBall(T3DSPHERE{{0, 0, 0}, 100.0}, counter);
    EXPECT_EQ(counter, 0u);  // a tree that is not built finds nothing
    m.triangles[3].b = n;
    m.triangles[50].c = 0xFFFFFFFFu;
    m.triangles[119].a = n + 7;
    ASSERT_EQ(tree.Build(m.Record()), 1);
    EXPECT_EQ(tree.EntryCount(), m.triangles.size() - 3);
    CheckTriangleTree(tree, m, true);
    m.triangles.assign(2, TRIANGLE{0, 1, n});
    ASSERT_EQ(tree.Build(m.Record()), 1);
    EXPECT_TRUE(tree.EntryCount() == 0 && tree.Root() == nullptr && tree.Mesh().triangleCount == 2);
}

// A ball query written as a linear scan: what CountInBall adds and the
// entries CollectInBall lists.
std::vector<uint32_t> Scan(const std::vector<T3DVECF>& points, const T3DSPHERE& s)
{
    std::vector<uint32_t> found;
    for (uint32_t i = 0; i < points.size(); ++i) {
        if (ClassifyPointBall(points[i], s) != '0') {
            found.push_back(i);
        }
    }
    return found;
}

// The walk as plain recursion: the order CollectInBall lists its points in.
// (BoxInsideBall is checked against its definition, every corner
// classified, in the tests of the shapes.)
void RecursiveCollect(const AABBNode* node, const PntEntry* entries, const T3DSPHERE& s, std::vector<uint32_t>& out)
{
    if (node == nullptr || BoxMeetsBall(node->box, s) == '0') {
        return;
    }
    const bool inside = BoxInsideBall(node->box, s) == '1';
    if (inside || node->IsLeaf()) {
        for (uint32_t k = node->first; k <= node->last; ++k) {
            if (inside || ClassifyPointBall(entries[k].point, s) != '0') {
                out.push_back(entries[k].index);
            }
        }
        return;
    }
    RecursiveCollect(node->Left(), entries, s, out);
    RecursiveCollect(node->Right(), entries, s, out);
}

void CompareQueries(std::vector<T3DVECF>& points, uint32_t ballCount, uint32_t seed)
{
    const uint32_t n = static_cast<uint32_t>(points.size());
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(PointRecord(points)), 1);
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-11.0, 11.0);
    const double radii[] = {0.0, 1e-12, 0.01, 0.05, 0.3, 1.0, 3.0, 30.0, -0.3, kNaN};
    std::vector<uint32_t> out(n + 1);
    for (uint32_t k = 0; k < ballCount; ++k) {
        const T3DVECF centre = k % 2 == 0 && IsFinite(points[k % n]) ? points[k % n] : T3DVECF{u(rng), u(rng), u(rng)};
        const T3DSPHERE s{centre, radii[k % 10]};
        const std::vector<uint32_t> want = Scan(points, s);
        uint32_t counter = 7;  // CountInBall adds to what the caller has
        tree.CountInBall(s, counter);
        ASSERT_EQ(counter, 7 + want.size()); 
        uint32_t count = 1;  // and CollectInBall appends
        tree.CollectInBall(s, out.data(), count);
        std::vector<uint32_t> got(out.begin() + 1, out.begin() + count), order;
        RecursiveCollect(tree.Root(), tree.Entries(), s, order);
        ASSERT_EQ(got, order);
        std::sort(got.begin(), got.end());
        ASSERT_EQ(got, want);
        count = 0;
        tree.CollectEntriesInBall(s, out.data(), count);
        for (uint32_t i = 0; i < count; ++i) {
            out[i] = tree.Entries()[out[i]].index;
        }
        std::sort(out.begin(), out.begin() + count);
        ASSERT_TRUE(std::equal(want.begin(), want.end(), out.begin()) && count == want.size());
        // The bounded count reaches its limit exactly when the full count does.
        for (uint32_t limit : {1u, 2u, 3u, 7u}) {
            uint32_t bounded = 0;
            tree.CountInBallUpTo(s, bounded, limit);
            ASSERT_EQ(bounded >= limit, want.size() >= limit);
            ASSERT_TRUE(bounded <= want.size() && (want.size() >= limit || bounded == want.size()));
        }
    }
}

TEST(PntAabbTree, QueriesMatchALinearScan)
{
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        for (uint32_t n : {1u, 11u, 57u, 3000u}) {
            std::vector<T3DVECF> uniform = Points(n, 0, 0.0, seed);
            CompareQueries(uniform, 200, seed);
            std::vector<T3DVECF> clustered = Clustered(n, seed + 100);
            CompareQueries(clustered, 200, seed);
            // -0.0 and infinities (NaN points are found or not as their boxes fall).
            std::vector<T3DVECF> odd = Points(n, 12, 0.03, seed);
            for (T3DVECF& p : odd) {
                p = HasNaN(p) ? T3DVECF{-0.0, p.y == p.y ? p.y : HUGE_VAL, 1} : p;
            }
            CompareQueries(odd, 200, seed);
        }
    }
    std::vector<T3DVECF> exact = {{0, 0, 0}, {3, 4, 0}, {0, -5, 0}, {0, 0, 5.000000000000001}, {1, 1, 1}};
    CompareQueries(exact, 30, 1);  // points exactly on the sphere count
    std::vector<T3DVECF> coincident(5000, T3DVECF{1, 1, 1});
    coincident.push_back(T3DVECF{1e7, 1e7, 1e7});
    CompareQueries(coincident, 20, 2);
    // A ball around a NaN centre, over a box holding its other coordinates,
    // meets and holds every box: all points count.
    std::vector<T3DVECF> cloud = Points(40, 0, 0.0, 2);
    cloud[7] = T3DVECF{kNaN, 0, 0};
    C3DPntAABBTree tree;
    ASSERT_EQ(tree.Build(PointRecord(cloud)), 1);
    uint32_t counter = 0;
    tree.CountInBall(T3DSPHERE{{kNaN, 0, 0}, 1.0}, counter);
    EXPECT_EQ(counter, 40u);
}

// Inputs on which the split keeps landing on one side stay shallow; points
// converging to 0 by halving make a tree as deep as there are scales, which
// the queries walk without recursion.
TEST(PntAabbTree, DegenerateInputsStayShallowAndDeepTreesAreWalked)
{
    std::vector<std::vector<T3DVECF>> clouds{std::vector<T3DVECF>(60000, T3DVECF{0.5, 0.5, 0.5}),
                                             Points(60000, 0, 0.0, 4), std::vector<T3DVECF>(30000, T3DVECF{kNaN, kNaN, kNaN}), {}};
    clouds[1].push_back(T3DVECF{1e6, 0, 0});
    for (int i = 0; i < 20000; ++i) {
        clouds[3].push_back(T3DVECF{std::ldexp(1.0, -(i % 1000)), 0.25 * (i % 7), 0});
    }
    for (size_t k = 0; k < clouds.size(); ++k) {
        C3DPntAABBTree tree;
        ASSERT_EQ(tree.Build(PointRecord(clouds[k])), 1);
        CheckPointTree(tree, clouds[k], false);
        uint32_t height = 0;
        for (const AABBNode* node = tree.Root(); !node->IsLeaf(); ++height) {
            node = node->Left()->Count() > node->Right()->Count() ? node->Left() : node->Right();
        }
        EXPECT_EQ(height > 500, k == 3);
        const T3DSPHERE s{k == 3 ? T3DVECF{0, 0, 0} : clouds[k][0], k == 3 ? 1e-200 : 0.0};
        uint32_t counter = 0;
        tree.CountInBall(s, counter);
        EXPECT_EQ(counter, Scan(clouds[k], s).size());
        EXPECT_GE(counter, 1u);
    }
}

// The leaf pairs mark the points with another one within the radius in
// their own leaf; the walks across leaves then mark exactly the points whose
// own ball holds another one. Walks cut short by a budget set only right marks.
TEST(PntAabbTree, CloseMarksMatchBallQueries)
{
    const double radii[] = {0.0, 1e-300, 0.01, 0.06, -0.3, 0.5, 2.0, HUGE_VAL, kNaN};
    uint32_t markedByWalks = 0;
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        for (std::vector<T3DVECF> points : {Clustered(300 * seed, seed), Points(200 * seed, 0, 0.0, seed), Points(400, 16, 0.02, seed)}) {
            C3DPntAABBTree tree;
            ASSERT_EQ(tree.Build(PointRecord(points)), 1);
            const PntEntry* e = tree.Entries();
            const uint32_t n = tree.EntryCount();
            for (double radius : radii) {
                std::vector<uint8_t> leafMarks(n, 0), marks(n, 0), want(n, 0), inLeaf(n, 0);
                tree.MarkCloseLeafPairs(radius, leafMarks.data());
                for (uint32_t k = 0; k < n; ++k) {
                    uint32_t inside = 0;
                    tree.CountInBall(T3DSPHERE{e[k].point, radius}, inside);
                    want[k] = inside > 1;
                }
                std::vector<const AABBNode*> stack{tree.Root()};
                while (!stack.empty()) {
                    const AABBNode* node = stack.back();
                    stack.pop_back();
                    if (!node->IsLeaf()) {
                        stack.insert(stack.end(), {node->Left(), node->Right()});
                        continue;
                    }
                    for (uint32_t k = node->first; k <= node->last; ++k) {
                        for (uint32_t m = node->first; m <= node->last; ++m) {
                            inLeaf[k] |= m != k && ClassifyPointBall(e[m].point, T3DSPHERE{e[k].point, radius}) != '0';
                        }
                    }
                }
                ASSERT_EQ(leafMarks, inLeaf) << seed << " " << radius;
                if (std::any_of(points.begin(), points.end(), [](const T3DVECF& p) { return HasNaN(p); })) {
                    continue;  // the walks' promise is for points without NaN
                }
                for (uint64_t budget : {uint64_t{0}, uint64_t{1}, uint64_t{40}, uint64_t{400}, UINT64_MAX}) {
                    marks = leafMarks;
                    const auto walks = tree.MarkCloseAcrossLeaves(radius, marks.data(), budget);
                    ASSERT_EQ(walks == C3DPntAABBTree::LeafWalks::Complete || budget != UINT64_MAX, true);
                    ASSERT_NE(walks, C3DPntAABBTree::LeafWalks::OutOfMemory);
                    for (uint32_t k = 0; k < n; ++k) {
                        ASSERT_LE(marks[k], want[k]) << seed << " " << radius << " " << budget << " " << k;
                        ASSERT_TRUE(walks != C3DPntAABBTree::LeafWalks::Complete || marks[k] == want[k]);
                    }
                }
                for (uint32_t k = 0; k < n; ++k) {
                    markedByWalks += marks[k] - leafMarks[k];
                }
            }
        }
    }
    EXPECT_GT(markedByWalks, 500u);
}

// The fallback sort leaves every range where its literal version does:
// ranges in descending or ascending order (taken in one pass), runs of them,
// and keys with ties, at sizes around the insertion-sort cut.
TEST(Trees, FallbackSortMatchesItsLiteralVersion)
{
    std::mt19937 rng(5);
    for (long n : {9L, 10L, 33L, 100L, 1000L, 4000L}) {
        for (int pattern = 0; pattern < 9; ++pattern) {
            std::vector<std::pair<double, int>> items;
            for (long k = 0; k < n; ++k) {
                // 6 to 8: rising then falling, as a fan's triangles are; distinct (the
                // quicksort turns quadratic and hands over), with ties, with NaN.
                const double rise = std::sin(3.0 * double(k) / double(n));
                const double keys[9] = {double(n - k), double(k), double(k % 17), -double(k / 40) - k % 40 * 0.01,
                                        double(rng() % 4), k == n / 2 ? 0.0 : double(n - k), rise,
                                        std::floor(rise * 50.0), k % 7 == 3 ? kNaN : rise};
                items.emplace_back(keys[pattern], int(k));
            }
            std::vector<std::pair<double, int>> fast = items, literal = items;
            const auto less = [](const auto& p, const auto& q) { return p.first < q.first; };
            SortEntries(fast.data(), 0, n - 1, less);
            LiteralSort(literal, 0, n - 1, less);
            // By the entries' first places: NaN keys never compare equal.
            const auto places = [](const auto& v) {
                std::vector<int> p;
                for (const auto& item : v) {
                    p.push_back(item.second);
                }
                return p;
            };
            EXPECT_EQ(places(fast), places(literal)) << n << " " << pattern;
        }
    }
}

}  // namespace
}  // namespace meshaudit
