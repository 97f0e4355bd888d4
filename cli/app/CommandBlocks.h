// The categories the command adds to the library's four, laid out as those
// are in meshaudit.h: an X-macro list each (the same columns), a settings
// block with Enable bytes and a results block with InRange bytes. The
// quantity table, settings files, reports, verdicts and marks then treat
// them as they treat the library's own, and a name means the same field
// everywhere.
//
//   solid    shells, their nesting and contacts, pinched points: solids()
//            (meshaudit_solid.hpp) on the mesh
//   quality  the triangles' angles and aspect ratios: solids() too
//   build    the items of a 3MF build plate that overlap (BuildPlate.h):
//            judged on the plate, not on one object
//
// Off by default (Enable 0): the library's defaults stay exactly the
// library's; the profiles turn them on.
#pragma once

#include "meshaudit.h"

#include <cstdint>

// The `where` kinds of these lists, beside those of meshaudit.h:
//   SHELLS         a triangle and its shell, for every triangle of every
//                  shell counted, by shell and then by triangle
//   NESTED_SHELLS  a triangle, its shell and that shell's parent (the
//                  innermost closed shell around it)
//   SHELL_PAIRS    a triangle of each of two shells that cross or touch, and
//                  the two shells, the smaller shell first; one entry a pair
//   COMPONENTS     (CountShells) for each triangle in order, its shell
//   ITEM_PAIRS     two items of a build plate, the smaller first, how they
//                  overlap (0: a triangle of each meets; 1: the first lies
//                  inside the second; 2: the second inside the first) and
//                  a triangle of each that shows it, numbered as in its
//                  object
// Shells are numbered 0, 1, ... in the order of their first triangle; items
// 0, 1, ... in the order of the file's <item> elements.

/* P    k  name                         label                                 SLOT   CRIT        field                        min  max          judged enable gate where */
#define MESHAUDIT_SOLID_QUANTITIES(X) \
    X(SLD, 0, CountShells,                 "solid::CountShells",                 COUNT, RANGE,      CountShells,                 0u, 4294967295u, 1, 0, 0, COMPONENTS   ) \
    X(SLD, 1, CountOpenShells,             "solid::CountOpenShells",             COUNT, RANGE,      CountOpenShells,             0u, 4294967295u, 1, 0, 0, SHELLS       ) \
    X(SLD, 2, CountNestedShells,           "solid::CountNestedShells",           COUNT, RANGE,      CountNestedShells,           0u, 4294967295u, 1, 0, 0, NESTED_SHELLS) \
    X(SLD, 3, CountInsideOutShells,        "solid::CountInsideOutShells",        COUNT, RANGE,      CountInsideOutShells,        0u, 0u,          1, 0, 0, SHELLS       ) \
    X(SLD, 4, CountIntersectingShellPairs, "solid::CountIntersectingShellPairs", COUNT, RANGE,      CountIntersectingShellPairs, 0u, 0u,          1, 0, 0, SHELL_PAIRS  ) \
    X(SLD, 5, CountPinchedPoints,          "solid::CountPinchedPoints",          COUNT, RANGE,      CountPinchedPoints,          0u, 0u,          1, 0, 0, POINTS       )

/* Angles in degrees; the aspect ratio is the longest side over 2 sqrt(3)
   times the inradius, 1 for an equilateral triangle. */
#define MESHAUDIT_QUALITY_QUANTITIES(X) \
    X(QLT, 0, MinimalAngle,                "quality::MinimalAngle",              REAL,  REAL_RANGE, MinimalAngle,                0.0, 180.0,      1, 0, 0, TRIANGLES    ) \
    X(QLT, 1, MaximalAngle,                "quality::MaximalAngle",              REAL,  REAL_RANGE, MaximalAngle,                0.0, 180.0,      1, 0, 0, TRIANGLES    ) \
    X(QLT, 2, MaximalAspectRatio,          "quality::MaximalAspectRatio",        REAL,  REAL_RANGE, MaximalAspectRatio,          1.0, 1.79769313486231570815e308, 1, 0, 0, TRIANGLES) \
    X(QLT, 3, CountSkinny,                 "quality::CountSkinny",               COUNT, RANGE,      CountSkinny,                 0u, 4294967295u, 1, 0, 0, TRIANGLES    )

#define MESHAUDIT_BUILD_QUANTITIES(X) \
    X(BLD, 0, CountOverlappingItems,       "build::CountOverlappingItems",       COUNT, RANGE,      CountOverlappingItems,       0u, 4294967295u, 1, 0, 0, ITEM_PAIRS   )

enum SolidQuantity {
    MESHAUDIT_SOLID_QUANTITIES(MESHAUDIT_X_INDEX)
    SLD_QUANTITIES = 0 MESHAUDIT_SOLID_QUANTITIES(MESHAUDIT_X_PLUS_ONE)
};

enum QualityQuantity {
    MESHAUDIT_QUALITY_QUANTITIES(MESHAUDIT_X_INDEX)
    QLT_QUANTITIES = 0 MESHAUDIT_QUALITY_QUANTITIES(MESHAUDIT_X_PLUS_ONE)
};

enum BuildQuantity {
    MESHAUDIT_BUILD_QUANTITIES(MESHAUDIT_X_INDEX)
    BLD_QUANTITIES = 0 MESHAUDIT_BUILD_QUANTITIES(MESHAUDIT_X_PLUS_ONE)
};

struct SolidSettings {
    ValueRange CountShells;
    ValueRange CountOpenShells;
    ValueRange CountNestedShells;
    ValueRange CountInsideOutShells;
    ValueRange CountIntersectingShellPairs;
    ValueRange CountPinchedPoints;
    uint8_t Enable[SLD_QUANTITIES];
};

struct SolidResults {
    uint32_t CountShells;
    uint32_t CountOpenShells;
    uint32_t CountNestedShells;
    uint32_t CountInsideOutShells;
    uint32_t CountIntersectingShellPairs;
    uint32_t CountPinchedPoints;
    uint8_t InRange[SLD_QUANTITIES];
};

struct QualitySettings {
    DoubleRange MinimalAngle;
    DoubleRange MaximalAngle;
    DoubleRange MaximalAspectRatio;
    ValueRange CountSkinny;
    // A triangle whose smallest angle is below this many degrees is skinny
    // [10]; so is one without angles (a repeated or non-finite corner).
    double SkinnyAngle;
    uint8_t Enable[QLT_QUANTITIES];
};

struct QualityResults {
    double MinimalAngle;
    double MaximalAngle;
    double MaximalAspectRatio;
    uint32_t CountSkinny;
    uint8_t InRange[QLT_QUANTITIES];
};

struct BuildSettings {
    ValueRange CountOverlappingItems;
    uint8_t Enable[BLD_QUANTITIES];
};

struct BuildResults {
    uint32_t CountOverlappingItems;
    uint8_t InRange[BLD_QUANTITIES];
};

namespace meshaudit::cli {

inline constexpr double kDefaultSkinnyAngle = 10.0;

// The defaults of the lists' columns: ranges, Enable bytes, SkinnyAngle.
SolidSettings DefaultSolidSettings();
QualitySettings DefaultQualitySettings();
BuildSettings DefaultBuildSettings();
// Every value not computed (NOT_COMPUTED, -1.0) and every InRange 0xFF.
SolidResults NotComputedSolidResults();
QualityResults NotComputedQualityResults();
BuildResults NotComputedBuildResults();

}  // namespace meshaudit::cli
