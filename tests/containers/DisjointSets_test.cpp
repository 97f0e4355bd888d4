// Disjoint sets with parity: groups, relative parities and contradictions,
// checked against brute-force labels on random relations.
#include "containers/DisjointSets.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace meshaudit {
namespace {

// Random labels in {0, 1} and groups; relations drawn from them always fit,
// a flipped one inside a group never does, and the groups match.
TEST(DisjointSets, AgreesWithHiddenLabels)
{
    std::mt19937 random(31);
    for (int round = 0; round < 200; ++round) {
        const uint32_t n = 1 + random() % 60;
        const uint32_t groupCount = 1 + random() % 6;
        std::vector<uint32_t> group(n);
        std::vector<uint8_t> label(n);
        for (uint32_t e = 0; e < n; ++e) {
            group[e] = random() % groupCount;
            label[e] = static_cast<uint8_t>(random() % 2);
        }
        std::vector<uint32_t> parent(n);
        std::vector<uint8_t> parity(n);
        DisjointSets sets(parent.data(), parity.data(), n);
        for (int k = 0; k < 200; ++k) {
            const uint32_t a = random() % n;
            const uint32_t b = random() % n;
            if (group[a] != group[b]) {
                continue;
            }
            bool joined = false;
            ASSERT_TRUE(sets.Relate(a, b, label[a] ^ label[b], joined));
            uint8_t pa = 0;
            uint8_t pb = 0;
            ASSERT_EQ(sets.Find(a, pa), sets.Find(b, pb));
            EXPECT_EQ(pa ^ pb, label[a] ^ label[b]);
            EXPECT_FALSE(sets.Relate(a, b, 1 ^ label[a] ^ label[b], joined));
        }
        for (uint32_t a = 0; a < n; ++a) {
            for (uint32_t b = 0; b < n; ++b) {
                uint8_t pa = 0;
                uint8_t pb = 0;
                if (sets.Find(a, pa) == sets.Find(b, pb)) {
                    EXPECT_EQ(group[a], group[b]);
                    EXPECT_EQ(pa ^ pb, label[a] ^ label[b]);
                }
            }
        }
    }
}

}  // namespace
}  // namespace meshaudit
