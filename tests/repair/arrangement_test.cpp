// The exact arrangement: hand-computed splits, the invariants of a proper
// complex on random soups of a coarse grid (many exact coincidences and
// coplanar overlaps) judged by a brute-force pair check, meshes that need
// nothing, idempotence and entry codes; the faster forms of the planar
// steps against their plain forms.
#include "geometry/Predicates.h"
#include "geometry/TriangleIntersection.h"
#include "repair/arrangement/ArrangeRound.h"
#include "repair/arrangement/Arrangement.h"
#include "repair/arrangement/BoxPairs.h"
#include "repair/arrangement/ConstrainedTriangulation.h"
#include "repair/arrangement/Constructions.h"
#include "repair/arrangement/ExactPoint.h"
#include "repair/arrangement/PairContact.h"
#include "repair/arrangement/PlaneProjection.h"
#include "repair/arrangement/PlaceKey.h"
#include "repair/arrangement/PointRegistry.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace meshaudit::arrangement {
namespace {

using testing::TestMesh;

T3DVECF Sub(const T3DVECF& a, const T3DVECF& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
T3DVECF Cross(const T3DVECF& a, const T3DVECF& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const T3DVECF& a, const T3DVECF& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
template <typename Points>
T3DVECF Normal(const Points& p, const TRIANGLE& t) { return Cross(Sub(p[t.b], p[t.a]), Sub(p[t.c], p[t.a])); }

Box BoxOf(const T3DVECF* c)
{
    Box b{};
    for (int a = 0; a < 3; ++a) {
        const double* p = Coordinates(c[0]);
        const double* q = Coordinates(c[1]);
        const double* r = Coordinates(c[2]);
        b.lo[a] = std::min({p[a], q[a], r[a]});
        b.hi[a] = std::max({p[a], q[a], r[a]});
    }
    return b;
}

// Zero-area triangles are judged by the library's test alone.
bool Flat(const T3DVECF* c)
{
    int i = 0;
    int j = 0;
    return !ProjectionAxes(c, i, j);
}

// The output pairs in contact by a brute-force exact check of all pairs:
// the library's test for pairs sharing no index, the pair classifier for
// the others.
std::vector<std::pair<uint32_t, uint32_t>> ContactsOf(const Arrangement& out)
{
    std::vector<std::pair<uint32_t, uint32_t>> contacts;
    const auto& p = out.points;
    // Triangles that repeat an index are kept as they are, and left out by
    // the library's searches as here.
    auto repeats = [](const TRIANGLE& t) { return t.a == t.b || t.b == t.c || t.a == t.c; };
    for (uint32_t i = 0; i < out.triangles.size(); ++i) {
        const TRIANGLE& t = out.triangles[i];
        const T3DVECF ct[3] = {p[t.a], p[t.b], p[t.c]};
        const uint32_t it[3] = {t.a, t.b, t.c};
        for (uint32_t j = i + 1; j < out.triangles.size() && !repeats(t); ++j) {
            const TRIANGLE& u = out.triangles[j];
            const T3DVECF cu[3] = {p[u.a], p[u.b], p[u.c]};
            const uint32_t iu[3] = {u.a, u.b, u.c};
            int shared = 0;
            for (uint32_t a : it) {
                shared += (a == u.a) + (a == u.b) + (a == u.c);
            }
            // As the library decides: boxes first (zero-area triangles are
            // judged in a projection that ignores one axis).
            const bool meet = repeats(u) ? false
                              : shared == 0
                                  ? BoxesOverlap(BoxOf(ct), BoxOf(cu)) && TriTriIntersect(ct, cu) != '0'
                                  : shared < 3 && !Flat(ct) && !Flat(cu) &&
                                        FindPairContact(ct, it, cu, iu).kind != PairContact::Kind::None;
            if (meet) {
                contacts.emplace_back(i, j);
            }
        }
    }
    return contacts;
}

// Every invariant of a resolved arrangement of `in`: input points kept, no
// pair in contact (ContactsOf), every piece in its source's plane and
// turning its way, and the pieces of each source covering its area.
void ExpectProperArrangement(const TestMesh& in, const Arrangement& out)
{
    ASSERT_TRUE(out.resolved);
    ASSERT_GE(out.points.size(), in.points.size());
    EXPECT_EQ(0, std::memcmp(out.points.data(), in.points.data(), in.points.size() * sizeof(T3DVECF)));
    ASSERT_EQ(out.triangles.size(), out.triangleFrom.size());
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{}), ContactsOf(out));
    const auto& p = out.points;
    std::vector<double> area(in.triangles.size(), 0.0);
    for (size_t i = 0; i < out.triangles.size(); ++i) {
        const TRIANGLE& src = in.triangles[out.triangleFrom[i]];
        const T3DVECF n = Normal(in.points, src);
        const double len = std::sqrt(Dot(n, n));
        const TRIANGLE& t = out.triangles[i];
        if (len == 0.0) {
            continue;  // a zero-area source meeting nothing, kept as it is
        }
        for (uint32_t v : {t.a, t.b, t.c}) {
            EXPECT_LE(std::fabs(Dot(n, Sub(p[v], in.points[src.a]))) / len, 1e-12);
        }
        // Turned like the source, unless rounding its corners left it no
        // area to turn (a sliver at the scale of the rounding).
        const T3DVECF m = Normal(p, t);
        EXPECT_TRUE(Dot(m, n) > 0.0 || std::sqrt(Dot(m, m)) <= 1e-12 * len) << i;
        area[out.triangleFrom[i]] += std::sqrt(Dot(m, m));
    }
    for (size_t s = 0; s < in.triangles.size(); ++s) {
        const TRIANGLE& t = in.triangles[s];
        const T3DVECF n = Normal(in.points, t);
        if (t.a != t.b && t.b != t.c && t.a != t.c && area[s] > 0.0) {
            EXPECT_NEAR(area[s], std::sqrt(Dot(n, n)), 1e-9 * (1.0 + area[s]));
        }
    }
}

Arrangement Arranged(TestMesh& mesh)
{
    Arrangement out;
    EXPECT_EQ(kArranged, Arrange(mesh.Record(), out));
    return out;
}

TestMesh Moved(TestMesh m, double dx, double dy, double dz)
{
    for (T3DVECF& q : m.points) {
        q = {q.x + dx, q.y + dy, q.z + dz};
    }
    return m;
}

struct HandCase {
    const char* name;
    TestMesh mesh;
    size_t points;     // points after, new ones included
    size_t triangles;  // triangles after
};

TEST(Arrangement, HandComputedSplits)
{
    const TestMesh flat = testing::MeshOf({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}}, {{0, 1, 2}});
    HandCase cases[] = {
        // Two cubes [0,2]^3 and [1,3]^3: they cross along a hexagonal loop of
        // six new points, each a face centre of one cube on a face diagonal;
        // the 3 + 3 faces involved become 6 pieces each (see the diagonals
        // of UnitCube), the other 12 triangles stay.
        {"cubes", testing::Join({testing::Box(0, 2), Moved(testing::Box(0, 2), 1, 1, 1)}), 22, 48},
        // A vertical triangle through the flat one, its corner (1,2,0) on the
        // face: the flat one gets a cut between 2 inner points (5 pieces),
        // the other is cut in two; one new point (1,1,0).
        {"pierce", testing::Join({flat, testing::MeshOf({{1, 1, -1}, {1, 1, 1}, {1, 2, 0}}, {{0, 1, 2}})}), 7, 7},
        // Coplanar overlap: the shared triangle (1,1),(3,1),(1,3) is one piece
        // in both; the rest of the first is a hexagon (4 pieces), of the
        // second a quadrilateral (2 pieces); new points (3,1) and (1,3).
        {"coplanar", testing::Join({flat, testing::MeshOf({{1, 1, 0}, {5, 1, 0}, {1, 5, 0}}, {{0, 1, 2}})}), 8, 8},
        // Three triangles in the three coordinate planes, crossing at the
        // origin: each gets two cuts crossing there (7 pieces); new points
        // the origin and the six cut ends.
        {"triple", testing::MeshOf({{-1, -1, 0}, {3, -1, 0}, {-1, 3, 0}, {0, -1, -1}, {0, 3, -1}, {0, -1, 3},
                                    {-1, 0, -1}, {-1, 0, 3}, {3, 0, -1}},
                                   {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}}),
         16, 21},
        // A corner resting on the face: the face gets a fan of 3, no new point.
        {"vertex", testing::Join({flat, testing::MeshOf({{1, 1, 0}, {1, 1, 2}, {2, 1, 2}}, {{0, 1, 2}})}), 6, 4},
        // Sharing a corner and crossing elsewhere: both are cut in two
        // along (0,0,0)-(2,2,0), the second's edge crossing the first's.
        {"shared corner", testing::MeshOf({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {2, 2, -1}, {2, 2, 1}},
                                          {{0, 1, 2}, {0, 3, 4}}),
         6, 4},
        // Coplanar, sharing an edge and folded over it: the smaller one is
        // inside the larger, which becomes 2 pieces (one coincident).
        {"folded", testing::MeshOf({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 0, 3}}), 4, 4},
    };
    for (HandCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Arrangement out = Arranged(c.mesh);
        EXPECT_EQ(c.points, out.points.size());
        EXPECT_EQ(c.triangles, out.triangles.size());
        ExpectProperArrangement(c.mesh, out);
    }
}

TEST(Arrangement, CoplanarOverlapIsCoincidentPieces)
{
    TestMesh m = testing::MeshOf({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {1, 1, 0}, {5, 1, 0}, {1, 5, 0}},
                                 {{0, 1, 2}, {3, 5, 4}});
    const Arrangement out = Arranged(m);
    int coincident = 0;
    for (size_t i = 0; i < out.triangles.size(); ++i) {
        for (size_t j = i + 1; j < out.triangles.size(); ++j) {
            const TRIANGLE& a = out.triangles[i];
            const TRIANGLE& b = out.triangles[j];
            // The second is reversed: the same ids, the other turn.
            coincident += a.a + a.b + a.c == b.a + b.b + b.c && (a.a == b.a || a.a == b.b || a.a == b.c) &&
                          (a.b == b.a || a.b == b.b || a.b == b.c) && out.triangleFrom[i] != out.triangleFrom[j];
        }
    }
    EXPECT_EQ(1, coincident);
    ExpectProperArrangement(m, out);
}

TEST(Arrangement, RandomGridSoupsAreProperAndStable)
{
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> coord(0, seed % 3 == 0 ? 2 : 4);
        TestMesh m;
        const uint32_t count = 4 + seed % 12;
        for (uint32_t t = 0; t < count; ++t) {
            uint32_t ids[3];
            for (uint32_t& id : ids) {
                // Some corners reuse earlier points by index.
                id = !m.points.empty() && rng() % 4 == 0 ? static_cast<uint32_t>(rng() % m.points.size())
                                                        : m.AddPoint(coord(rng), coord(rng), seed % 5 == 0 ? 0 : coord(rng));
            }
            m.AddTriangle(ids[0], ids[1], ids[2]);
        }
        const Arrangement out = Arranged(m);
        ExpectProperArrangement(m, out);
        // Arranged again, nothing changes.
        TestMesh again{{out.points.begin(), out.points.end()}, {out.triangles.begin(), out.triangles.end()}};
        const Arrangement twice = Arranged(again);
        EXPECT_EQ(out.points.size(), twice.points.size());
        ASSERT_EQ(out.triangles.size(), twice.triangles.size());
        EXPECT_EQ(0, std::memcmp(out.triangles.data(), twice.triangles.data(), out.triangles.size() * sizeof(TRIANGLE)));
        EXPECT_EQ(1u, twice.rounds);
    }
}

TEST(Arrangement, FuzzedSmallSoups)
{
    // Corners on a 3-grid, a few moved by 2^-30: near-coincidences that the
    // interval filter cannot decide, so the exact stages run.
    std::mt19937 rng(7);
    for (int round = 0; round < 150; ++round) {
        TestMesh m;
        const uint32_t count = 2 + static_cast<uint32_t>(rng() % 5);
        for (uint32_t k = 0; k < 3 * count; ++k) {
            double c[3];
            for (double& v : c) {
                v = static_cast<double>(rng() % 3) + (rng() % 6 == 0 ? std::ldexp(rng() % 2 ? 1.0 : -1.0, -30) : 0.0);
            }
            m.AddPoint(c[0], c[1], c[2]);
        }
        for (uint32_t k = 0; k < count; ++k) {
            m.AddTriangle(3 * k, 3 * k + 1, rng() % 4 == 0 ? 3 * k + 4 - 3 * (k + 1 == count) : 3 * k + 2);
        }
        SCOPED_TRACE(round);
        ExpectProperArrangement(m, Arranged(m));
    }
}

// Pairs sharing one point (corners of a 3-grid, some lifted by 2^-40, so
// that coplanar, touching and nearly touching pairs are common): asked
// first whether they meet beyond the point, and classified in full.
TEST(Arrangement, PairsRoundAPointByAnglesMatchThePlainOnes)
{
    std::mt19937 rng(5);
    int kinds[4] = {0, 0, 0, 0};
    for (int round = 0; round < 6000; ++round) {
        T3DVECF c[6];
        for (T3DVECF& p : c) {
            double v[3];
            for (double& x : v) {
                x = static_cast<double>(rng() % 3) + (rng() % 8 == 0 ? std::ldexp(rng() % 2 ? 1.0 : -1.0, -40) : 0.0);
            }
            p = {v[0], v[1], v[2]};
        }
        c[3 + rng() % 3] = c[rng() % 3];
        uint32_t id[6];  // equal points one id, as a round gives them
        for (uint32_t k = 0; k < 6; ++k) {
            id[k] = 0;
            while (std::memcmp(&c[id[k]], &c[k], sizeof(T3DVECF)) != 0) {
                ++id[k];
            }
        }
        const uint32_t it[3] = {id[0], id[1], id[2]};
        const uint32_t iu[3] = {id[3], id[4], id[5]};
        int shared = 0;
        for (uint32_t a : it) {
            shared += (a == iu[0]) + (a == iu[1]) + (a == iu[2]);
        }
        if (shared != 1 || Flat(c) || Flat(c + 3)) {
            continue;
        }
        const PairContact plain = FindPairContact(c, it, c + 3, iu);
        ASSERT_EQ(plain.kind, FindPairContact(c, it, c + 3, iu, nullptr, true).kind) << round;
        ++kinds[static_cast<int>(plain.kind)];
    }
    EXPECT_GT(std::min({kinds[0], kinds[1], kinds[3]}), 20)
        << kinds[0] << " " << kinds[1] << " " << kinds[2] << " " << kinds[3];
}

TEST(Arrangement, CleanMeshesComeOutUnchanged)
{
    TestMesh meshes[] = {testing::Torus(12, 6), testing::Join({testing::Box(0, 1), testing::Box(2, 3)}),
                         testing::Grid(5), testing::Fan(16), testing::Copies(3, true)};
    for (TestMesh& m : meshes) {
        const Arrangement out = Arranged(m);
        EXPECT_TRUE(out.resolved);
        EXPECT_EQ(1u, out.rounds);
        EXPECT_TRUE(out.segments.empty());
        ASSERT_EQ(m.points.size(), out.points.size());
        ASSERT_EQ(m.triangles.size(), out.triangles.size());
        EXPECT_EQ(0, std::memcmp(out.points.data(), m.points.data(), m.points.size() * sizeof(T3DVECF)));
        EXPECT_EQ(0, std::memcmp(out.triangles.data(), m.triangles.data(), m.triangles.size() * sizeof(TRIANGLE)));
    }
}

TEST(Arrangement, RandomSoupsOfRealCoordinates)
{
    // Rounded intersection points: the rounds must still end resolved.
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        TestMesh m = testing::RandomSoup(30, 10.0, seed);
        const Arrangement out = Arranged(m);
        ExpectProperArrangement(m, out);
        EXPECT_FALSE(out.segments.empty());
    }
}

std::vector<std::pair<uint32_t, uint32_t>> Sorted(const WorkArray<std::pair<uint32_t, uint32_t>>& pairs)
{
    std::vector<std::pair<uint32_t, uint32_t>> r;
    for (const auto& [a, b] : pairs) {
        r.emplace_back(std::min(a, b), std::max(a, b));
    }
    std::sort(r.begin(), r.end());
    return r;
}

// Eleven triangles round (1,1,1), rim points 1 to 2^32 away, winding
// twice round it and crossing near it: rounding makes each round's pieces
// cross more than the last's.
TestMesh FoldedFan()
{
    const double g = 4294967296.0;
    TestMesh fan = testing::MeshOf({{1, 1, 1}, {2, 1, 1}, {2, 2, 1}, {1, 2, 1}, {g - 1, 1, 0}, {2, g, 1}, {3, 1, 1},
                                    {1, 3, 2}, {g - 1, 3, 0}, {g, 1, 2}, {g - 1, g - 1, 1}, {1, g - 1, 0}});
    for (uint32_t k = 1; k <= 11; ++k) {
        fan.AddTriangle(0, k, k % 11 + 1);
    }
    return fan;
}

TEST(Arrangement, RoundsThatMultiplyContactsStopWithThemListed)
{
    // Rounds go on until one finds more pairs than the cap and stops.
    // Whatever is left is listed, exactly.
    TestMesh fan = FoldedFan();
    const Arrangement out = Arranged(fan);
    EXPECT_LE(out.rounds, kMaxRounds);
    EXPECT_EQ(0, std::memcmp(out.points.data(), fan.points.data(), fan.points.size() * sizeof(T3DVECF)));
    EXPECT_EQ(out.resolved, out.unresolved.empty());
    // Every pair left is a contact, and the rounds' search (which skips
    // pairs the last round left alone, and takes points of equal
    // coordinates as one) left none out.
    const auto left = Sorted(out.unresolved);
    const auto contacts = ContactsOf(out);
    EXPECT_TRUE(std::includes(contacts.begin(), contacts.end(), left.begin(), left.end()));
    RoundResult full;
    RunRound(out.points, out.triangles, RoundMode::Check, full);
    EXPECT_EQ(left, Sorted(full.pairs));
    // The cap itself: over it, a round arranges nothing and lists its pairs.
    Arrangement in;
    in.points.assign(fan.points.begin(), fan.points.end());
    in.triangles.assign(fan.triangles.begin(), fan.triangles.end());
    EXPECT_GT(RunRound(in.points, in.triangles, RoundMode::Arrange, full, nullptr, 0), 0);
    EXPECT_TRUE(full.overLimit);
    EXPECT_TRUE(full.triangles.empty());
    EXPECT_EQ(Sorted(full.pairs), ContactsOf(in));
}

TEST(Arrangement, FirstRoundThenTheRestIsArrange)
{
    TestMesh fan = FoldedFan();
    const Arrangement whole = Arranged(fan);
    Arrangement half;
    ASSERT_EQ(kArranged, ArrangeFirstRound(fan.Record(), half));
    ASSERT_TRUE(half.unchecked);
    EXPECT_FALSE(half.resolved);
    EXPECT_EQ(1u, half.rounds);
    // Rounding made its pieces cross: checked whole, it is not settled.
    const auto count = static_cast<uint32_t>(half.triangles.size());
    EXPECT_FALSE(SettleIfClean(half, half.triangles.data(), count));
    EXPECT_TRUE(half.unchecked);
    // One piece alone meets nothing.
    Arrangement one = half;
    EXPECT_TRUE(SettleIfClean(one, one.triangles.data(), 1));
    EXPECT_TRUE(one.resolved);
    EXPECT_FALSE(one.unchecked);
    EXPECT_EQ(2u, one.rounds);
    EXPECT_FALSE(SettleIfClean(one, one.triangles.data(), 1));  // settled once only
    // The rest runs as Arrange runs it.
    ASSERT_EQ(kArranged, FinishArrange(half));
    EXPECT_FALSE(half.unchecked);
    EXPECT_EQ(whole.rounds, half.rounds);
    EXPECT_EQ(whole.resolved, half.resolved);
    ASSERT_EQ(whole.points.size(), half.points.size());
    ASSERT_EQ(whole.triangles.size(), half.triangles.size());
    EXPECT_EQ(0, std::memcmp(whole.points.data(), half.points.data(), whole.points.size() * sizeof(T3DVECF)));
    EXPECT_EQ(0, std::memcmp(whole.triangles.data(), half.triangles.data(), whole.triangles.size() * sizeof(TRIANGLE)));
    EXPECT_EQ(Sorted(whole.unresolved), Sorted(half.unresolved));
    ASSERT_EQ(whole.segments.size(), half.segments.size());
    EXPECT_EQ(0, std::memcmp(whole.segments.data(), half.segments.data(), whole.segments.size() * sizeof(Segment)));
}

TEST(Arrangement, EntryCodes)
{
    TestMesh bad = testing::MeshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3}});
    Arrangement out;
    EXPECT_EQ(kArrangeBadIndex, Arrange(bad.Record(), out));
    bad.triangles[0].c = 2;
    bad.points[2].x = std::nan("");
    EXPECT_EQ(kArrangeNonFinite, Arrange(bad.Record(), out));
    EXPECT_TRUE(out.triangles.empty());
    for (const MeshRecord missing : {MeshRecord{nullptr, 1, nullptr, 0}, MeshRecord{bad.points.data(), 3, nullptr, 1}}) {
        EXPECT_EQ(kArrangeNoMesh, Arrange(missing, out));
    }
    // A coordinate of a triangle is 0 or of a size from 2^-200 to 2^200;
    // a point no triangle names may be anything finite.
    const struct {
        double v;
        int code;
    } sizes[] = {{0x1p200, kArranged},
                 {-0x1p-200, kArranged},
                 {std::nextafter(0x1p200, 0x1p201), kArrangeOutOfRange},
                 {-std::nextafter(0x1p-200, 0.0), kArrangeOutOfRange},
                 {std::nextafter(0.0, 1.0), kArrangeOutOfRange}};
    for (const auto& [v, code] : sizes) {
        for (const bool onZ : {false, true}) {
            TestMesh m = testing::MeshOf({{0, 0, 0}, {1, onZ ? 0 : v, onZ ? v : 0}, {0, 1, 1}, {1e300, 0, 0}},
                                         {{0, 1, 2}});
            EXPECT_EQ(code, Arrange(m.Record(), out)) << v << " " << onZ;
        }
    }
}

// Rounding a quotient must agree with IEEE division (correctly rounded, ties
// to even) whatever common factor the fraction carries: none, or one of
// over 128 bits that the fast path truncates. Odd 54-bit numbers over 2 are
// exact ties; comparisons must agree with those of the doubles, and
// differences of doubles formed on one word with those of dyadics.
TEST(Arrangement, ExactRoundingComparisonAndDifferenceMatchDoubles)
{
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-1080, 1000);
    auto random = [&] { return std::ldexp(unit(rng), exponent(rng) / 8 * (rng() % 9 == 0 ? 8 : 1)); };
    for (int k = 0; k < 20000; ++k) {
        const Dyadic factor = k % 2 == 0 ? Dyadic::FromDouble(1.0)
                                         : Dyadic::FromDouble(random()) * Dyadic::FromDouble(random()) *
                                               Dyadic::FromDouble(unit(rng));
        const Dyadic square = factor * factor;
        const double x = random();
        const double y = random();
        if (square.IsZeroValue()) {
            continue;
        }
        if (y > 0.0 && std::isfinite(x / y)) {
            EXPECT_EQ(x / y, RoundQuotient(Dyadic::FromDouble(x) * square, Dyadic::FromDouble(y) * square))
                << x << " / " << y;
        }
        EXPECT_EQ((x > y) - (x < y), Compare(Dyadic::FromDouble(x) * square, Dyadic::FromDouble(y) * square));
        const double near = std::ldexp(unit(rng), std::ilogb(x == 0.0 ? 1.0 : x) + static_cast<int>(rng() % 21) - 10);
        for (const double other : {y, near}) {
            const Dyadic exact = Dyadic::Difference(x, other);
            const Dyadic reference = Dyadic::FromDouble(x) - Dyadic::FromDouble(other);
            EXPECT_EQ(0, Compare(exact, reference)) << x << " - " << other;
            EXPECT_EQ(reference.exponent, exact.exponent) << x << " - " << other;
        }
        const uint64_t odd = (rng() >> 11) | (1ull << 53) | 1u;
        const Dyadic tie{BigInt::FromUnsigned(odd, false), exponent(rng) / 2};
        EXPECT_EQ(std::ldexp(static_cast<double>(odd), tie.exponent - 1),
                  RoundQuotient(tie * square, Dyadic::FromDouble(2.0) * square));
    }
}

// Places of round coordinates (a 32^3 grid of multiples of 1/8, as on the
// faces of machined parts) spread over the low bits a flat map takes its
// slot from: at least 70 % of them land in slots of their own, as random
// keys would, where a plain product put them all in a few.
TEST(Arrangement, PlacesOfRoundCoordinatesSpreadOverTheSlots)
{
    std::set<size_t> slots;
    const size_t mask = (size_t{1} << 16) - 1;
    for (int x = 0; x < 32; ++x) {
        for (int y = 0; y < 32; ++y) {
            for (int z = 0; z < 32; ++z) {
                const double place[3] = {x / 8.0, y / 8.0 - 2.0, z / 8.0};
                slots.insert(PlaceHash{}(PlaceKey::Of(place)) & mask);
            }
        }
    }
    EXPECT_GT(slots.size(), 32u * 32 * 32 * 7 / 10);
}

// The interval bounds' next doubles agree with std::nextafter on zeros,
// subnormals, the largest doubles, infinities and random values.
TEST(Arrangement, NextDoublesMatchTheLibrary)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double max = std::numeric_limits<double>::max();
    const double tiny = std::numeric_limits<double>::denorm_min();
    std::mt19937_64 rng(11);
    std::vector<double> values = {0.0, -0.0, tiny, -tiny, max, -max, inf, -inf, 1.0, -1.0, 2.0 * tiny};
    for (int k = 0; k < 2000; ++k) {
        values.push_back(std::ldexp(std::uniform_real_distribution<double>(-1.0, 1.0)(rng), int(rng() % 2100) - 1075));
    }
    for (double v : values) {
        EXPECT_EQ(std::bit_cast<uint64_t>(std::nextafter(v, -inf)), std::bit_cast<uint64_t>(Down(v))) << v;
        EXPECT_EQ(std::bit_cast<uint64_t>(std::nextafter(v, inf)), std::bit_cast<uint64_t>(Up(v))) << v;
    }
    EXPECT_TRUE(std::isnan(Down(std::nan(""))) && std::isnan(Up(std::nan(""))));
}

// The box of an edge's crossing with a plane holds the exact crossing (its
// rounded coordinates, which lie between the same doubles), for random
// coordinates of mixed scales, segments nearly in the plane and planes of
// nearly collinear corners; comparisons by the crossing's recipe agree with
// exact arithmetic.
// The orientation by exact arithmetic alone, no filter and no recipe.
int ExactOrient2D(const ExactPoint& a, const ExactPoint& b, const ExactPoint& c, int i, int j)
{
    const Dyadic bc = Numerator(b, j) * Denominator(c) - Denominator(b) * Numerator(c, j);
    const Dyadic bd = Numerator(b, i) * Denominator(c) - Denominator(b) * Numerator(c, i);
    const Dyadic be = Numerator(b, i) * Numerator(c, j) - Numerator(b, j) * Numerator(c, i);
    return (Numerator(a, i) * bc - Numerator(a, j) * bd + Denominator(a) * be).Sign();
}

TEST(Arrangement, SegmentPlaneBoxesHoldTheExactCrossing)
{
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int checked = 0;
    for (int k = 0; k < 20000; ++k) {
        const double scale = std::ldexp(1.0, static_cast<int>(rng() % 80) - 40);
        auto point = [&] { return T3DVECF{scale * unit(rng), scale * unit(rng), scale * unit(rng)}; };
        T3DVECF c[5] = {point(), point(), point(), point(), point()};
        if (k % 3 == 1) {  // a segment nearly in the plane's corner c[0]
            c[4] = T3DVECF{c[3].x + 1e-12 * scale * unit(rng), c[3].y, c[0].z + 1e-13 * scale * unit(rng)};
            c[3].z = c[0].z - 1e-13 * scale;
        } else if (k % 3 == 2) {  // corners nearly on one line
            c[2] = T3DVECF{(c[0].x + c[1].x) / 2, (c[0].y + c[1].y) / 2, (c[0].z + c[1].z) / 2 + 1e-14 * scale};
        }
        if (Orient3DExact(c[0], c[1], c[2], c[3]).Sign() * Orient3DExact(c[0], c[1], c[2], c[4]).Sign() >= 0) {
            continue;
        }
        Interval box[3];
        SegmentPlaneBox(c[3], c[4], c[0], c[1], c[2], box);
        const ExactPoint exact = SegmentPlanePoint(c[3], c[4], c[0], c[1], c[2]);
        for (int a = 0; a < 3; ++a) {
            EXPECT_TRUE(box[a].lo <= exact.rounded[a] && exact.rounded[a] <= box[a].hi) << k << " " << a;
        }
        // Comparisons by recipe (ids k for c[k]) agree with exact arithmetic:
        // the crossing is on line c3 c4 and not on c3 c0; built the other
        // way round it is the same point.
        ExactPoint named = exact;
        ExactPoint reversed = SegmentPlanePoint(c[4], c[3], c[2], c[0], c[1]);
        const uint32_t plane[3] = {0, 1, 2};
        const uint32_t turned[3] = {2, 0, 1};
        SetRecipe(named, 3, 4, plane);
        SetRecipe(reversed, 4, 3, turned);
        // Packed into a registry, the point comes back bit for bit, and
        // built the other way round it is found under the same id.
        PointRegistry registry(c, 5);
        const uint32_t id = registry.Add(named);
        EXPECT_EQ(registry.Add(reversed), id) << k;
        const ExactPoint back = registry.Get(id);
        EXPECT_EQ(std::memcmp(back.rounded, named.rounded, sizeof back.rounded), 0) << k;
        EXPECT_TRUE(!back.input && std::equal(&back.lines[0][0], &back.lines[0][0] + 4, &named.lines[0][0]) &&
                    std::equal(back.plane, back.plane + 3, named.plane)) << k;
        for (int a = 0; a < 4; ++a) {
            const Dyadic& got = a < 3 ? back.x[a] : back.w;
            const Dyadic& kept = a < 3 ? named.x[a] : named.w;
            EXPECT_TRUE(Compare(got, kept) == 0 && got.exponent == kept.exponent &&
                        got.mantissa.LimbCount() == kept.mantissa.LimbCount()) << k << " " << a;
        }
        const ExactPoint p3 = InputPoint(c[3], 3);
        const ExactPoint p4 = InputPoint(c[4], 4);
        const ExactPoint p0 = InputPoint(c[0], 0);
        // An input point a few units in the last place off the crossing, in
        // a random direction: orientations of hair's breadth, for the
        // filter in doubles to decide rightly or leave to exact arithmetic.
        T3DVECF near{};
        for (int a = 0; a < 3; ++a) {
            double v = exact.rounded[a];
            for (uint64_t step = rng() % 4, up = rng() % 2; step > 0; --step) {
                v = std::nextafter(v, up != 0 ? HUGE_VAL : -HUGE_VAL);
            }
            (&near.x)[a] = v;
        }
        const ExactPoint nearby = InputPoint(near, 5);
        for (int a = 0; a < 3; ++a) {
            const int i = a, j = (a + 1) % 3;
            for (const auto& [x, y, z] : {std::array{&p3, &p4, &exact}, std::array{&p3, &exact, &nearby},
                                          std::array{&nearby, &p4, &p3}, std::array{&exact, &p0, &nearby}}) {
                EXPECT_EQ(Orient2D(*x, *y, *z, i, j), ExactOrient2D(*x, *y, *z, i, j)) << k;
            }
            EXPECT_EQ(Orient2D(p3, p4, exact, a, (a + 1) % 3), Orient2D(p4, named, p3, a, (a + 1) % 3)) << k;
            EXPECT_EQ(Orient2D(p3, p0, exact, a, (a + 1) % 3), Orient2D(p3, p0, named, a, (a + 1) % 3)) << k;
            EXPECT_EQ(CompareCoordinate(exact, SegmentPlanePoint(c[4], c[3], c[2], c[0], c[1]), a),
                      CompareCoordinate(named, reversed, a)) << k;
        }
        ++checked;
    }
    EXPECT_GT(checked, 5000);
    // Points a few units off the line through (12, 12) and (24, 24), where
    // the determinant in doubles often has the wrong sign.
    for (int k = 0; k < 64 * 64; ++k) {
        const ExactPoint p = InputPoint(T3DVECF{0.5 + (k % 64) * 0x1p-53, 0.5 + (k / 64) * 0x1p-53, 0.0}, 0);
        const ExactPoint q = InputPoint(T3DVECF{12.0, 12.0, 0.0}, 1);
        const ExactPoint r = InputPoint(T3DVECF{24.0, 24.0, 0.0}, 2);
        EXPECT_EQ(Orient2D(p, q, r, 0, 1), ExactOrient2D(p, q, r, 0, 1)) << k;
    }
}

// A large triangle (0) in z = 0 that `count` small ones cross, many of
// them crossing one another too: more segments on one plane than the plain
// loops take.
TestMesh PlateCrossedBy(uint32_t count, uint32_t seed)
{
    TestMesh m;
    m.points = {{0, 0, 0}, {40, 0, 0}, {0, 40, 0}};
    m.triangles = {{0, 1, 2}};
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> at(2.0, 18.0), near(-3.0, 3.0);
    for (uint32_t k = 0; k < count; ++k) {
        const double x = at(rng), y = at(rng);
        const auto base = static_cast<uint32_t>(m.points.size());
        m.points.push_back({x + near(rng), y + near(rng), 1.0 + std::fabs(near(rng))});
        m.points.push_back({x + near(rng), y + near(rng), -1.0 - std::fabs(near(rng))});
        m.points.push_back({x + near(rng), y + near(rng), near(rng)});
        m.triangles.push_back({base, base + 1, base + 2});
    }
    return m;
}

// Rounds against their plain forms: segments split at the ends and lone
// points only against every point tested, pairs of triangles the previous
// round left untouched skipped against all pairs tested, points' recipes
// used against exact arithmetic alone, and on a plane with many segments
// the pairs of them found by a search of their boxes against every pair
// tested. Rounds of grid soups (coplanar clusters, touching ends, triple
// crossings), of real coordinates, of crossing spheres and of a plate
// crossed by many parts give the same bits.
TEST(Arrangement, RoundsMatchTheirPlainForms)
{
    int split = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        // Every fifth: closed spheres, whose edges each cross a plane from
        // both their triangles (one recipe found twice). Every seventh: the
        // plate.
        TestMesh m = seed % 5 == 0 ? testing::Join({testing::Sphere(6 + seed % 7, 5, 1.0),
                                                     testing::Sphere(7, 6, 0.9, 0.3 + 0.01 * seed, 0.2, 0.1)})
                     : seed % 7 == 0 ? PlateCrossedBy(60 + seed, seed)
                                     : testing::RandomSoup(12 + seed % 20, 10.0, seed);
        if (seed % 2 == 0 && seed % 5 != 0) {
            for (T3DVECF& p : m.points) {
                p = {std::round(p.x / 4), std::round(p.y / 4), seed % 4 == 0 ? 0.0 : std::round(p.z / 4)};
            }
        }
        WorkArray<T3DVECF> points(m.points.begin(), m.points.end());
        WorkArray<TRIANGLE> triangles(m.triangles.begin(), m.triangles.end());
        WorkArray<uint8_t> changed;
        for (int round = 0; round < 3; ++round) {
            RoundResult fast;
            RoundResult plain;
            const int64_t found = RunRound(points, triangles, RoundMode::Arrange, fast, round == 0 ? nullptr : &changed);
            ASSERT_EQ(found, RunRound(points, triangles, RoundMode::ArrangeTestingEveryPoint, plain));
            if (found <= 0) {
                break;
            }
            ASSERT_EQ(plain.points.size(), fast.points.size());
            EXPECT_EQ(0, std::memcmp(plain.points.data(), fast.points.data(), plain.points.size() * sizeof(T3DVECF)));
            ASSERT_EQ(plain.triangles.size(), fast.triangles.size());
            EXPECT_EQ(0, std::memcmp(plain.triangles.data(), fast.triangles.data(),
                                     plain.triangles.size() * sizeof(TRIANGLE)));
            EXPECT_EQ(plain.from, fast.from);
            EXPECT_EQ(plain.pairs, fast.pairs);
            EXPECT_EQ(plain.changed, fast.changed);
            split += fast.triangles.size() > triangles.size();
            // (At 28 the plate is flattened: one coplanar cluster of all
            // its edges, and no segment.)
            if (seed % 7 == 0 && seed % 5 != 0 && seed != 28 && round == 0) {
                EXPECT_GT(std::count_if(fast.segments.begin(), fast.segments.end(),
                                        [](const Segment& g) { return g.triA == 0 || g.triB == 0; }),
                          48);
            }
            changed = std::move(fast.changed);
            points = std::move(fast.points);
            triangles = std::move(fast.triangles);
            // A new triangle through the others, the only one changed with
            // the pieces, so that the next round has contacts to find.
            const TRIANGLE& t = m.triangles[rng() % m.triangles.size()];
            const auto base = static_cast<uint32_t>(points.size());
            for (const uint32_t v : {t.a, t.b, t.c}) {
                const T3DVECF& p = m.points[v];
                points.push_back({p.z + 0.5, p.x - 0.25, p.y});
            }
            triangles.push_back({base, base + 1, base + 2});
            changed.push_back(1);
        }
    }
    EXPECT_GT(split, 30);
}

// Every overlapping pair of boxes once, against all pairs tried: random
// boxes on a coarse grid (many that only touch), some with a NaN bound;
// with a mask, the same walk with only the pairs of a wanted box, in the
// same order.
TEST(Arrangement, BoxPairsAreTheOverlappingOnesOnce)
{
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        WorkArray<Box> boxes(seed * 7);
        WorkArray<uint8_t> wanted(boxes.size());
        for (size_t k = 0; k < boxes.size(); ++k) {
            for (int a = 0; a < 3; ++a) {
                boxes[k].lo[a] = static_cast<double>(rng() % 8);
                boxes[k].hi[a] = boxes[k].lo[a] + static_cast<double>(rng() % 3);
            }
            if (rng() % 13 == 0) {
                boxes[k].hi[rng() % 3] = std::nan("");
            }
            wanted[k] = rng() % 5 == 0;
        }
        std::vector<std::pair<uint32_t, uint32_t>> all;
        std::vector<std::pair<uint32_t, uint32_t>> some;
        const BoxPairs pairs(boxes);
        pairs.ForEach([&](uint32_t i, uint32_t j) { all.push_back({i, j}); });
        pairs.ForEach([&](uint32_t i, uint32_t j) { some.push_back({i, j}); }, &wanted);
        std::vector<std::pair<uint32_t, uint32_t>> expected;
        std::vector<std::pair<uint32_t, uint32_t>> filtered;
        for (const auto& [i, j] : all) {
            if (wanted[i] != 0 || wanted[j] != 0) {
                filtered.push_back({i, j});
            }
        }
        EXPECT_EQ(filtered, some);
        for (uint32_t i = 0; i < boxes.size(); ++i) {
            for (uint32_t j = i + 1; j < boxes.size(); ++j) {
                const bool finite = std::isfinite(boxes[i].hi[0] + boxes[i].hi[1] + boxes[i].hi[2]) &&
                                    std::isfinite(boxes[j].hi[0] + boxes[j].hi[1] + boxes[j].hi[2]);
                if (finite && BoxesOverlap(boxes[i], boxes[j])) {
                    expected.push_back({i, j});
                }
            }
        }
        for (auto& [i, j] : all) {
            ASSERT_NE(i, j);
            if (i > j) {
                std::swap(i, j);
            }
        }
        std::sort(all.begin(), all.end());
        EXPECT_EQ(expected, all);
    }
}

// Points inserted with the grid's starts against one by one from the last
// triangle made, flipping: the same triangles in the same slots. Grid
// points fall on edges often, where either triangle of the edge may be
// reached first.
TEST(ConstrainedTriangulation, InsertPointsMatchesOneByOne)
{
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        WorkArray<ExactPoint> points;
        const uint32_t span = 12 + 2 * seed;
        for (uint32_t k = 0; k < 60 + 30 * seed; ++k) {
            const T3DVECF p = seed % 4 == 0 ? T3DVECF{std::ldexp(double(rng()), -32), std::ldexp(double(rng()), -32), 0}
                                            : T3DVECF{double(rng() % span), double(rng() % span), 0};
            points.push_back(InputPoint(p, kNoId));
        }
        const auto real = static_cast<uint32_t>(points.size());
        for (const T3DVECF corner : {T3DVECF{-99, -99, 0}, T3DVECF{99, -99, 0}, T3DVECF{0, 99, 0}}) {
            points.push_back(InputPoint(corner, kNoId));
        }
        ConstrainedTriangulation grid(points, 0, 1, real, real + 1, real + 2);
        ConstrainedTriangulation plain(points, 0, 1, real, real + 1, real + 2);
        ASSERT_TRUE(grid.InsertPoints(0, real));
        for (uint32_t p = 0; p < real; ++p) {
            ASSERT_TRUE(plain.InsertPoint(p, true));
        }
        EXPECT_EQ(plain.Triangles(), grid.Triangles());
    }
}

// Shape improvement by marked edges against the plain passes, flip for
// flip: random points of a small grid, spaced by 0.5 (circle tests exact)
// or by 0.1, or on a circle (cocircular fours whose rounded tests flip back
// and forth, in cycles, up to the bound), random constraints, and bounds
// from none to 4096 flips, past which only the cycling cases go on.
TEST(ConstrainedTriangulation, ImproveShapesMatchesThePlainPasses)
{
    int improved = 0;
    for (uint32_t seed = 1; seed <= 90; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        const double step = seed % 3 == 1 ? 0.5 : 0.1;
        WorkArray<ExactPoint> points;
        for (uint32_t k = 0; k < 4 + seed % 40; ++k) {
            const double angle = 0.1 * static_cast<double>(rng() % 63);
            const T3DVECF p = seed % 3 == 0 ? T3DVECF{std::cos(angle), std::sin(angle), 0.0}
                                            : T3DVECF{step * (rng() % (2 + seed % 7)), step * (rng() % (2 + seed % 7)), 0.0};
            const ExactPoint e = InputPoint(p, kNoId);
            if (std::none_of(points.begin(), points.end(), [&](const ExactPoint& q) { return SamePoint(q, e); })) {
                points.push_back(e);
            }
        }
        const auto real = static_cast<uint32_t>(points.size());
        for (const T3DVECF corner : {T3DVECF{-99, -99, 0}, T3DVECF{99, -99, 0}, T3DVECF{0, 99, 0}}) {
            points.push_back(InputPoint(corner, kNoId));
        }
        ConstrainedTriangulation start(points, 0, 1, real, real + 1, real + 2);
        for (uint32_t p = 0; p < real; ++p) {
            ASSERT_TRUE(start.InsertPoint(p));
        }
        // Constraints that hold no point and cross no earlier one.
        auto turn = [&](uint32_t a, uint32_t b, uint32_t c) { return Orient2D(points[a], points[b], points[c], 0, 1); };
        std::vector<std::array<uint32_t, 2>> kept;
        for (int k = 0; k < 10 && real > 1; ++k) {
            const uint32_t a = rng() % real;
            const uint32_t b = rng() % real;
            bool fine = a != b;
            for (uint32_t p = 0; p < real && fine; ++p) {
                const int axis = CompareCoordinate(points[a], points[b], 0) != 0 ? 0 : 1;
                fine = turn(a, b, p) != 0 ||
                       CompareCoordinate(points[p], points[a], axis) * CompareCoordinate(points[p], points[b], axis) >= 0;
            }
            for (const auto& e : kept) {
                fine = fine && !(turn(a, b, e[0]) * turn(a, b, e[1]) < 0 && turn(e[0], e[1], a) * turn(e[0], e[1], b) < 0);
            }
            if (fine) {
                ASSERT_TRUE(start.InsertSegment(a, b));
                kept.push_back({a, b});
            }
        }
        for (const size_t bound : {size_t{0}, size_t{1}, size_t{4}, size_t{seed}, size_t{5} * seed, size_t{1} << 12}) {
            ConstrainedTriangulation fast = start;
            ConstrainedTriangulation plain = start;
            fast.ImproveShapes(bound);
            plain.ImproveShapesByPasses(bound);
            ASSERT_EQ(plain.Triangles(), fast.Triangles()) << bound;
            improved += fast.Triangles() != start.Triangles();
        }
    }
    EXPECT_GT(improved, 100);
}

}  // namespace
}  // namespace meshaudit::arrangement
