// Segment/triangle and triangle/triangle tests: touchy hand cases, then random
// pairs against an exact separating-axis decision.
#include "geometry/TriangleIntersection.h"

#include "geometry/ExactReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace meshaudit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// t2 against t1 in every order: both argument orders, every cyclic rotation
// and the reversal of each triangle must give the same answer.
void ExpectPair(const T3DVECF* t1, const T3DVECF* t2, char expected, const char* what)
{
    for (int r1 = 0; r1 < 3; ++r1) {
        for (int r2 = 0; r2 < 3; ++r2) {
            for (int flip = 0; flip < 4; ++flip) {
                T3DVECF a[3];
                T3DVECF b[3];
                for (int k = 0; k < 3; ++k) {
                    const int i1 = (flip & 1) ? (r1 + 3 - k) % 3 : (r1 + k) % 3;
                    const int i2 = (flip & 2) ? (r2 + 3 - k) % 3 : (r2 + k) % 3;
                    a[k] = t1[i1];
                    b[k] = t2[i2];
                }
                ASSERT_EQ(TriTriIntersect(a, b), expected) << what << " " << r1 << r2 << flip;
                ASSERT_EQ(TriTriIntersect(b, a), expected) << what << " swapped " << r1 << r2 << flip;
            }
        }
    }
}

// ---- SegTriIntersect ------------------------------------------------------------

struct SegCase {
    T3DVECF p, q;
    char expected;
    const char* what;
};

// Against the triangle (0,0,0), (4,0,0), (0,4,0) in z = 0, in both directions.
TEST(SegTriIntersect, HandCases)
{
    const T3DVECF triangle[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    const double below = std::nextafter(0.0, -1.0);
    const SegCase cases[] = {
        {{1, 1, -1}, {1, 1, 1}, '1', "strict crossing"},
        {{1, 1, -1}, {3, 3, 1}, '1', "crossing at (2, 2, 0) on the hypotenuse"},
        {{3, 3, -1}, {3, 3, 1}, '0', "crosses the plane outside"},
        {{-1, 1, -1}, {-1, 1, 5}, '0', "crosses the plane outside, beside (c, a)"},
        {{2, 0, -1}, {2, 0, 1}, '1', "through the edge (a, b)"},
        {{1, -1, -1}, {1, 1, 1}, '1', "slanted, through (1, 0, 0)"},
        {{0, 2, -3}, {0, 2, 3}, '1', "through the edge (c, a)"},
        {{0, 0, -1}, {0, 0, 1}, '1', "through corner a"},
        {{5, -1, -1}, {3, 1, 1}, '1', "through corner b, slanted"},
        {{-1, 5, 1}, {1, 3, -1}, '1', "through corner c"},
        {{2, below, -1}, {2, below, 1}, '0', "one ulp outside the edge (a, b)"},
        {{below, below, -1}, {below, below, 1}, '0', "one ulp outside corner a"},
        {{1, 1, 0}, {1, 1, 5}, '1', "end on the plane inside"},
        {{2, 0, 0}, {7, 7, 5}, '1', "end on an edge"},
        {{4, 0, 0}, {7, 7, -5}, '1', "end on a corner"},
        {{5, 5, 0}, {1, 1, 5}, '0', "end on the plane outside"},
        {{1, 1, 0}, {9, 9, 0}, '1', "in the plane, starts inside"},
        {{-1, 1, 0}, {9, 1, 0}, '1', "in the plane, passes through"},
        {{-1, 0, 0}, {9, 0, 0}, '1', "in the plane, along an edge"},
        {{5, 0, 0}, {9, 0, 0}, '0', "in the plane, on an edge's line beyond"},
        {{3, 3, 0}, {9, 1, 0}, '0', "in the plane, outside"},
        {{4, 0, 0}, {9, 1, 0}, '1', "in the plane, touching a corner"},
        {{1, 1, 1}, {2, 1, 1}, '0', "parallel above the plane"},
        {{-5, -5, 1e-300}, {5, 5, 1e-300}, '0', "parallel, just above the plane"},
    };
    for (const SegCase& c : cases) {
        const T3DVECF forward[2] = {c.p, c.q};
        const T3DVECF backward[2] = {c.q, c.p};
        EXPECT_EQ(SegTriIntersect(forward, triangle), c.expected) << c.what;
        EXPECT_EQ(SegTriIntersect(backward, triangle), c.expected) << c.what << " (reversed)";
    }
}

// A NaN corner makes every orientation 0 and the projection axis undefined:
// '0'. A NaN end has orientation 0 against everything, so with the other end
// off the plane it looks like a boundary point: '1'.
TEST(SegTriIntersect, NaNTriangleOrEnd)
{
    const T3DVECF finite[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    const T3DVECF withNaN[3] = {{0, 0, 0}, {4, 0, kNaN}, {0, 4, 0}};
    const T3DVECF crossing[2] = {{1, 1, -1}, {1, 1, 1}};
    const T3DVECF inPlane[2] = {{1, 1, 0}, {2, 1, 0}};
    EXPECT_EQ(SegTriIntersect(crossing, withNaN), '0');
    EXPECT_EQ(SegTriIntersect(inPlane, withNaN), '0');
    const T3DVECF halfNaN[2] = {{kNaN, 1, 1}, {1, 1, 5}};
    const T3DVECF bothNaN[2] = {{kNaN, 1, 1}, {1, kNaN, 5}};
    EXPECT_EQ(SegTriIntersect(halfNaN, finite), '1');
    EXPECT_EQ(SegTriIntersect(bothNaN, finite), '1');
}

// ---- TriTriIntersect: the configurations that matter ----------------------

struct TriCase {
    T3DVECF t1[3];
    T3DVECF t2[3];
    char expected;
    const char* what;
};

TEST(TriTriIntersect, HandCasesInEveryOrder)
{
    const T3DVECF s[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    const T3DVECF tilted[3] = {{4, 0, 0}, {0, 4, 0}, {0, 0, 4}};  // x + y + z = 4, projected along x
    const T3DVECF needle[3] = {{1, 1, -1}, {1, 1, 1}, {1, 1, 3}};
    const TriCase cases[] = {
        {{s[0], s[1], s[2]}, {{0, 0, 1}, {4, 0, 1}, {0, 4, 1}}, '0', "parallel at distance 1"},
        {{s[0], s[1], s[2]}, {{0, 0, std::nextafter(0.0, 1.0)}, {4, 0, 1e-300}, {0, 4, 1e-310}}, '0',
         "parallel, just above"},
        {{s[0], s[1], s[2]}, {{1, 1, 0}, {1, 1, 5}, {2, 3, 7}}, '1', "only a corner on the face"},
        {{s[0], s[1], s[2]}, {{1, 1, 0}, {1, 2, -5}, {2, 3, 7}}, '1', "corner on the face, crossing"},
        {{s[0], s[1], s[2]}, {{1, 1, 1e-9}, {1, 1, 5}, {2, 3, 7}}, '0', "corner just above the face"},
        {{s[0], s[1], s[2]}, {{1, 1, -1}, {1, 1, 1}, {6, 6, 0.5}}, '1', "crossing"},
        {{s[0], s[1], s[2]}, {{1, 0, 0}, {3, 0, 0}, {2, 0, 5}}, '1', "part of edge (a, b) shared"},
        {{s[0], s[1], s[2]}, {{1, 1, 0}, {2, 1, 0}, {1, 1, 5}}, '1', "edge lying in the face"},
        {{s[0], s[1], s[2]}, {{4, 0, 0}, {0, 4, 0}, {5, 5, 3}}, '1', "common edge by coordinates"},
        {{s[0], s[1], s[2]}, {{2, -1, 0}, {2, 1, 0}, {2, 0, 3}}, '1', "edges cross in the plane"},
        {{s[0], s[1], s[2]}, {{2, 1, 0}, {6, 1, 0}, {2, 5, 0}}, '1', "coplanar overlap"},
        {{s[0], s[1], s[2]}, {{1, 1, 0}, {2, 1, 0}, {1, 2, 0}}, '1', "coplanar containment"},
        {{s[0], s[1], s[2]}, {{5, 0, 0}, {9, 0, 0}, {7, -3, 0}}, '0', "coplanar, apart on an edge line"},
        {{s[0], s[1], s[2]}, {{4, 0, 0}, {8, 0, 0}, {6, -3, 0}}, '1', "coplanar, touching at a corner"},
        {{s[0], s[1], s[2]}, {{2, 2, 0}, {5, 5, 0}, {6, 1, 0}}, '1', "coplanar, corner on hypotenuse"},
        {{s[0], s[1], s[2]}, {{3, 3, 0}, {5, 3, 0}, {3, 5, 0}}, '0', "coplanar apart"},
        {{tilted[0], tilted[1], tilted[2]}, {{2, 2, 0}, {0, 2, 2}, {-1, 3, 2}}, '1',
         "tilted coplanar, sharing a segment"},
        {{tilted[0], tilted[1], tilted[2]}, {{5, 0, -1}, {6, -1, -1}, {5, -1, 0}}, '0',
         "tilted coplanar apart"},
        {{{0.1, 0.2, 0.3}, {1.7, -0.4, 2.2}, {-3.3, 0.9, 1.0}},
         {{0.1, 0.2, 0.3}, {1.7, -0.4, 2.2}, {-3.3, 0.9, 1.0}}, '1', "identical"},
        // Zero-area triangles: a needle through the face, a point on it, both away.
        {{s[0], s[1], s[2]}, {needle[0], needle[1], needle[2]}, '1', "needle through the face"},
        {{s[0], s[1], s[2]}, {{1, 1, 0}, {1, 1, 0}, {1, 1, 0}}, '1', "point on the face"},
        {{s[0], s[1], s[2]}, {{9, 9, -1}, {9, 9, 1}, {9, 9, 3}}, '0', "needle away"},
        {{s[0], s[1], s[2]}, {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}}, '0', "point away"},
        {{needle[0], needle[1], needle[2]}, {{9, 9, -1}, {9, 9, 1}, {9, 9, 3}}, '0', "two needles"},
    };
    for (const TriCase& c : cases) {
        ExpectPair(c.t1, c.t2, c.expected, c.what);
    }
}

// A zero-area triangle is judged in its projection along x, blind to a gap in x.
TEST(TriTriIntersect, ZeroAreaTriangleIsJudgedInItsProjectionAlongX)
{
    const T3DVECF t1[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    const T3DVECF needle[3] = {{9, 1, -1}, {9, 1, 1}, {9, 1, 3}};  // beside t1 in x
    EXPECT_EQ(TriTriIntersect(t1, needle), '1');
    EXPECT_EQ(TriTriIntersect(needle, t1), '1');
}

// Nothing is decided against a NaN triangle, but NaN edge ends look like
// boundary points of a finite one.
TEST(TriTriIntersect, NaNCorners)
{
    const T3DVECF finite[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    const T3DVECF allNaN[3] = {{kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}};
    const T3DVECF oneNaN[3] = {{1, 1, 1}, {1, 1, 5}, {kNaN, 0, 0}};
    EXPECT_EQ(TriTriIntersect(allNaN, allNaN), '0');
    EXPECT_EQ(TriTriIntersect(oneNaN, oneNaN), '0');
    const T3DVECF edgeOfNaNs[2] = {allNaN[0], allNaN[1]};
    EXPECT_EQ(SegTriIntersect(edgeOfNaNs, allNaN), '0');
    EXPECT_EQ(SegTriIntersect(edgeOfNaNs, finite), '1');
    EXPECT_EQ(TriTriIntersect(finite, allNaN), '1');
    EXPECT_EQ(TriTriIntersect(allNaN, finite), '1');
    EXPECT_EQ(TriTriIntersect(finite, oneNaN), '1');
    EXPECT_EQ(TriTriIntersect(oneNaN, finite), '1');
}

// ---- Random pairs against an exact separating-axis decision --------------

struct Q3 {
    mpq_class x, y, z;
};

Q3 ToQ(const T3DVECF& p)
{
    return {mpq_class(p.x), mpq_class(p.y), mpq_class(p.z)};
}

Q3 Sub(const Q3& a, const Q3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Q3 CrossQ(const Q3& a, const Q3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

mpq_class Dot(const Q3& a, const Q3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

bool IsZero(const Q3& v)
{
    return sgn(v.x) == 0 && sgn(v.y) == 0 && sgn(v.z) == 0;
}

// Closed triangles are disjoint exactly when some axis separates them: both normals,
// the nine edge cross products, and each normal crossed with its own edges.
bool SeparatingAxisIntersect(const T3DVECF* t1, const T3DVECF* t2)
{
    Q3 p[3];
    Q3 q[3];
    for (int i = 0; i < 3; ++i) {
        p[i] = ToQ(t1[i]);
        q[i] = ToQ(t2[i]);
    }
    Q3 e[3];
    Q3 f[3];
    for (int i = 0; i < 3; ++i) {
        e[i] = Sub(p[(i + 1) % 3], p[i]);
        f[i] = Sub(q[(i + 1) % 3], q[i]);
    }
    const Q3 n = CrossQ(e[0], e[1]);
    const Q3 m = CrossQ(f[0], f[1]);
    Q3 axes[17];
    int count = 0;
    axes[count++] = n;
    axes[count++] = m;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            axes[count++] = CrossQ(e[i], f[j]);
        }
        axes[count++] = CrossQ(n, e[i]);
        axes[count++] = CrossQ(m, f[i]);
    }
    for (int k = 0; k < count; ++k) {
        if (IsZero(axes[k])) {
            continue;
        }
        mpq_class lo1 = Dot(axes[k], p[0]);
        mpq_class hi1 = lo1;
        mpq_class lo2 = Dot(axes[k], q[0]);
        mpq_class hi2 = lo2;
        for (int i = 1; i < 3; ++i) {
            const mpq_class a = Dot(axes[k], p[i]);
            const mpq_class b = Dot(axes[k], q[i]);
            lo1 = a < lo1 ? a : lo1;
            hi1 = a > hi1 ? a : hi1;
            lo2 = b < lo2 ? b : lo2;
            hi2 = b > hi2 ? b : hi2;
        }
        if (hi1 < lo2 || hi2 < lo1) {
            return false;
        }
    }
    return true;
}

std::string Describe(const T3DVECF* t)
{
    std::ostringstream out;
    out.precision(17);
    out << " [";
    for (int i = 0; i < 3; ++i) {
        out << "(" << t[i].x << ", " << t[i].y << ", " << t[i].z << ")";
    }
    out << "]";
    return out.str();
}

bool HasZeroArea(const T3DVECF* t)
{
    const Q3 a = ToQ(t[0]);
    return IsZero(CrossQ(Sub(ToQ(t[1]), a), Sub(ToQ(t[2]), a)));
}

class RandomPairs : public ::testing::Test {
protected:
    // Corners on a small integer grid, so that coplanar, touching and
    // edge-on-edge configurations are frequent; optionally some coordinates
    // moved by one ulp to just miss or just hit.
    void GridTriangle(T3DVECF* t, bool nudge)
    {
        for (int i = 0; i < 3; ++i) {
            double* c[3] = {&t[i].x, &t[i].y, &t[i].z};
            for (double* coordinate : c) {
                *coordinate = static_cast<double>(static_cast<int>(rng_() % 4)) * scale_ + shift_;
                // Zero is not nudged: its neighbours are subnormal, where
                // products underflow and no floating-point predicate is exact.
                if (nudge && *coordinate != 0.0 && rng_() % 4 == 0) {
                    *coordinate = testing::NudgeUlps(*coordinate, (rng_() % 2 == 0) ? 1 : -1);
                }
            }
        }
    }
    void NewScale()
    {
        scale_ = std::ldexp(1.0, static_cast<int>(rng_() % 40) - 20);
        shift_ = (rng_() % 2 == 0) ? 0.0 : std::ldexp(static_cast<double>(rng_() % 1000), -3);
    }
    std::mt19937_64 rng_{77};
    double scale_ = 1.0;
    double shift_ = 0.0;
};

TEST_F(RandomPairs, GridTrianglesMatchSeparatingAxes)
{
    int tested = 0;
    int hits = 0;
    int coplanarHits = 0;
    for (int i = 0; i < 12000; ++i) {
        NewScale();
        T3DVECF t1[3];
        T3DVECF t2[3];
        GridTriangle(t1, false);
        GridTriangle(t2, i % 3 == 0);
        if (HasZeroArea(t1) || HasZeroArea(t2)) {
            continue;
        }
        const bool expected = SeparatingAxisIntersect(t1, t2);
        ASSERT_EQ(TriTriIntersect(t1, t2), expected ? '1' : '0') << "pair " << i << Describe(t1) << Describe(t2);
        ASSERT_EQ(TriTriIntersect(t2, t1), expected ? '1' : '0') << "pair " << i << " swapped";
        ++tested;
        hits += expected;
        if (expected) {
            const double* a = &t1[0].x;
            const double* b = &t1[1].x;
            const double* c = &t1[2].x;
            coplanarHits += testing::ExactOrient3DSign(a, b, c, &t2[0].x) == 0 &&
                            testing::ExactOrient3DSign(a, b, c, &t2[1].x) == 0 &&
                            testing::ExactOrient3DSign(a, b, c, &t2[2].x) == 0;
        }
    }
    EXPECT_GT(tested, 5000);
    EXPECT_GT(hits, 1000);
    EXPECT_GT(tested - hits, 1000);
    EXPECT_GT(coplanarHits, 20);
}

// Pairs built to cross near an interior point, at scales 1e-3 to 1e15.
TEST_F(RandomPairs, ConstructedPairsMatchSeparatingAxesAndSymmetries)
{
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_real_distribution<double> exponent(-3.0, 15.0);
    int hits = 0;
    for (int i = 0; i < 1500; ++i) {
        const double scale = std::pow(10.0, exponent(rng_));
        // Offsets up to 1e6 times the triangle size keep the corners fine
        // enough for the construction below to stay inside.
        const double offset = scale * std::pow(10.0, exponent(rng_) / 3.0) * unit(rng_);
        T3DVECF t1[3];
        for (T3DVECF& p : t1) {
            p = {offset + scale * unit(rng_), offset + scale * unit(rng_), offset + scale * unit(rng_)};
        }
        // A point well inside t1 (barycentric weights of at least 0.1),
        // rounded, and a second triangle with an edge through it.
        const double w1 = 0.1 + 0.4 * (unit(rng_) + 1.0) / 2.0;
        const double w2 = 0.1 + 0.4 * (unit(rng_) + 1.0) / 2.0;
        const double w0 = 1.0 - w1 - w2;
        const T3DVECF inside{w0 * t1[0].x + w1 * t1[1].x + w2 * t1[2].x,
                             w0 * t1[0].y + w1 * t1[1].y + w2 * t1[2].y,
                             w0 * t1[0].z + w1 * t1[1].z + w2 * t1[2].z};
        const T3DVECF v{scale * unit(rng_), scale * unit(rng_), scale * unit(rng_)};
        T3DVECF t2[3] = {{inside.x + v.x, inside.y + v.y, inside.z + v.z},
                         {inside.x - v.x, inside.y - v.y, inside.z - v.z},
                         {inside.x + scale * unit(rng_), inside.y + scale * unit(rng_),
                          inside.z + scale * unit(rng_)}};
        if (i % 2 == 1) {
            // Shift the second triangle away along a random direction: some
            // pairs still touch, many no longer do.
            const T3DVECF shift{scale * unit(rng_), scale * unit(rng_), scale * unit(rng_)};
            for (T3DVECF& p : t2) {
                p = {p.x + shift.x, p.y + shift.y, p.z + shift.z};
            }
        }
        if (HasZeroArea(t1) || HasZeroArea(t2)) {
            continue;
        }
        const bool expected = SeparatingAxisIntersect(t1, t2);
        if (i % 2 == 0) {
            ASSERT_TRUE(expected) << "construction " << i << Describe(t1) << Describe(t2);
        }
        ExpectPair(t1, t2, expected ? '1' : '0', "constructed");
        hits += expected;
    }
    EXPECT_GT(hits, 800);
    EXPECT_LT(hits, 1450);
}

}  // namespace
}  // namespace meshaudit
