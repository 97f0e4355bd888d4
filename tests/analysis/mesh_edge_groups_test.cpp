// Point-to-edge and edge-to-edge lists and the grouping of edges through
// shared end points, which counts the borders of a mesh.
#include "analysis/mesh/MeshAnalyses.h"
#include "containers/Memory.h"
#include "model/IncidenceLists.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

namespace meshaudit {
namespace {

std::vector<uint32_t> Row(const IncidenceLists& lists, uint32_t e)
{
    return std::vector<uint32_t>(lists.rows[e], lists.rows[e] + lists.counts[e]);
}

using Rows = std::vector<std::vector<uint32_t>>;

TEST(PointEdgeLists, ListEachEdgeAtBothEndsInEdgeOrder)
{
    const T3DEDGE edges[] = {{0, 1}, {1, 2}, {2, 0}, {2, 2}};
    IncidenceLists lists;
    ASSERT_EQ(BuildPointEdgeLists(edges, 4, 4, lists), 0);
    EXPECT_EQ(Rows({Row(lists, 0), Row(lists, 1), Row(lists, 2), Row(lists, 3)}),
              (Rows{{0, 2}, {0, 1}, {1, 2, 3, 3}, {}}));  // (2, 2) twice
    // Packed: rows follow each other in one buffer that rows[0] starts.
    EXPECT_EQ(lists.rows[0], lists.entries);
    for (uint32_t p = 0; p + 1 < 4; ++p) {
        EXPECT_EQ(lists.rows[p + 1], lists.rows[p] + lists.counts[p]);
    }
    ReleaseLists(lists);
    EXPECT_TRUE(lists.rows == nullptr && lists.counts == nullptr && lists.entries == nullptr);

    const T3DEDGE beyond[] = {{0, 7}, {1, 0}};  // end points beyond the points are skipped
    ASSERT_EQ(BuildPointEdgeLists(beyond, 2, 2, lists), 0);
    EXPECT_EQ(Rows({Row(lists, 0), Row(lists, 1)}), (Rows{{0, 1}, {1}}));
    ReleaseLists(lists);
}

TEST(PointEdgeLists, EmptyInputsAndFailedAllocations)
{
    const T3DEDGE edges[] = {{0, 1}};
    IncidenceLists lists;
    EXPECT_EQ(BuildPointEdgeLists(nullptr, 2, 1, lists), -1);
    // No edges: every row empty. No points: nothing to list, nothing read.
    ASSERT_EQ(BuildPointEdgeLists(edges, 2, 0, lists), 0);
    EXPECT_EQ(lists.counts[0] + lists.counts[1], 0u);
    ReleaseLists(lists);
    ASSERT_EQ(BuildPointEdgeLists(edges, 0, 1, lists), 0);
    ReleaseLists(lists);
    const int32_t expected[] = {-2, -2, -3};
    for (uint64_t k = 1; k <= 3; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(BuildPointEdgeLists(edges, 2, 1, lists), expected[k - 1]) << k;
        EXPECT_TRUE(lists.rows == nullptr && lists.counts == nullptr);
    }
    memory_testing::ResetAllocationCounter();
}

TEST(EdgeNeighbourLists, OtherEdgesAtTheFirstThenTheSecondEnd)
{
    const T3DEDGE edges[] = {{0, 1}, {1, 2}, {2, 0}, {2, 2}};
    IncidenceLists lists;
    ASSERT_EQ(BuildEdgeNeighbourLists(edges, 3, 4, lists), 0);
    EXPECT_EQ(Rows({Row(lists, 0), Row(lists, 1), Row(lists, 2), Row(lists, 3)}),
              (Rows{{2, 1}, {0, 2, 3, 3}, {1, 3, 3, 0}, {1, 2, 1, 2}}));
    for (uint32_t e = 0; e + 1 < 4; ++e) {
        EXPECT_EQ(lists.rows[e + 1], lists.rows[e] + lists.counts[e]);
    }
    ReleaseLists(lists);

    const T3DEDGE twice[] = {{0, 1}, {1, 0}};  // sharing both ends: twice
    ASSERT_EQ(BuildEdgeNeighbourLists(twice, 2, 2, lists), 0);
    EXPECT_EQ(Rows({Row(lists, 0), Row(lists, 1)}), (Rows{{1, 1}, {0, 0}}));
    ReleaseLists(lists);
}

TEST(EdgeNeighbourLists, FailuresReleaseEverything)
{
    const T3DEDGE edges[] = {{0, 1}, {1, 2}};
    IncidenceLists lists;
    // Allocations: point counts, point rows, point buffer, edge counts,
    // edge rows, edge buffer.
    const int32_t expected[] = {-1, -1, -1, -2, -2, -3};
    for (uint64_t k = 1; k <= 6; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(BuildEdgeNeighbourLists(edges, 3, 2, lists), expected[k - 1]) << k;
        EXPECT_TRUE(lists.rows == nullptr && lists.counts == nullptr);
    }
    memory_testing::ResetAllocationCounter();
    ASSERT_EQ(BuildEdgeNeighbourLists(edges, 3, 2, lists), 0);
    ReleaseLists(lists);
}

const T3DVECF kPoint{0, 0, 0};

int32_t Groups(const std::vector<T3DEDGE>& edges, uint32_t pointCount)
{
    EdgeList list;
    list.points = &kPoint;  // only its presence is checked
    list.pointCount = pointCount;
    list.edges = edges.data();
    list.edgeCount = static_cast<uint32_t>(edges.size());
    return CountEdgeGroups(list);
}

TEST(EdgeGroups, HandCountedAndCodesInTheirOrder)
{
    // Two triangles' borders sharing point 2; the same loops apart; single
    // edges and a loop (v, v).
    EXPECT_EQ(Groups({{0, 1}, {1, 2}, {2, 0}, {2, 3}, {3, 4}, {4, 2}}, 5), 1);
    EXPECT_EQ(Groups({{0, 1}, {1, 2}, {2, 0}, {5, 3}, {3, 4}, {4, 5}}, 6), 2);
    EXPECT_EQ(Groups({{0, 1}, {2, 3}, {4, 4}}, 5), 3);

    EdgeList list{nullptr, 0, nullptr, 0};
    EXPECT_EQ(CountEdgeGroups(list), -1);
    list.points = &kPoint;
    EXPECT_EQ(CountEdgeGroups(list), -2);
    const T3DEDGE edge{0, 1};
    list.edges = &edge;
    EXPECT_EQ(CountEdgeGroups(list), -3);
    list.pointCount = 2;
    EXPECT_EQ(CountEdgeGroups(list), -4);
    list.edgeCount = 1;
    EXPECT_EQ(CountEdgeGroups(list), 1);
}

TEST(EdgeGroups, AllocationFailures)
{
    const std::vector<T3DEDGE> edges = {{0, 1}, {1, 2}, {3, 4}};
    // visited, queue, then the six allocations of the neighbour lists.
    const int32_t expected[] = {-5, -5, -6, -6, -6, -6, -6, -6};
    for (uint64_t k = 1; k <= 8; ++k) {
        memory_testing::ResetAllocationCounter();
        memory_testing::FailAllocations(k, 1);
        EXPECT_EQ(Groups(edges, 5), expected[k - 1]) << k;
    }
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(Groups(edges, 5), 2);
}

// Union-find over points: edges sharing an end point share a root.
int32_t GroupsByUnionFind(const std::vector<T3DEDGE>& edges, uint32_t pointCount)
{
    std::vector<uint32_t> parent(pointCount);
    std::iota(parent.begin(), parent.end(), 0u);
    auto find = [&](uint32_t p) {
        while (parent[p] != p) {
            p = parent[p] = parent[parent[p]];
        }
        return p;
    };
    for (const T3DEDGE& e : edges) {
        parent[find(e.first)] = find(e.second);
    }
    std::vector<bool> rootUsed(pointCount, false);
    int32_t groups = 0;
    for (const T3DEDGE& e : edges) {
        const uint32_t r = find(e.first);
        if (!rootUsed[r]) {
            rootUsed[r] = true;
            ++groups;
        }
    }
    return groups;
}

TEST(EdgeGroups, AgreesWithUnionFindOnRandomEdgeSets)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        const uint32_t pointCount = 1 + random() % 40;
        const uint32_t edgeCount = 1 + random() % 60;
        std::vector<T3DEDGE> edges;
        for (uint32_t i = 0; i < edgeCount; ++i) {
            edges.push_back(T3DEDGE{static_cast<uint32_t>(random() % pointCount),
                                    static_cast<uint32_t>(random() % pointCount)});
        }
        EXPECT_EQ(Groups(edges, pointCount), GroupsByUnionFind(edges, pointCount)) << round;
    }
}

}  // namespace
}  // namespace meshaudit
