// What a repaired solid must be whichever step made it: closed, oriented,
// every edge between exactly two triangles, and no two triangles meeting
// (or, with `touch`, shells that may still touch where the input's did).
#pragma once

#include "meshaudit.hpp"
#include "support/AllSettings.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <string>

namespace meshaudit::testing {

// Returns where locate() found the rest, for the caller's own checks.
inline Locations ExpectClosedSolid(TestMesh& out, const std::string& name, bool touch = false)
{
    Locations where;
    const AllSettings s;
    EXPECT_EQ(locate(out.Record(), s.p, s.e, s.t, s.m, LocateRequest{}, where), 1) << name;
    EXPECT_EQ(where.mesh.Closed, 1) << name;
    EXPECT_EQ(where.mesh.Oriented, 1) << name;
    EXPECT_EQ(where.edges.MinimalDegree, 2u) << name;
    EXPECT_EQ(where.edges.MaximalDegree, 2u) << name;
    EXPECT_EQ(where.mesh.Selfintersection, touch ? 1 : 0) << name;
    EXPECT_GT(where.mesh.Volume, 0.0) << name;
    return where;
}

}  // namespace meshaudit::testing
