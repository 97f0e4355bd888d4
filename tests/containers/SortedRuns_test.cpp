// The sorting path of the duplicate counts against the tree path, on keys of every kind.
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

constexpr DuplicateCodes kCodes{-3, -4, -5, -6};

template <typename T>
void SortThree(T& a, T& b, T& c)
{
    if (b < a) {
        std::swap(a, b);
    }
    if (c < b) {
        std::swap(b, c);
    }
    if (b < a) {
        std::swap(a, b);
    }
}

struct RandomMesh {
    std::vector<T3DVECF> points;
    std::vector<TRIANGLE> triangles;
};

RandomMesh MakeMesh(std::mt19937& random, uint32_t pointCount, uint32_t triangleCount, bool withNaN)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1.0 + 1e-16, 2.0};
    std::uniform_int_distribution<int> pick(0, 6);
    std::uniform_int_distribution<int> rare(0, 40);
    RandomMesh mesh;
    for (uint32_t i = 0; i < pointCount; ++i) {
        double c[3];
        for (double& v : c) {
            v = values[pick(random)];
            if (withNaN && rare(random) == 0) {
                v = nan;
            }
        }
        mesh.points.push_back(T3DVECF{c[0], c[1], c[2]});
    }
    std::uniform_int_distribution<uint32_t> corner(0, pointCount - 1);
    for (uint32_t t = 0; t < triangleCount; ++t) {
        TRIANGLE tri{corner(random), corner(random), corner(random)};
        if (rare(random) < 4) {
            tri.c = tri.a;  // degenerate
        }
        mesh.triangles.push_back(tri);
    }
    return mesh;
}

template <typename Key, typename KeyOf>
void ExpectSameAsTree(uint32_t itemCount, const KeyOf& keyOf, const char* what, int round)
{
    DuplicateSums fast{1, 2};
    DuplicateSums tree{3, 4};
    const int32_t fastCode = CountDuplicates<Key>(itemCount, keyOf, kCodes, fast);
    const int32_t treeCode = CountDuplicatesInTree<Key>(itemCount, keyOf, kCodes, tree);
    ASSERT_EQ(fastCode, treeCode) << what << " round " << round;
    EXPECT_EQ(fast.members, tree.members) << what << " round " << round;
    EXPECT_EQ(fast.classes, tree.classes) << what << " round " << round;
}

TEST(SortedRuns, EveryKeyKindMatchesTheTreePath)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 120; ++round) {
        const bool withNaN = round % 3 == 2;
        const uint32_t pointCount = 1 + static_cast<uint32_t>(round) * 3;
        const uint32_t triangleCount = 1 + static_cast<uint32_t>(round) * 5;
        const RandomMesh m = MakeMesh(random, pointCount, triangleCount, withNaN);
        const auto& points = m.points;
        const auto& triangles = m.triangles;

        ExpectSameAsTree<T3DVECF>(
            pointCount,
            [&](uint32_t i, T3DVECF& key) {
                key = points[i];
                return true;
            },
            "points", round);
        ExpectSameAsTree<TRIANGLE>(
            triangleCount,
            [&](uint32_t t, TRIANGLE& key) {
                key = triangles[t];
                SortThree(key.a, key.b, key.c);
                return true;
            },
            "triangles by index", round);
        ExpectSameAsTree<T3DTRGL>(
            triangleCount,
            [&](uint32_t t, T3DTRGL& key) {
                if (t % 7 == 3) {
                    return false;  // left out, like a triangle with no corners
                }
                key.corner[0] = points[triangles[t].a];
                key.corner[1] = points[triangles[t].b];
                key.corner[2] = points[triangles[t].c];
                SortThree(key.corner[0], key.corner[1], key.corner[2]);
                return true;
            },
            "triangles by corners", round);
        ExpectSameAsTree<T3DEDGE>(
            triangleCount,
            [&](uint32_t t, T3DEDGE& key) {
                const uint32_t a = triangles[t].a;
                const uint32_t b = triangles[t].b;
                key = a < b ? T3DEDGE{a, b} : T3DEDGE{b, a};
                return true;
            },
            "edges by index", round);
        ExpectSameAsTree<T3DSEGMT>(
            triangleCount,
            [&](uint32_t t, T3DSEGMT& key) {
                const T3DVECF& a = points[triangles[t].b];
                const T3DVECF& b = points[triangles[t].c];
                key = b < a ? T3DSEGMT{b, a} : T3DSEGMT{a, b};
                return true;
            },
            "edges by coordinates", round);
    }
}

TEST(SortedRuns, CountsRunsOfEquivalentKeysUnlessOneHasNaN)
{
    // 0.0 and -0.0 are one key; 1 and 1 + 2^-52 are two.
    const std::vector<T3DVECF> keys = {{0.0, 1, 1},  {-0.0, 1, 1}, {1, 1, 1}, {1 + 0x1p-52, 1, 1},
                                       {0.0, 1, -0.0}, {1, 1, 1},  {1, 1, 1}};
    uint32_t members = 9;
    uint32_t classes = 9;
    const auto outcome = CountSortedRuns<T3DVECF>(
        static_cast<uint32_t>(keys.size()),
        [&](uint32_t i, T3DVECF& key) {
            key = keys[i];
            return true;
        },
        members, classes);
    ASSERT_EQ(outcome, SortedRunsOutcome::Counted);
    EXPECT_EQ(members, 5u);  // two (+-0, 1, 1) and three (1, 1, 1)
    EXPECT_EQ(classes, 2u);

    // A NaN key is reported and nothing counted.
    const double nan = std::numeric_limits<double>::signaling_NaN();
    members = 9;
    classes = 8;
    const auto withNaN = CountSortedRuns<T3DSEGMT>(
        4,
        [&](uint32_t i, T3DSEGMT& key) {
            key = T3DSEGMT{T3DVECF{0, 0, 0}, T3DVECF{0, i == 2 ? nan : 0.0, 0}};
            return true;
        },
        members, classes);
    EXPECT_EQ(withNaN, SortedRunsOutcome::HasNaN);
    EXPECT_EQ(members, 9u);
    EXPECT_EQ(classes, 8u);
}

}  // namespace
}  // namespace meshaudit
