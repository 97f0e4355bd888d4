// Segment/triangle and triangle/triangle tests: random pairs in every order
// against an exact separating-axis decision, then by hand what that cannot
// reach (gaps of subnormal size, zero-area triangles, NaN corners).
#include "geometry/TriangleIntersection.h"

#include "geometry/ExactReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// t2 against t1 in every order: both argument orders and each of the six
// orders of the corners of each triangle must give the same answer.
void ExpectPair(const T3DVECF* t1, const T3DVECF* t2, char expected, const char* what)
{
    int p1[3] = {0, 1, 2};
    do {
        int p2[3] = {0, 1, 2};
        do {
            const T3DVECF a[3] = {t1[p1[0]], t1[p1[1]], t1[p1[2]]};
            const T3DVECF b[3] = {t2[p2[0]], t2[p2[1]], t2[p2[2]]};
            ASSERT_EQ(TriTriIntersect(a, b), expected) << what << " " << p1[0] << p1[1] << p2[0] << p2[1];
            ASSERT_EQ(TriTriIntersect(b, a), expected) << what << " swapped " << p1[0] << p1[1] << p2[0] << p2[1];
        } while (std::next_permutation(p2, p2 + 3));
    } while (std::next_permutation(p1, p1 + 3));
}

// Both directions of the segment p-q against the triangle.
void ExpectSegment(const T3DVECF& p, const T3DVECF& q, const T3DVECF* triangle, char expected, const char* what)
{
    const T3DVECF forward[2] = {p, q};
    const T3DVECF backward[2] = {q, p};
    ASSERT_EQ(SegTriIntersect(forward, triangle), expected) << what;
    ASSERT_EQ(SegTriIntersect(backward, triangle), expected) << what << " (reversed)";
}

// ---- Random pairs against an exact separating-axis decision --------------

using testing::Q3;

Q3 ToQ(const T3DVECF& p) { return testing::ToQ(&p.x); }
bool IsZero(const Q3& v) { return sgn(v.x) == 0 && sgn(v.y) == 0 && sgn(v.z) == 0; }

// Closed triangles are disjoint exactly when some axis separates them: both
// normals, the nine edge cross products, and each normal crossed with the
// edges of both triangles. A segment p-q passed as the triangle (p, q, q)
// has no normal, and the triangle's normal crossed with the segment covers
// the case of both in one plane.
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
    std::vector<Q3> axes{n, m};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            axes.push_back(CrossQ(e[i], f[j]));
        }
        axes.insert(axes.end(), {CrossQ(n, e[i]), CrossQ(m, f[i]), CrossQ(n, f[i]), CrossQ(m, e[i])});
    }
    for (const Q3& axis : axes) {
        if (IsZero(axis)) {
            continue;
        }
        mpq_class lo1 = Dot(axis, p[0]);
        mpq_class hi1 = lo1;
        mpq_class lo2 = Dot(axis, q[0]);
        mpq_class hi2 = lo2;
        for (int i = 1; i < 3; ++i) {
            const mpq_class a = Dot(axis, p[i]);
            const mpq_class b = Dot(axis, q[i]);
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

bool HasZeroArea(const T3DVECF* t)
{
    const Q3 a = ToQ(t[0]);
    return IsZero(CrossQ(Sub(ToQ(t[1]), a), Sub(ToQ(t[2]), a)));
}

// Corners on a small integer grid, scaled and shifted by powers of two, so
// that coplanar, touching and edge-on-edge pairs are frequent; in a third of
// the pairs some coordinates of the second triangle are moved by one ulp, to
// just miss or just hit (zero is not moved: its neighbours are subnormal,
// where products underflow and no floating-point predicate is exact). Every
// fourth pair uses two corners of the second triangle as a segment.
TEST(TriangleIntersection, GridPairsMatchSeparatingAxes)
{
    std::mt19937_64 rng(77);
    int pairs[2] = {0, 0};  // misses, hits
    int coplanarHits = 0;
    int segments[3] = {0, 0, 0};  // misses, hits, hits in the plane
    for (int i = 0; i < 10000; ++i) {
        const double scale = std::ldexp(1.0, static_cast<int>(rng() % 40) - 20);
        const double shift = (rng() % 2 == 0) ? 0.0 : std::ldexp(static_cast<double>(rng() % 1000), -3);
        T3DVECF t[2][3];
        for (int k = 0; k < 6; ++k) {
            for (double* c : {&t[k / 3][k % 3].x, &t[k / 3][k % 3].y, &t[k / 3][k % 3].z}) {
                *c = static_cast<double>(rng() % 4) * scale + shift;
                if (k >= 3 && i % 3 == 0 && *c != 0.0 && rng() % 4 == 0) {
                    *c = testing::NudgeUlps(*c, (rng() % 2 == 0) ? 1 : -1);
                }
            }
        }
        if (HasZeroArea(t[0])) {
            continue;
        }
        const auto inPlane = [&](const T3DVECF& p) {
            return testing::ExactOrient3DSign(&t[0][0].x, &t[0][1].x, &t[0][2].x, &p.x) == 0;
        };
        if (i % 4 == 3) {
            const T3DVECF& p = t[1][0];
            const T3DVECF& q = t[1][1];
            if (p.x == q.x && p.y == q.y && p.z == q.z) {
                continue;
            }
            t[1][2] = q;
            const bool expected = SeparatingAxisIntersect(t[0], t[1]);
            ExpectSegment(p, q, t[0], expected ? '1' : '0', "random segment");
            ASSERT_FALSE(HasFailure()) << "segment " << i;
            ++segments[expected];
            segments[2] += expected && inPlane(p) && inPlane(q);
            continue;
        }
        if (HasZeroArea(t[1])) {
            continue;
        }
        const bool expected = SeparatingAxisIntersect(t[0], t[1]);
        ExpectPair(t[0], t[1], expected ? '1' : '0', "random pair");
        ASSERT_FALSE(HasFailure()) << "pair " << i;
        ++pairs[expected];
        coplanarHits += expected && inPlane(t[1][0]) && inPlane(t[1][1]) && inPlane(t[1][2]);
    }
    EXPECT_GT(pairs[0], 500);
    EXPECT_GT(pairs[1], 500);
    EXPECT_GT(coplanarHits, 10);
    EXPECT_GT(segments[0], 300);
    EXPECT_GT(segments[1], 300);
    EXPECT_GT(segments[2], 25);
}

// Pairs in one plane (z = 1, y = 1 or x = 1, or tilted: z = x + y or
// z = 2x - y), corners on a 5 x 5 grid there, zero-area ones and repeated
// corners included, a tenth of them with a corner off the plane or not
// finite, a tenth with a triangle tilted or lifted off it: the quick
// answers are the edge tests' in every order.
TEST(TriTriIntersect, CoplanarPairsMatchTheEdgeTests)
{
    std::mt19937_64 rng(91);
    int apart = 0;
    for (int i = 0; i < 20000; ++i) {
        const int plane = static_cast<int>(rng() % 3);
        T3DVECF t[2][3];
        for (int k = 0; k < 6; ++k) {
            const double x = static_cast<double>(rng() % 5), y = static_cast<double>(rng() % 5);
            t[k / 3][k % 3] = {x, y, plane == 0 ? 1.0 : plane == 1 ? x + y : 2 * x - y};
        }
        if (i % 10 == 0) {
            t[1][rng() % 3].z += i % 20 == 0 ? 0.5 : kNaN;
        } else if (i % 10 == 5) {
            t[rng() % 2][rng() % 3].z += 0.5;  // tilted by one corner,
            for (T3DVECF& p : t[1]) {
                p.z += static_cast<double>(rng() % 2);  // then maybe lifted whole
            }
        }
        if (plane == 0 && i % 3 != 0) {
            for (T3DVECF* p = t[0]; p != t[0] + 6; ++p) {  // the plane x = 1 or y = 1
                *p = i % 3 == 1 ? T3DVECF{p->z, p->x, p->y} : T3DVECF{p->y, p->z, p->x};
            }
        }
        const T3DVECF* a = t[0];
        const T3DVECF* b = t[1];
        const char expected = tri_tri_testing::ByEdges(a, b);
        ASSERT_EQ(TriTriIntersect(a, b), expected) << "pair " << i;
        ASSERT_EQ(TriTriIntersect(b, a), expected) << "pair " << i << " swapped";
        apart += i % 10 != 0 && expected == '0' && !HasZeroArea(a) && !HasZeroArea(b);
    }
    EXPECT_GT(apart, 2000);
}

// ---- By hand: what the grid cannot produce --------------------------------

// Gaps of one subnormal ulp or of 1e-300 (products underflow there) against
// the triangle (0,0,0), (4,0,0), (0,4,0) in z = 0, then NaN coordinates.
TEST(SegTriIntersect, SubnormalGapsAndNaN)
{
    const T3DVECF triangle[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    const double below = std::nextafter(0.0, -1.0);
    ExpectSegment({2, below, -1}, {2, below, 1}, triangle, '0', "one ulp outside the edge (a, b)");
    ExpectSegment({below, below, -1}, {below, below, 1}, triangle, '0', "one ulp outside corner a");
    ExpectSegment({-5, -5, 1e-300}, {5, 5, 1e-300}, triangle, '0', "parallel, just above the plane");
    // A NaN corner makes every orientation against its triangle 0 and the
    // projection axis undefined: nothing is decided against it ('0'), but
    // NaN segment ends look like boundary points of a finite triangle ('1').
    const T3DVECF withNaN[3] = {{0, 0, 0}, {4, 0, kNaN}, {0, 4, 0}};
    ExpectSegment({1, 1, -1}, {1, 1, 1}, withNaN, '0', "crossing, NaN corner");
    ExpectSegment({1, 1, 0}, {2, 1, 0}, withNaN, '0', "in the plane, NaN corner");
    ExpectSegment({kNaN, 1, 1}, {1, 1, 5}, triangle, '1', "one NaN end");
    ExpectSegment({kNaN, 1, 1}, {1, kNaN, 5}, triangle, '1', "two NaN ends");
    ExpectSegment({kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}, withNaN, '0', "NaN against NaN");
}

struct TriCase {
    T3DVECF t1[3];
    T3DVECF t2[3];
    char expected;
    const char* what;
};

TEST(TriTriIntersect, SubnormalGapsZeroAreaAndNaNInEveryOrder)
{
    const T3DVECF s[3] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}};
    const T3DVECF needle[3] = {{1, 1, -1}, {1, 1, 1}, {1, 1, 3}};
    const T3DVECF nan[3] = {{kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}, {kNaN, kNaN, kNaN}};
    const TriCase cases[] = {
        {{s[0], s[1], s[2]}, {{0, 0, std::nextafter(0.0, 1.0)}, {4, 0, 1e-300}, {0, 4, 1e-310}}, '0',
         "parallel, just above"},
        {{s[0], s[1], s[2]}, {{1, 1, 1e-9}, {1, 1, 5}, {2, 3, 7}}, '0', "corner just above the face"},
        {{{0.1, 0.2, 0.3}, {1.7, -0.4, 2.2}, {-3.3, 0.9, 1.0}},
         {{0.1, 0.2, 0.3}, {1.7, -0.4, 2.2}, {-3.3, 0.9, 1.0}}, '1', "identical, off the grid"},
        // Zero-area triangles: a needle through the face, a point on it, both away.
        {{s[0], s[1], s[2]}, {needle[0], needle[1], needle[2]}, '1', "needle through the face"},
        {{s[0], s[1], s[2]}, {{1, 1, 0}, {1, 1, 0}, {1, 1, 0}}, '1', "point on the face"},
        {{s[0], s[1], s[2]}, {{9, 9, -1}, {9, 9, 1}, {9, 9, 3}}, '0', "needle away"},
        {{s[0], s[1], s[2]}, {{9, 9, 9}, {9, 9, 9}, {9, 9, 9}}, '0', "point away"},
        {{needle[0], needle[1], needle[2]}, {{9, 9, -1}, {9, 9, 1}, {9, 9, 3}}, '0', "two needles"},
        // A zero-area triangle is judged in its projection along x, blind to a gap in x.
        {{s[0], s[1], s[2]}, {{9, 1, -1}, {9, 1, 1}, {9, 1, 3}}, '1', "needle beside it in x"},
        // NaN corners, as for segments: '0' against each other, '1' against a finite triangle.
        {{nan[0], nan[1], nan[2]}, {nan[0], nan[1], nan[2]}, '0', "all NaN"},
        {{{1, 1, 1}, {1, 1, 5}, nan[0]}, {{1, 1, 1}, {1, 1, 5}, nan[0]}, '0', "one NaN corner each"},
        {{s[0], s[1], s[2]}, {nan[0], nan[1], nan[2]}, '1', "all NaN against a finite one"},
        {{s[0], s[1], s[2]}, {{1, 1, 1}, {1, 1, 5}, nan[0]}, '1', "one NaN corner against a finite one"},
        // Products past the double range, or below it: the orientations
        // disagree, and the answer is the edge tests' although t1 is on one
        // side of t2's plane.
        {{{1e200, -1, 2}, {1, -2, -1}, {2, 1e200, 0}}, {{-1, -1, -1}, {-1, 1, 0}, {2, -2, 0}}, '1', "overflowing"},
        {{{2, -1, -2}, {-1, 2, -2}, {1, 1, -2}}, {{-1, -1, -2}, {2e300, 2, 2}, {1e300, -1, -1}}, '1', "overflowing, no zero"},
        {{{-0x1.3529ba7d19eafp-565, -2, -1}, {-2, 0, 1}, {-1, -1, 0x1.3529ba7d19eafp-564}},
         {{2, -2, 2}, {1, 1, 1}, {0, -2, -1}}, '1', "underflowing"},
    };
    for (const TriCase& c : cases) {
        ExpectPair(c.t1, c.t2, c.expected, c.what);
    }
}

}  // namespace
}  // namespace meshaudit
