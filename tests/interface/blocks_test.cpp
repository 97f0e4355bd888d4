// The blocks as a host sees them: defaults, not-computed state, whole-block copies.
#include "interface/Blocks.h"
#include "meshaudit.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>

namespace meshaudit {
namespace {

template <typename Block>
bool SameBytes(const Block& a, const Block& b)
{
    return std::memcmp(&a, &b, sizeof(Block)) == 0;
}

// The header's static inline helpers give a host the library's defaults
// without a call: they must agree byte for byte with the load-time blocks.
TEST(Defaults, HeaderHelpersMatchTheLibraryByteForByte)
{
    PointSettings p;
    EdgeSettings e;
    TriangleSettings t;
    MeshSettings m;
    std::memset(&p, 0xAB, sizeof p);
    std::memset(&e, 0xAB, sizeof e);
    std::memset(&t, 0xAB, sizeof t);
    std::memset(&m, 0xAB, sizeof m);
    meshaudit_default_point_settings(&p);
    meshaudit_default_edge_settings(&e);
    meshaudit_default_triangle_settings(&t);
    meshaudit_default_mesh_settings(&m);
    EXPECT_TRUE(SameBytes(p, DefaultPointSettings()));
    EXPECT_TRUE(SameBytes(e, DefaultEdgeSettings()));
    EXPECT_TRUE(SameBytes(t, DefaultTriangleSettings()));
    EXPECT_TRUE(SameBytes(m, DefaultMeshSettings()));
    // The process-wide blocks hold them from load on (no set_* call happens
    // in this test program before this test).
    EXPECT_TRUE(SameBytes(p, Blocks().pointSettings));
    EXPECT_TRUE(SameBytes(e, Blocks().edgeSettings));
    EXPECT_TRUE(SameBytes(t, Blocks().triangleSettings));
    EXPECT_TRUE(SameBytes(m, Blocks().meshSettings));
}

TEST(Defaults, SelectedValuesAtTheirOffsets)
{
    const PointSettings p = DefaultPointSettings();
    double epsilon;
    std::memcpy(&epsilon, reinterpret_cast<const unsigned char*>(&p) + 72, 8);
    EXPECT_EQ(epsilon, 0.002);
    const MeshSettings m = DefaultMeshSettings();
    const unsigned char* mb = reinterpret_cast<const unsigned char*>(&m);
    const unsigned char enable[22] = {0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                      1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(mb + 128, enable, 22), 0);
    EXPECT_EQ(mb[25], 0);  // HasBorders expected false
    const TriangleSettings t = DefaultTriangleSettings();
    const unsigned char* tb = reinterpret_cast<const unsigned char*>(&t);
    for (int i = 184; i < 228; ++i) {
        EXPECT_EQ(tb[i], 1) << i;
    }
    uint32_t countMax;
    std::memcpy(&countMax, tb + 4, 4);
    EXPECT_EQ(countMax, 900500u);
}

TEST(Defaults, NotComputedResults)
{
    const PointResults p = NotComputedPointResults();
    EXPECT_EQ(p.MaximalDegree, NOT_COMPUTED);
    for (uint8_t b : p.InRange) {
        EXPECT_EQ(b, 0xFF);
    }
    const EdgeResults e = NotComputedEdgeResults();
    EXPECT_EQ(e.MinimalLength, -1.0);
    EXPECT_EQ(e.CountGreaterLength, NOT_COMPUTED);
    const TriangleResults t = NotComputedTriangleResults();
    for (const TriangleUnusedSlot& slot : t.UnusedSlots) {
        EXPECT_EQ(slot.value, -1.0);
        for (uint8_t b : slot.bytes) {
            EXPECT_EQ(b, 0xFF);
        }
    }
    EXPECT_EQ(t.Unused[0], NOT_COMPUTED);
    EXPECT_EQ(t.UnusedDouble, -1.0);
    for (uint8_t b : t.InRangeUnused) {
        EXPECT_EQ(b, 0xFF);
    }
    const MeshResults m = NotComputedMeshResults();
    uint64_t bits;
    std::memcpy(&bits, &m.Volume, 8);
    EXPECT_EQ(bits, 0xFFEFFFFFFFFFFFFFull);
    EXPECT_EQ(m.Area, -1.0);
    EXPECT_EQ(m.Oriented, -1);
    EXPECT_EQ(m.CountBorders, NOT_COMPUTED);
}

TEST(SetAndGet, CopyWholeBlocksAndIgnoreNull)
{
    EdgeSettings mine = DefaultEdgeSettings();
    mine.Length = DoubleRange{0.25, 4.0};
    mine.Enable[EDG_Count] = 7;  // copied as it is: no validation
    EXPECT_EQ(set_edg_params(&mine), 0);
    EXPECT_TRUE(SameBytes(mine, Blocks().edgeSettings));
    EXPECT_EQ(set_edg_params(nullptr), 0);
    EXPECT_TRUE(SameBytes(mine, Blocks().edgeSettings));
    const EdgeSettings defaults = DefaultEdgeSettings();
    set_edg_params(&defaults);

    MeshResults out;
    std::memset(&out, 0, sizeof out);
    EXPECT_EQ(get_msh_params(&out), 0);
    EXPECT_TRUE(SameBytes(out, Blocks().meshResults));
    EXPECT_EQ(get_msh_params(nullptr), 0);
}

}  // namespace
}  // namespace meshaudit
