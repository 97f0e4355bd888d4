/*
 * meshaudit.h -- the whole public interface of the meshaudit library.
 *
 * meshaudit checks triangle meshes: it counts non-finite, isolated, duplicated
 * and border points; border, singular, invalid and duplicated edges; invalid,
 * duplicated, intersecting and flipped triangles; and judges the whole mesh
 * (oriented, orientable, connected, closed, handles, borders,
 * self-intersection, volume, area). It also repairs: it merges points within a
 * tolerance and drops triangles that repeat a point.
 *
 * The library is a shared object exporting exactly the twelve functions below.
 * No class, handle or callback crosses this boundary: a host passes plain
 * records and fixed-layout blocks, and reads fixed-layout blocks back.
 *
 * This header compiles as C99 and as C++.
 *
 * ---------------------------------------------------------------------------
 * Using it
 * ---------------------------------------------------------------------------
 *   PointSettings ps;
 *   meshaudit_default_point_settings(&ps);   // start from the defaults
 *   ps.Epsilon = 1e-6;                        // change what you care about
 *   set_pnt_params(&ps);                      // optional: defaults apply
 *
 *   MeshRecord mesh = { points, pointCount, triangles, triangleCount };
 *   if (analyse(&mesh) == 1) {
 *       PointResults pr;
 *       get_pnt_params(&pr);
 *       // pr.CountNAN is the value, pr.InRange[PNT_CountNAN] the verdict
 *   }
 *
 * Verdicts: every quantity k of a category owns Enable[k] in the settings
 * block and InRange[k] in the results block. InRange[k] is 1 when the value
 * met its criterion, 0 when it did not, 0xFF when it was not judged (its
 * Enable byte was 0, or the quantity is never judged).
 *
 * Enable bytes: exactly 1 means "compute and judge"; 0 means "skip". Any other
 * non-zero value means "judge whatever the slot holds, but do not compute".
 *
 * Values: counts are uint32_t. A count slot that holds NOT_COMPUTED
 * (0xFFFFFFFF) was not computed. An analysis that fails stores a small
 * negative code in its count slot as a two's complement value (-5 reads as
 * 0xFFFFFFFB); read a count as int32_t to see the code. The code -1 reads the
 * same as NOT_COMPUTED. Doubles use -1.0 as their not-computed mark, the mesh
 * volume uses the lowest finite double (-DBL_MAX), mesh booleans use -1.
 *
 * Threads: the library creates none and locks nothing. The eight blocks and
 * the progress line are process-wide; calls into the library must not
 * overlap. To analyse in parallel, use several processes.
 *
 * Console: while analyse() runs, the library draws a one-line progress bar on
 * standard error (carriage returns, no newline) and blanks it at the end.
 * Nothing else is ever printed; failures travel as return codes.
 */
#ifndef MESHAUDIT_H
#define MESHAUDIT_H

#include <float.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#define MESHAUDIT_VERSION_MAJOR 0
#define MESHAUDIT_VERSION_MINOR 1
#define MESHAUDIT_VERSION_PATCH 0
/* Version of this header as one number: major * 10000 + minor * 100 + patch. */
#define MESHAUDIT_VERSION 100

#if defined(_WIN32)
#  if defined(MESHAUDIT_BUILDING)
#    define MESHAUDIT_API __declspec(dllexport)
#  else
#    define MESHAUDIT_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define MESHAUDIT_API __attribute__((visibility("default")))
#else
#  define MESHAUDIT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Compile-time check usable from C99 and C++ alike. */
#define MESHAUDIT_STATIC_ASSERT(cond, name) \
    typedef char meshaudit_static_assert_##name[(cond) ? 1 : -1]

/* The not-computed mark of every u32 count slot. */
#define NOT_COMPUTED 0xFFFFFFFFu

/* ------------------------------------------------------------------------ */
/* Geometry records                                                         */
/* ------------------------------------------------------------------------ */

/* A point or vector: three doubles, 24 bytes, no padding. */
typedef struct T3DVECF {
    double x;
    double y;
    double z;
} T3DVECF;

/* A triangle: three point indices (0-based), 12 bytes. */
typedef struct TRIANGLE {
    uint32_t a;
    uint32_t b;
    uint32_t c;
} TRIANGLE;

/*
 * MeshRecord: the mesh handed to analyse() and to the repairs. Exactly 24
 * bytes on 4-byte boundaries: the triangle pointer sits at byte offset 12 and
 * is therefore not 8-byte aligned.
 *
 *   points         point array, pointCount entries of T3DVECF
 *   pointCount     number of points
 *   triangles      triangle array, triangleCount entries of TRIANGLE
 *   triangleCount  number of triangles
 *
 * Ownership: a record passed as input stays the caller's; the library reads
 * it during the call and keeps nothing after it returns. A record passed as
 * the output of a repair is filled with two arrays allocated by the library
 * (with malloc); the caller owns them and must give the record back to
 * clear_mesh() to release them.
 *
 * Triangle indices are not checked against pointCount on entry. An index at
 * or beyond pointCount is never read out of range; see "Out-of-range
 * indices" below for what each quantity does with such a triangle.
 */
#pragma pack(push, 4)
typedef struct MeshRecord {
    T3DVECF *points;
    uint32_t pointCount;
    TRIANGLE *triangles;
    uint32_t triangleCount;
} MeshRecord;
#pragma pack(pop)

/*
 * Out-of-range indices. A triangle that names a point index at or beyond
 * pointCount makes the whole mesh unusable for the incidence structures
 * (edges, border edges, per-point and per-triangle lists): the library builds
 * none of them and its internal topology fails with code -20 ("a triangle
 * names a point index at or beyond pointCount"). Every quantity computed from
 * those structures then stores its own topology-failure code, the one listed
 * with the quantity (for example edge::Count -5, edge::CountSingular -1).
 * No array is ever read or written out of range.
 *
 * Quantity by quantity, what a triangle with an index >= pointCount does:
 *
 *   quantity                                 such a triangle
 *   ---------------------------------------  --------------------------------
 *   point::CountNAN, CountINF                not read (points only)
 *   point::CountIsolated                     its out-of-range corners are
 *                                            skipped (they use no point); its
 *                                            other corners mark their points
 *   point::CountBorder                       -5 (topology failed)
 *   point::CountDuplicatedGeometrical,       not read (points only)
 *     CountClassesOfDuplicatedGeometrical,
 *     CountClassesOfEpsilonDuplicated...
 *   point::calculateMinimalDegree,           -1 (topology failed; reads as
 *     calculateMaximalDegree                 NOT_COMPUTED)
 *   triangle::CountBorder, CountIsolated,    -5 (topology failed)
 *     CountSingular, MinimalDegree,
 *     MaximalDegree, CountFlippedTopological
 *   triangle::CountInvalidTopological        examined by index like any other
 *   triangle::CountDuplicatedTopological,    keyed by its indices like any
 *     CountClassesOfDuplicatedTopological    other
 *   triangle::CountInvalidGeometrical        skipped: neither read nor counted
 *   triangle::CountDuplicatedGeometrical,    skipped: neither inserted nor
 *     CountClassesOfDuplicatedGeometrical    counted
 *   triangle::CountIntersected,              left out of the triangle tree:
 *     mesh::Selfintersection                 never read, never tested against
 *                                            another triangle, never reported;
 *                                            the other triangles still are
 *   mesh::Oriented, Orientable               0 (topology failed)
 *   mesh::CountComponents, CountBorders,     -5 (topology failed)
 *     CountHandles
 *   mesh::Connected, HasHandles,             -1 (their count failed)
 *     HasBorders, Closed, Inclusion
 *   mesh::Volume                             skipped: adds no determinant
 *                                            term; the others are summed
 *   mesh::Area                               skipped: adds nothing
 */

/* ------------------------------------------------------------------------ */
/* Ranges                                                                   */
/* ------------------------------------------------------------------------ */

/* A u32 value is in range when min <= value <= max (unsigned compare). */
typedef struct ValueRange {
    uint32_t min;
    uint32_t max;
} ValueRange;

/* A double is in range when value >= min and max >= value; NaN never is. */
typedef struct DoubleRange {
    double min;
    double max;
} DoubleRange;

/* ------------------------------------------------------------------------ */
/* The quantities                                                           */
/* ------------------------------------------------------------------------ */
/*
 * Each category lists its quantities once, below, in the order in which an
 * analysis visits them. Everything else that names a quantity is derived from
 * these lists: the PNT_/EDG_/TRI_/MSH_ indices, the default helpers further
 * down, the library's step tables and the command's report keys. A list is
 * an "X-macro": it calls X once per quantity with these columns:
 *
 *   P         the category's index prefix (PNT, EDG, TRI, MSH)
 *   k         the quantity's index: its byte in Enable and in InRange
 *   name      the results field that holds its value (and the index suffix)
 *   label     the text the progress line shows while it is computed
 *   SLOT      the value's kind and not-computed mark:
 *               COUNT  uint32_t, NOT_COMPUTED (a failure stores a negative code)
 *               REAL   double, -1.0
 *               VOLUME double, the lowest finite double (a volume may be negative)
 *               FLAG   int8_t 1 true, 0 false, -1 not computed
 *   CRIT      the kind of its settings field:
 *               RANGE      ValueRange, min <= value <= max, unsigned compare
 *               REAL_RANGE DoubleRange, min <= value <= max, NaN never passes
 *               EXPECTED   uint8_t, the value must equal it
 *   field     the settings field that judges it (several quantities may
 *             share one: the degree and length ranges)
 *   min, max  the field's default (EXPECTED: min is the expected byte)
 *   judged    1 judged into InRange[k] and counted as a step of the progress
 *             bar; 0 computed when enabled but never judged (InRange[k]
 *             stays 0xFF and the field is never read)
 *   enable    the default Enable[k]
 *   gate      0: the step runs when Enable[k] is 1; otherwise the step runs
 *             when any Enable byte among this bit mask of indices is 1
 *             (mesh counts that feed a flag)
 *   where     the elements behind the value, which the C++ location API
 *             (meshaudit.hpp) lists; each entry is one or more u32:
 *               NONE             no list
 *               POINTS           a point index
 *               EDGES            an edge as its two point indices, smaller first
 *               TRIANGLES        a triangle index
 *               POINT_CLASSES    a point index and its class (the index of the
 *                                class's first point)
 *               EDGE_CLASSES     an edge's two points and its class (the
 *                                list position of the class's first edge)
 *               TRIANGLE_CLASSES a triangle index and its class (the class's
 *                                first triangle)
 *               COMPONENTS       for each triangle in order, its component
 *               LOOPS            a border number and a point, the points
 *                                of each loop in order along it, its first
 *                                point again at its end; the borders are
 *                                numbered 0.. by their first border edge,
 *                                and loops that touch at a point are one
 *                                border, listed one after the other or run
 *                                as one walk through that point (a point
 *                                with an odd number of border edges may end
 *                                a walk elsewhere than its start)
 *               TRIANGLE_PAIRS   two triangles that intersect, smaller first
 *             A count's list has one entry per element counted (COMPONENTS
 *             and LOOPS excepted); a minimum or maximum lists the elements
 *             that attain it.
 */
#define MESHAUDIT_GATE(P, k) (1u << P##_##k)

/* P    k  name                                         label                                                SLOT   CRIT   field                                        min  max     judged enable gate  where */
#define MESHAUDIT_POINT_QUANTITIES(X) \
    X(PNT,  0, Count,                                      "point::Count",                                      COUNT, RANGE, Count,                                        3u, 500000u, 1, 1, 0, NONE            ) \
    X(PNT,  1, CountNAN,                                   "point::CountNAN",                                   COUNT, RANGE, CountNAN,                                     0u, 0u,      1, 1, 0, POINTS          ) \
    X(PNT,  2, CountINF,                                   "point::CountINF",                                   COUNT, RANGE, CountINF,                                     0u, 0u,      1, 1, 0, POINTS          ) \
    X(PNT,  3, CountIsolated,                              "point::CountIsolated",                              COUNT, RANGE, CountIsolated,                                0u, 0u,      1, 1, 0, POINTS          ) \
    X(PNT,  4, CountBorder,                                "point::CountBorder",                                COUNT, RANGE, CountBorder,                                  0u, 100000u, 1, 1, 0, POINTS          ) \
    X(PNT,  5, CountArticulation,                          "point::CountArticulation",                          COUNT, RANGE, CountArticulation,                            0u, 0u,      1, 1, 0, NONE            ) \
    X(PNT,  6, CountDuplicatedGeometrical,                 "point::CountDuplicatedGeometrical",                 COUNT, RANGE, CountDuplicatedGeometrical,                   0u, 0u,      1, 1, 0, POINT_CLASSES   ) \
    X(PNT,  7, CountClassesOfDuplicatedGeometrical,        "point::CountClassesOfDuplicatedGeometrical",        COUNT, RANGE, CountClassesOfDuplicatedGeometrical,          0u, 0u,      1, 1, 0, POINTS          ) \
    X(PNT,  8, CountClassesOfEpsilonDuplicatedGeometrical, "point::CountClassesOfEpsilonDuplicatedGeometrical", COUNT, RANGE, CountClassesOfEpsilonDuplicatedGeometrical,   0u, 0u,      1, 1, 0, POINTS          ) \
    X(PNT,  9, MinimalDegree,                              "point::calculateMinimalDegree",                     COUNT, RANGE, Degree,                                       2u, 64u,     1, 1, 0, POINTS          ) \
    X(PNT, 10, MaximalDegree,                              "point::calculateMaximalDegree",                     COUNT, RANGE, Degree,                                       2u, 64u,     1, 1, 0, POINTS          )

#define MESHAUDIT_EDGE_QUANTITIES(X) \
    X(EDG,  0, Count,                               "edge::Count",                               COUNT, RANGE,      Count,                               0u, 300000u, 1, 1, 0, NONE            ) \
    X(EDG,  1, CountBorder,                         "edge::CountBorder",                         COUNT, RANGE,      CountBorder,                         0u, 200000u, 1, 1, 0, EDGES           ) \
    X(EDG,  2, CountConvex,                         "edge::CountConvex",                         COUNT, RANGE,      CountConvex,                         0u, 300000u, 1, 1, 0, NONE            ) \
    X(EDG,  3, CountSingular,                       "edge::CountSingular",                       COUNT, RANGE,      CountSingular,                       0u, 0u,      1, 1, 0, EDGES           ) \
    X(EDG,  4, CountInvalidTopological,             "edge::CountInvalidTopological",             COUNT, RANGE,      CountInvalidTopological,             0u, 0u,      1, 1, 0, EDGES           ) \
    X(EDG,  5, CountInvalidGeometrical,             "edge::CountInvalidGeometrical",             COUNT, RANGE,      CountInvalidGeometrical,             0u, 0u,      1, 1, 0, EDGES           ) \
    X(EDG,  6, CountDuplicatedTopological,          "edge::CountDuplicatedTopological",          COUNT, RANGE,      CountDuplicatedTopological,          0u, 0u,      1, 1, 0, EDGE_CLASSES    ) \
    X(EDG,  7, CountDuplicatedGeometrical,          "edge::CountDuplicatedGeometrical",          COUNT, RANGE,      CountDuplicatedGeometrical,          0u, 0u,      1, 1, 0, EDGE_CLASSES    ) \
    X(EDG,  8, CountClassesOfDuplicatedTopological, "edge::CountClassesOfDuplicatedTopological", COUNT, RANGE,      CountClassesOfDuplicatedTopological, 0u, 0u,      1, 1, 0, EDGES           ) \
    X(EDG,  9, CountClassesOfDuplicatedGeometrical, "edge::CountClassesOfDuplicatedGeometrical", COUNT, RANGE,      CountClassesOfDuplicatedGeometrical, 0u, 0u,      1, 1, 0, EDGES           ) \
    X(EDG, 10, MinimalDegree,                       "edge::MinimalDegree",                       COUNT, RANGE,      Degree,                              1u, 2u,      1, 1, 0, EDGES           ) \
    X(EDG, 11, MaximalDegree,                       "edge::MaximalDegree",                       COUNT, RANGE,      Degree,                              1u, 2u,      1, 1, 0, EDGES           ) \
    X(EDG, 12, CountSmallerLength,                  "edge::CountSmallerLength",                  COUNT, RANGE,      CountSmallerLength,                  0u, 0u,      1, 1, 0, EDGES           ) \
    X(EDG, 14, CountGreaterLength,                  "edge::CountGreaterLength",                  COUNT, RANGE,      CountGreaterLength,                  0u, 0u,      1, 1, 0, EDGES           ) \
    X(EDG, 13, MinimalLength,                       "edge::MinimalLength",                       REAL,  REAL_RANGE, Length,                              0.0, 10.0,   1, 1, 0, EDGES           ) \
    X(EDG, 15, MaximalLength,                       "edge::MaximalLength",                       REAL,  REAL_RANGE, Length,                              0.0, 10.0,   1, 1, 0, EDGES           )

#define MESHAUDIT_TRIANGLE_QUANTITIES(X) \
    X(TRI,  0, Count,                               "triangle::Count\r",                             COUNT, RANGE, Count,                               0u, 900500u, 1, 1, 0, NONE            ) \
    X(TRI,  1, CountBorder,                         "triangle::CountBorder",                         COUNT, RANGE, CountBorder,                         0u, 120000u, 1, 1, 0, TRIANGLES       ) \
    X(TRI,  2, CountIsolated,                       "triangle::CountIsolated",                       COUNT, RANGE, CountIsolated,                       0u, 0u,      1, 1, 0, TRIANGLES       ) \
    X(TRI,  3, CountSingular,                       "triangle::CountSingular",                       COUNT, RANGE, CountSingular,                       0u, 0u,      1, 1, 0, TRIANGLES       ) \
    X(TRI,  4, MinimalDegree,                       "triangle::MinimalDegree",                       COUNT, RANGE, Degree,                              0u, 3u,      1, 1, 0, TRIANGLES       ) \
    X(TRI,  5, MaximalDegree,                       "triangle::MaximalDegree",                       COUNT, RANGE, Degree,                              0u, 3u,      1, 1, 0, TRIANGLES       ) \
    X(TRI,  6, CountInvalidTopological,             "triangle::CountInvalidTopological",             COUNT, RANGE, CountInvalidTopological,             0u, 0u,      1, 1, 0, TRIANGLES       ) \
    X(TRI,  7, CountInvalidGeometrical,             "triangle::CountInvalidGeometrical",             COUNT, RANGE, CountInvalidGeometrical,             0u, 0u,      1, 1, 0, TRIANGLES       ) \
    X(TRI,  8, CountDuplicatedTopological,          "triangle::CountDuplicatedTopological",          COUNT, RANGE, CountDuplicatedTopological,          0u, 0u,      0, 1, 0, TRIANGLE_CLASSES) \
    X(TRI,  9, CountDuplicatedGeometrical,          "triangle::CountDuplicatedGeometrical",          COUNT, RANGE, CountDuplicatedGeometrical,          0u, 0u,      0, 1, 0, TRIANGLE_CLASSES) \
    X(TRI, 10, CountClassesOfDuplicatedTopological, "triangle::CountClassesOfDuplicatedTopological", COUNT, RANGE, CountClassesOfDuplicatedTopological, 0u, 0u,      1, 1, 0, TRIANGLES       ) \
    X(TRI, 11, CountClassesOfDuplicatedGeometrical, "triangle::CountClassesOfDuplicatedGeometrical", COUNT, RANGE, CountClassesOfDuplicatedGeometrical, 0u, 0u,      1, 1, 0, TRIANGLES       ) \
    X(TRI, 13, CountIntersected,                    "triangle::CountIntersected",                    COUNT, RANGE, CountIntersected,                    0u, 0u,      1, 1, 0, TRIANGLES       ) \
    X(TRI, 12, CountFlippedTopological,             "triangle::CountFlippedTopological",             COUNT, RANGE, CountFlippedTopological,             0u, 0u,      1, 1, 0, TRIANGLES       )

/* HasHandles shows "mesh::Manifold" and CountBorders "mesh::Handles": the
   labels are the library's own, kept byte for byte. */
#define MESHAUDIT_MESH_QUANTITIES(X) \
    X(MSH,  0, Manifold,          "mesh::Manifold",           FLAG,   EXPECTED,   Manifold,          1, 0,          1, 0, 0, NONE            ) \
    X(MSH,  1, Oriented,          "mesh::Oriented",           FLAG,   EXPECTED,   Oriented,          1, 0,          1, 1, 0, EDGES           ) \
    X(MSH,  2, Orientable,        "mesh::Orientable",         FLAG,   EXPECTED,   Orientable,        1, 0,          1, 1, 0, NONE            ) \
    X(MSH,  4, CountComponents,   "mesh::CountComponents",    COUNT,  RANGE,      CountComponents,   0u, 10u,       1, 1, MESHAUDIT_GATE(MSH, Connected) | MESHAUDIT_GATE(MSH, CountComponents), COMPONENTS      ) \
    X(MSH,  3, Connected,         "mesh::Connected",          FLAG,   EXPECTED,   Connected,         1, 0,          1, 1, 0, NONE            ) \
    X(MSH,  6, CountHandles,      "mesh::CountHandles",       COUNT,  RANGE,      CountHandles,      0u, 10u,       1, 1, MESHAUDIT_GATE(MSH, HasHandles) | MESHAUDIT_GATE(MSH, CountHandles), NONE            ) \
    X(MSH,  5, HasHandles,        "mesh::Manifold",           FLAG,   EXPECTED,   HasHandles,        1, 0,          1, 1, 0, NONE            ) \
    X(MSH,  9, CountBorders,      "mesh::Handles",            COUNT,  RANGE,      CountBorders,      0u, 15u,       1, 1, MESHAUDIT_GATE(MSH, Closed) | MESHAUDIT_GATE(MSH, HasBorders) | MESHAUDIT_GATE(MSH, CountBorders), LOOPS           ) \
    X(MSH,  8, HasBorders,        "mesh::Borders",            FLAG,   EXPECTED,   HasBorders,        0, 0,          1, 1, 0, NONE            ) \
    X(MSH,  7, Closed,            "mesh::Closed",             FLAG,   EXPECTED,   Closed,            1, 0,          1, 1, 0, NONE            ) \
    X(MSH, 10, Invalid,           "mesh::Invalid",            FLAG,   EXPECTED,   Invalid,           0, 0,          1, 1, 0, NONE            ) \
    X(MSH, 11, Singular,          "mesh::Singular",           FLAG,   EXPECTED,   Singular,          0, 0,          1, 1, 0, NONE            ) \
    X(MSH, 12, PreciseDuplicates, "mesh::Precise Duplicates", FLAG,   EXPECTED,   PreciseDuplicates, 0, 0,          1, 1, 0, NONE            ) \
    X(MSH, 13, EpsilonDuplicates, "mesh::Epsilon Duplicates", FLAG,   EXPECTED,   EpsilonDuplicates, 0, 0,          1, 1, 0, NONE            ) \
    X(MSH, 14, Inclusion,         "mesh::Inclusion",          FLAG,   EXPECTED,   Inclusion,         1, 0,          1, 1, 0, NONE            ) \
    X(MSH, 15, Selfintersection,  "mesh::Selfintersection",   FLAG,   EXPECTED,   Selfintersection,  0, 0,          1, 1, 0, TRIANGLE_PAIRS  ) \
    X(MSH, 16, Convex,            "mesh::Convex",             FLAG,   EXPECTED,   Convex,            0, 0,          1, 0, 0, NONE            ) \
    X(MSH, 17, Volume,            "mesh::Volume",             VOLUME, REAL_RANGE, Volume,            -500000.0, 500000.0, 1, 1, 0, NONE            ) \
    X(MSH, 18, Area,              "mesh::Area",               REAL,   REAL_RANGE, Area,              0.0, 500000.0, 0, 1, 0, NONE            ) \
    X(MSH, 20, AspectRatio,       "mesh::AspectRatio",        REAL,   REAL_RANGE, AspectRatio,       0.0, 1.0,      0, 0, 0, NONE            ) \
    X(MSH, 21, Diameter,          "mesh::Diameter",           REAL,   REAL_RANGE, Diameter,          0.0, 500000.0, 0, 0, 0, NONE            )

/* Helpers for expanding the lists. */
#define MESHAUDIT_X_INDEX(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    P##_##name = k,
#define MESHAUDIT_X_PLUS_ONE(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) +1

/* ------------------------------------------------------------------------ */
/* Points                                                                   */
/* ------------------------------------------------------------------------ */

/* Index k of each point quantity in PointSettings.Enable and
   PointResults.InRange. */
enum PointQuantity {
    MESHAUDIT_POINT_QUANTITIES(MESHAUDIT_X_INDEX)
    PNT_QUANTITIES = 0 MESHAUDIT_POINT_QUANTITIES(MESHAUDIT_X_PLUS_ONE)
};

/* PointSettings: 104 bytes. Defaults in brackets. */
typedef struct PointSettings {
    ValueRange Count;                 /*  0 [3, 500000] number of points */
    ValueRange CountNAN;              /*  8 [0, 0] points with a NaN coordinate */
    ValueRange CountINF;              /* 16 [0, 0] points with an infinite coordinate */
    ValueRange CountIsolated;         /* 24 [0, 0] points no triangle uses */
    ValueRange CountBorder;           /* 32 [0, 100000] points on a border edge */
    ValueRange CountArticulation;     /* 40 [0, 0] not computed in this version */
    ValueRange CountDuplicatedGeometrical;          /* 48 [0, 0] */
    ValueRange CountClassesOfDuplicatedGeometrical; /* 56 [0, 0] */
    ValueRange CountClassesOfEpsilonDuplicatedGeometrical; /* 64 [0, 0] */
    double Epsilon;                   /* 72 [0.002] distance of the epsilon count; its sign is ignored */
    ValueRange Degree;                /* 80 [2, 64] judges both point degrees */
    uint8_t Enable[PNT_QUANTITIES];   /* 88 all 1 */
    uint8_t Padding[5];               /* 99 never read (0 in the defaults) */
} PointSettings;

/* PointResults: 56 bytes. Every count is NOT_COMPUTED until computed. */
typedef struct PointResults {
    uint32_t Count;                   /*  0 pointCount */
    uint32_t CountNAN;                /*  4 points with >= 1 NaN coordinate; -1 no points array, -2 no points */
    uint32_t CountINF;                /*  8 points with >= 1 infinite coordinate; codes as CountNAN */
    uint32_t CountIsolated;           /* 12 points used by no triangle; -1..-4 bad record, -5 out of memory */
    uint32_t CountBorder;             /* 16 end points of border edges; -1..-4 bad record, -5 topology failed, -6 out of memory */
    uint32_t CountArticulation;       /* 20 always NOT_COMPUTED in this version */
    uint32_t CountDuplicatedGeometrical;          /* 24 points sharing exact coordinates with another point; -1, -2 bad record, -3..-6 out of memory */
    uint32_t CountClassesOfDuplicatedGeometrical; /* 28 distinct coordinates held by >= 2 points; codes as above */
    uint32_t CountClassesOfEpsilonDuplicatedGeometrical; /* 32 points with another point within Epsilon; -1, -2 bad record, -3 tree build failed */
    uint32_t MinimalDegree;           /* 36 fewest distinct neighbours of a point; -1 topology failed */
    uint32_t MaximalDegree;           /* 40 most distinct neighbours of a point; -1 topology failed */
    uint8_t InRange[PNT_QUANTITIES];  /* 44 verdicts: 1 pass, 0 fail, 0xFF not judged */
    uint8_t Padding[1];               /* 55 */
} PointResults;

/* ------------------------------------------------------------------------ */
/* Edges                                                                    */
/* ------------------------------------------------------------------------ */

/* Index k of each edge quantity in EdgeSettings.Enable and
   EdgeResults.InRange. The values lie in their own order (see the struct). */
enum EdgeQuantity {
    MESHAUDIT_EDGE_QUANTITIES(MESHAUDIT_X_INDEX)
    EDG_QUANTITIES = 0 MESHAUDIT_EDGE_QUANTITIES(MESHAUDIT_X_PLUS_ONE)
};

/* EdgeSettings: 136 bytes. Defaults in brackets. */
typedef struct EdgeSettings {
    ValueRange Count;                     /*   0 [0, 300000] */
    ValueRange CountBorder;               /*   8 [0, 200000] */
    ValueRange CountConvex;               /*  16 [0, 300000] */
    ValueRange CountSingular;             /*  24 [0, 0] */
    ValueRange CountInvalidTopological;   /*  32 [0, 0] */
    ValueRange CountInvalidGeometrical;   /*  40 [0, 0] */
    ValueRange CountDuplicatedTopological;          /*  48 [0, 0] */
    ValueRange CountDuplicatedGeometrical;          /*  56 [0, 0] */
    ValueRange CountClassesOfDuplicatedTopological; /*  64 [0, 0] */
    ValueRange CountClassesOfDuplicatedGeometrical; /*  72 [0, 0] */
    ValueRange Degree;                    /*  80 [1, 2] judges both edge degrees */
    DoubleRange Length;                   /*  88 [0.0, 10.0] judges both lengths; min is also the
                                                 threshold of CountSmallerLength, max that of
                                                 CountGreaterLength */
    ValueRange CountSmallerLength;        /* 104 [0, 0] */
    ValueRange CountGreaterLength;        /* 112 [0, 0] */
    uint8_t Enable[EDG_QUANTITIES];       /* 120 all 1 */
} EdgeSettings;

/* EdgeResults: 96 bytes. Counts NOT_COMPUTED, lengths -1.0 until computed.
   Codes of the counts: -1..-4 bad record, -5 topology failed, further codes
   per quantity as listed. */
typedef struct EdgeResults {
    uint32_t Count;                       /*  0 unordered pairs of distinct points sharing a triangle; -6 out of memory */
    uint32_t CountBorder;                 /*  4 triangle sides no other triangle has */
    uint32_t CountConvex;                 /*  8 always NOT_COMPUTED in this version */
    uint32_t CountSingular;               /* 12 edges on more than two triangles; -1/-2 topology failed */
    uint32_t CountInvalidTopological;     /* 16 edges (v, v) of a triangle repeating v; -6 no edge list, -7 empty edge list */
    uint32_t CountInvalidGeometrical;     /* 20 edges whose end points have equal coordinates */
    uint32_t CountDuplicatedTopological;  /* 24 always 0 once computed: the edge list is unique; -8..-11 out of memory */
    uint32_t CountDuplicatedGeometrical;  /* 28 edges whose end coordinates equal another edge's */
    uint32_t CountClassesOfDuplicatedTopological; /* 32 */
    uint32_t CountClassesOfDuplicatedGeometrical; /* 36 */
    uint32_t MinimalDegree;               /* 40 fewest triangles on an edge; -1/-2 topology failed */
    uint32_t MaximalDegree;               /* 44 most triangles on an edge */
    uint32_t CountSmallerLength;          /* 48 edges shorter than Length.min */
    uint8_t Padding0[4];                  /* 52 */
    double MinimalLength;                 /* 56 shortest edge; a failure code is stored as a double (-5.0 ...) */
    uint32_t CountGreaterLength;          /* 64 edges longer than Length.max */
    uint8_t Padding1[4];                  /* 68 */
    double MaximalLength;                 /* 72 longest edge */
    uint8_t InRange[EDG_QUANTITIES];      /* 80 verdicts */
} EdgeResults;

/* ------------------------------------------------------------------------ */
/* Triangles                                                                */
/* ------------------------------------------------------------------------ */

/* Index k of each triangle quantity in TriangleSettings.Enable and
   TriangleResults.InRange. Note that k 12 is the flipped count and k 13 the
   intersected count, while the values and ranges hold the intersected count
   first. */
enum TriangleQuantity {
    MESHAUDIT_TRIANGLE_QUANTITIES(MESHAUDIT_X_INDEX)
    TRI_QUANTITIES = 0 MESHAUDIT_TRIANGLE_QUANTITIES(MESHAUDIT_X_PLUS_ONE)
};

/* TriangleSettings: 232 bytes. Defaults in brackets. */
typedef struct TriangleSettings {
    ValueRange Count;                     /*   0 [0, 900500] */
    ValueRange CountBorder;               /*   8 [0, 120000] */
    ValueRange CountIsolated;             /*  16 [0, 0] */
    ValueRange CountSingular;             /*  24 [0, 0] */
    ValueRange Degree;                    /*  32 [0, 3] judges both triangle degrees */
    ValueRange CountInvalidTopological;   /*  40 [0, 0] */
    ValueRange CountInvalidGeometrical;   /*  48 [0, 0] */
    ValueRange CountDuplicatedTopological;          /*  56 [0, 0] never read */
    ValueRange CountDuplicatedGeometrical;          /*  64 [0, 0] never read */
    ValueRange CountClassesOfDuplicatedTopological; /*  72 [0, 0] */
    ValueRange CountClassesOfDuplicatedGeometrical; /*  80 [0, 0] */
    ValueRange CountIntersected;          /*  88 [0, 0] */
    ValueRange CountFlippedTopological;   /*  96 [0, 0] */
    DoubleRange Unused[5];                /* 104 [0, 15.4] [0, 180] [0, 1] [0, 9.2] [0, 3.21]; never read */
    uint8_t Enable[TRI_QUANTITIES];       /* 184 all 1 */
    uint8_t EnableUnused[30];             /* 198 all 1; never read */
    uint8_t Padding[4];                   /* 228 */
} TriangleSettings;

/* One of the nine unused value slots of TriangleResults. */
typedef struct TriangleUnusedSlot {
    double value;                         /* always -1.0 */
    uint8_t bytes[8];                     /* always 0xFF */
} TriangleUnusedSlot;

/* TriangleResults: 264 bytes. Counts NOT_COMPUTED until computed. */
typedef struct TriangleResults {
    uint32_t Count;                       /*   0 triangleCount */
    uint32_t CountBorder;                 /*   4 triangles with a corner on a border edge; -5 border marking failed */
    uint32_t CountIsolated;               /*   8 triangles sharing no edge; -5 topology failed */
    uint32_t CountSingular;               /*  12 triangles of degree > 3; -5 topology failed */
    uint32_t MinimalDegree;               /*  16 smallest triangle degree */
    uint32_t MaximalDegree;               /*  20 largest triangle degree */
    uint32_t CountInvalidTopological;     /*  24 triangles repeating a point index */
    uint32_t CountInvalidGeometrical;     /*  28 triangles with two coincident corners */
    uint32_t CountDuplicatedTopological;  /*  32 triangles whose index set recurs; -3..-6 out of memory */
    uint32_t CountDuplicatedGeometrical;  /*  36 triangles whose corner set recurs; -5..-8 out of memory */
    uint32_t CountClassesOfDuplicatedTopological; /* 40 */
    uint32_t CountClassesOfDuplicatedGeometrical; /* 44 */
    uint32_t CountIntersected;            /*  48 triangles intersecting a triangle sharing no index; -1 tree build failed, -2 traversal failed */
    uint32_t CountFlippedTopological;     /*  52 triangles with an equally directed edge neighbour */
    uint32_t Unused[2];                   /*  56 always NOT_COMPUTED */
    TriangleUnusedSlot UnusedSlots[9];    /*  64 */
    double UnusedDouble;                  /* 208 always -1.0 */
    uint8_t InRange[TRI_QUANTITIES];      /* 216 verdicts; k 8 and 9 always 0xFF */
    uint8_t InRangeUnused[30];            /* 230 always 0xFF */
    uint8_t Padding[4];                   /* 260 */
} TriangleResults;

/* ------------------------------------------------------------------------ */
/* Mesh                                                                     */
/* ------------------------------------------------------------------------ */

/* Index k of each mesh quantity in MeshSettings.Enable and
   MeshResults.InRange. Labels are those the progress line shows. */
enum MeshQuantity {
    MESHAUDIT_MESH_QUANTITIES(MESHAUDIT_X_INDEX)
    MSH_Unused19 = 19, /* no quantity: its bytes are never read or written */
    MSH_QUANTITIES = 1 MESHAUDIT_MESH_QUANTITIES(MESHAUDIT_X_PLUS_ONE)
};

/* MeshSettings: 152 bytes. Booleans are judged by equality with an expected
   byte (0 or 1). Defaults in brackets. */
typedef struct MeshSettings {
    uint8_t Manifold;                 /*   0 expected [1] */
    uint8_t Oriented;                 /*   1 expected [1] */
    uint8_t Orientable;               /*   2 expected [1] */
    uint8_t Connected;                /*   3 expected [1] */
    ValueRange CountComponents;       /*   4 [0, 10] */
    uint8_t HasHandles;               /*  12 expected [1] */
    uint8_t Padding0[3];              /*  13 */
    ValueRange CountHandles;          /*  16 [0, 10] */
    uint8_t Closed;                   /*  24 expected [1] */
    uint8_t HasBorders;               /*  25 expected [0] */
    uint8_t Padding1[2];              /*  26 */
    ValueRange CountBorders;          /*  28 [0, 15] */
    uint8_t Invalid;                  /*  36 expected [0] */
    uint8_t Singular;                 /*  37 expected [0] */
    uint8_t PreciseDuplicates;        /*  38 expected [0] */
    uint8_t EpsilonDuplicates;        /*  39 expected [0] */
    uint8_t Inclusion;                /*  40 expected [1] */
    uint8_t Selfintersection;         /*  41 expected [0] */
    uint8_t Convex;                   /*  42 expected [0] */
    uint8_t Padding2[5];              /*  43 */
    DoubleRange Volume;               /*  48 [-500000.0, 500000.0] */
    DoubleRange Area;                 /*  64 [0.0, 500000.0] never read */
    DoubleRange Unused19;             /*  80 [0.0, 500000.0] never read */
    DoubleRange AspectRatio;          /*  96 [0.0, 1.0] never read */
    DoubleRange Diameter;             /* 112 [0.0, 500000.0] never read */
    uint8_t Enable[MSH_QUANTITIES];   /* 128 all 1 except Manifold, Convex, Unused19,
                                               AspectRatio, Diameter (0) */
    uint8_t Padding3[2];              /* 150 */
} MeshSettings;

/* MeshResults: 96 bytes. Booleans are 1 true, 0 false, -1 not computed or
   not computable (an input count failed). */
typedef struct MeshResults {
    int8_t Manifold;                  /*  0 always -1 in this version */
    int8_t Oriented;                  /*  1 every shared edge runs opposite ways; failures give 0 */
    int8_t Orientable;                /*  2 the triangles can be oriented so; failures give 0 */
    int8_t Connected;                 /*  3 exactly one component */
    uint32_t CountComponents;         /*  4 groups of triangles joined through shared edges;
                                             -5 topology failed, -6 out of memory */
    int8_t HasHandles;                /*  8 CountHandles > 0 */
    uint8_t Padding0[3];              /*  9 */
    uint32_t CountHandles;            /* 12 K - (V - I - E + B + T - X) / 2 (Euler relation:
                                             K components, V points, I isolated points,
                                             E edges, B borders, T triangles, X triangles
                                             repeating an index), in 32-bit two's
                                             complement, the halving toward zero. Its five
                                             inputs are computed afresh; when one of them
                                             fails the relation would mean nothing, so the
                                             count is -5 instead */
    int8_t Closed;                    /* 16 no border */
    int8_t HasBorders;                /* 17 at least one border */
    uint8_t Padding1[2];              /* 18 */
    uint32_t CountBorders;            /* 20 groups of border edges joined through shared points
                                             (loops touching at a point are one border);
                                             -5 topology failed or out of memory, -6 out of
                                             memory (a point with n border edges needs n^2
                                             list entries) */
    int8_t Invalid;                   /* 24 an edge or triangle is invalid */
    int8_t Singular;                  /* 25 an edge or triangle is singular */
    int8_t PreciseDuplicates;         /* 26 exact duplicate points, edges or triangles exist */
    int8_t EpsilonDuplicates;         /* 27 a point has another within Epsilon */
    int8_t Inclusion;                 /* 28 one closed, oriented piece of positive volume */
    int8_t Selfintersection;          /* 29 two triangles sharing no index intersect or touch;
                                             0 also when the triangle tree cannot be built,
                                             -1 when the search ran out of memory */
    int8_t Convex;                    /* 30 always -1 in this version */
    uint8_t Padding2[1];              /* 31 */
    double Volume;                    /* 32 signed enclosed volume (positive for outward
                                             triangles, counter-clockwise seen from outside),
                                             a sixth of the sum of one determinant per
                                             triangle, added smallest magnitude first (equal
                                             magnitudes in triangle order, so the value is
                                             the same on every platform);
                                             -DBL_MAX not computed, which it stays when its
                                             scratch array (16 bytes per triangle) cannot
                                             be allocated */
    double Area;                      /* 40 surface area; -1.0 not computed */
    double Unused19;                  /* 48 always -1.0 */
    double AspectRatio;               /* 56 always -1.0 in this version */
    double Diameter;                  /* 64 always -1.0 in this version */
    uint8_t InRange[MSH_QUANTITIES];  /* 72 verdicts; Area, Unused19, AspectRatio, Diameter always 0xFF */
    uint8_t Padding3[2];              /* 94 */
} MeshResults;

/* ------------------------------------------------------------------------ */
/* Layout checks: the blocks are a binary boundary format.                  */
/* ------------------------------------------------------------------------ */

#define MESHAUDIT_CHECK_OFFSET(type, field, offset) \
    MESHAUDIT_STATIC_ASSERT(offsetof(type, field) == (offset), type##_##field##_at_##offset)
#define MESHAUDIT_CHECK_SIZE(type, size) \
    MESHAUDIT_STATIC_ASSERT(sizeof(type) == (size), type##_is_##size##_bytes)

MESHAUDIT_CHECK_SIZE(T3DVECF, 24);
MESHAUDIT_CHECK_SIZE(TRIANGLE, 12);
#if UINTPTR_MAX > 0xFFFFFFFFu
MESHAUDIT_CHECK_SIZE(MeshRecord, 24);
MESHAUDIT_CHECK_OFFSET(MeshRecord, points, 0);
MESHAUDIT_CHECK_OFFSET(MeshRecord, pointCount, 8);
MESHAUDIT_CHECK_OFFSET(MeshRecord, triangles, 12);
MESHAUDIT_CHECK_OFFSET(MeshRecord, triangleCount, 20);
#else
/* 32-bit pointers (WebAssembly): the same fields, 16 bytes. */
MESHAUDIT_CHECK_SIZE(MeshRecord, 16);
MESHAUDIT_CHECK_OFFSET(MeshRecord, pointCount, 4);
MESHAUDIT_CHECK_OFFSET(MeshRecord, triangles, 8);
MESHAUDIT_CHECK_OFFSET(MeshRecord, triangleCount, 12);
#endif
MESHAUDIT_CHECK_SIZE(ValueRange, 8);
MESHAUDIT_CHECK_SIZE(DoubleRange, 16);

MESHAUDIT_CHECK_SIZE(PointSettings, 104);
MESHAUDIT_CHECK_OFFSET(PointSettings, Count, 0);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountNAN, 8);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountINF, 16);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountIsolated, 24);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountBorder, 32);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountArticulation, 40);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountDuplicatedGeometrical, 48);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountClassesOfDuplicatedGeometrical, 56);
MESHAUDIT_CHECK_OFFSET(PointSettings, CountClassesOfEpsilonDuplicatedGeometrical, 64);
MESHAUDIT_CHECK_OFFSET(PointSettings, Epsilon, 72);
MESHAUDIT_CHECK_OFFSET(PointSettings, Degree, 80);
MESHAUDIT_CHECK_OFFSET(PointSettings, Enable, 88);
MESHAUDIT_CHECK_OFFSET(PointSettings, Padding, 99);

MESHAUDIT_CHECK_SIZE(PointResults, 56);
MESHAUDIT_CHECK_OFFSET(PointResults, Count, 0);
MESHAUDIT_CHECK_OFFSET(PointResults, CountNAN, 4);
MESHAUDIT_CHECK_OFFSET(PointResults, CountINF, 8);
MESHAUDIT_CHECK_OFFSET(PointResults, CountIsolated, 12);
MESHAUDIT_CHECK_OFFSET(PointResults, CountBorder, 16);
MESHAUDIT_CHECK_OFFSET(PointResults, CountArticulation, 20);
MESHAUDIT_CHECK_OFFSET(PointResults, CountDuplicatedGeometrical, 24);
MESHAUDIT_CHECK_OFFSET(PointResults, CountClassesOfDuplicatedGeometrical, 28);
MESHAUDIT_CHECK_OFFSET(PointResults, CountClassesOfEpsilonDuplicatedGeometrical, 32);
MESHAUDIT_CHECK_OFFSET(PointResults, MinimalDegree, 36);
MESHAUDIT_CHECK_OFFSET(PointResults, MaximalDegree, 40);
MESHAUDIT_CHECK_OFFSET(PointResults, InRange, 44);
MESHAUDIT_CHECK_OFFSET(PointResults, Padding, 55);

MESHAUDIT_CHECK_SIZE(EdgeSettings, 136);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, Count, 0);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountBorder, 8);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountConvex, 16);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountSingular, 24);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountInvalidTopological, 32);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountInvalidGeometrical, 40);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountDuplicatedTopological, 48);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountDuplicatedGeometrical, 56);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountClassesOfDuplicatedTopological, 64);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountClassesOfDuplicatedGeometrical, 72);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, Degree, 80);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, Length, 88);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountSmallerLength, 104);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, CountGreaterLength, 112);
MESHAUDIT_CHECK_OFFSET(EdgeSettings, Enable, 120);

MESHAUDIT_CHECK_SIZE(EdgeResults, 96);
MESHAUDIT_CHECK_OFFSET(EdgeResults, Count, 0);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountBorder, 4);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountConvex, 8);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountSingular, 12);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountInvalidTopological, 16);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountInvalidGeometrical, 20);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountDuplicatedTopological, 24);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountDuplicatedGeometrical, 28);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountClassesOfDuplicatedTopological, 32);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountClassesOfDuplicatedGeometrical, 36);
MESHAUDIT_CHECK_OFFSET(EdgeResults, MinimalDegree, 40);
MESHAUDIT_CHECK_OFFSET(EdgeResults, MaximalDegree, 44);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountSmallerLength, 48);
MESHAUDIT_CHECK_OFFSET(EdgeResults, Padding0, 52);
MESHAUDIT_CHECK_OFFSET(EdgeResults, MinimalLength, 56);
MESHAUDIT_CHECK_OFFSET(EdgeResults, CountGreaterLength, 64);
MESHAUDIT_CHECK_OFFSET(EdgeResults, Padding1, 68);
MESHAUDIT_CHECK_OFFSET(EdgeResults, MaximalLength, 72);
MESHAUDIT_CHECK_OFFSET(EdgeResults, InRange, 80);

MESHAUDIT_CHECK_SIZE(TriangleSettings, 232);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, Count, 0);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountBorder, 8);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountIsolated, 16);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountSingular, 24);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, Degree, 32);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountInvalidTopological, 40);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountInvalidGeometrical, 48);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountDuplicatedTopological, 56);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountDuplicatedGeometrical, 64);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountClassesOfDuplicatedTopological, 72);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountClassesOfDuplicatedGeometrical, 80);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountIntersected, 88);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, CountFlippedTopological, 96);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, Unused, 104);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, Enable, 184);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, EnableUnused, 198);
MESHAUDIT_CHECK_OFFSET(TriangleSettings, Padding, 228);

MESHAUDIT_CHECK_SIZE(TriangleUnusedSlot, 16);
MESHAUDIT_CHECK_SIZE(TriangleResults, 264);
MESHAUDIT_CHECK_OFFSET(TriangleResults, Count, 0);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountBorder, 4);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountIsolated, 8);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountSingular, 12);
MESHAUDIT_CHECK_OFFSET(TriangleResults, MinimalDegree, 16);
MESHAUDIT_CHECK_OFFSET(TriangleResults, MaximalDegree, 20);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountInvalidTopological, 24);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountInvalidGeometrical, 28);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountDuplicatedTopological, 32);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountDuplicatedGeometrical, 36);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountClassesOfDuplicatedTopological, 40);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountClassesOfDuplicatedGeometrical, 44);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountIntersected, 48);
MESHAUDIT_CHECK_OFFSET(TriangleResults, CountFlippedTopological, 52);
MESHAUDIT_CHECK_OFFSET(TriangleResults, Unused, 56);
MESHAUDIT_CHECK_OFFSET(TriangleResults, UnusedSlots, 64);
MESHAUDIT_CHECK_OFFSET(TriangleResults, UnusedDouble, 208);
MESHAUDIT_CHECK_OFFSET(TriangleResults, InRange, 216);
MESHAUDIT_CHECK_OFFSET(TriangleResults, InRangeUnused, 230);
MESHAUDIT_CHECK_OFFSET(TriangleResults, Padding, 260);

MESHAUDIT_CHECK_SIZE(MeshSettings, 152);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Manifold, 0);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Oriented, 1);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Orientable, 2);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Connected, 3);
MESHAUDIT_CHECK_OFFSET(MeshSettings, CountComponents, 4);
MESHAUDIT_CHECK_OFFSET(MeshSettings, HasHandles, 12);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Padding0, 13);
MESHAUDIT_CHECK_OFFSET(MeshSettings, CountHandles, 16);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Closed, 24);
MESHAUDIT_CHECK_OFFSET(MeshSettings, HasBorders, 25);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Padding1, 26);
MESHAUDIT_CHECK_OFFSET(MeshSettings, CountBorders, 28);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Invalid, 36);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Singular, 37);
MESHAUDIT_CHECK_OFFSET(MeshSettings, PreciseDuplicates, 38);
MESHAUDIT_CHECK_OFFSET(MeshSettings, EpsilonDuplicates, 39);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Inclusion, 40);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Selfintersection, 41);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Convex, 42);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Padding2, 43);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Volume, 48);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Area, 64);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Unused19, 80);
MESHAUDIT_CHECK_OFFSET(MeshSettings, AspectRatio, 96);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Diameter, 112);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Enable, 128);
MESHAUDIT_CHECK_OFFSET(MeshSettings, Padding3, 150);

MESHAUDIT_CHECK_SIZE(MeshResults, 96);
MESHAUDIT_CHECK_OFFSET(MeshResults, Manifold, 0);
MESHAUDIT_CHECK_OFFSET(MeshResults, Oriented, 1);
MESHAUDIT_CHECK_OFFSET(MeshResults, Orientable, 2);
MESHAUDIT_CHECK_OFFSET(MeshResults, Connected, 3);
MESHAUDIT_CHECK_OFFSET(MeshResults, CountComponents, 4);
MESHAUDIT_CHECK_OFFSET(MeshResults, HasHandles, 8);
MESHAUDIT_CHECK_OFFSET(MeshResults, Padding0, 9);
MESHAUDIT_CHECK_OFFSET(MeshResults, CountHandles, 12);
MESHAUDIT_CHECK_OFFSET(MeshResults, Closed, 16);
MESHAUDIT_CHECK_OFFSET(MeshResults, HasBorders, 17);
MESHAUDIT_CHECK_OFFSET(MeshResults, Padding1, 18);
MESHAUDIT_CHECK_OFFSET(MeshResults, CountBorders, 20);
MESHAUDIT_CHECK_OFFSET(MeshResults, Invalid, 24);
MESHAUDIT_CHECK_OFFSET(MeshResults, Singular, 25);
MESHAUDIT_CHECK_OFFSET(MeshResults, PreciseDuplicates, 26);
MESHAUDIT_CHECK_OFFSET(MeshResults, EpsilonDuplicates, 27);
MESHAUDIT_CHECK_OFFSET(MeshResults, Inclusion, 28);
MESHAUDIT_CHECK_OFFSET(MeshResults, Selfintersection, 29);
MESHAUDIT_CHECK_OFFSET(MeshResults, Convex, 30);
MESHAUDIT_CHECK_OFFSET(MeshResults, Padding2, 31);
MESHAUDIT_CHECK_OFFSET(MeshResults, Volume, 32);
MESHAUDIT_CHECK_OFFSET(MeshResults, Area, 40);
MESHAUDIT_CHECK_OFFSET(MeshResults, Unused19, 48);
MESHAUDIT_CHECK_OFFSET(MeshResults, AspectRatio, 56);
MESHAUDIT_CHECK_OFFSET(MeshResults, Diameter, 64);
MESHAUDIT_CHECK_OFFSET(MeshResults, InRange, 72);
MESHAUDIT_CHECK_OFFSET(MeshResults, Padding3, 94);

/* ------------------------------------------------------------------------ */
/* Defaults and not-computed states, without a call into the library        */
/* ------------------------------------------------------------------------ */
/* Each settings helper fills a block with exactly the bytes the library's  */
/* own block holds at load (padding included, as 0), so a host can start    */
/* from the defaults, change a few fields and pass the block to set_*. Each */
/* results helper fills a block with the state get_* reports before any     */
/* analysis: every value at its not-computed mark, every InRange byte 0xFF, */
/* padding 0.                                                               */

MESHAUDIT_STATIC_ASSERT(PNT_QUANTITIES == 11, eleven_point_quantities);
MESHAUDIT_STATIC_ASSERT(EDG_QUANTITIES == 16, sixteen_edge_quantities);
MESHAUDIT_STATIC_ASSERT(TRI_QUANTITIES == 14, fourteen_triangle_quantities);
MESHAUDIT_STATIC_ASSERT(MSH_QUANTITIES == 22, twenty_two_mesh_slots);

/* The not-computed marks of the value kinds (NOT_COMPUTED is the counts').
   The mesh volume's is the lowest finite double, since a volume may be
   negative. */
#define MESHAUDIT_VOLUME_NOT_COMPUTED (-DBL_MAX)
#define MESHAUDIT_REAL_NOT_COMPUTED (-1.0)
#define MESHAUDIT_FLAG_NOT_COMPUTED (-1)
#define MESHAUDIT_NOT_JUDGED 0xFFu

#define MESHAUDIT_DEFAULT_RANGE(s, field, lo, hi) (s)->field.min = (lo); (s)->field.max = (hi);
#define MESHAUDIT_DEFAULT_REAL_RANGE(s, field, lo, hi) (s)->field.min = (lo); (s)->field.max = (hi);
#define MESHAUDIT_DEFAULT_EXPECTED(s, field, lo, hi) (s)->field = (uint8_t)(lo);
#define MESHAUDIT_X_DEFAULT(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    MESHAUDIT_DEFAULT_##CRIT(s, field, min, max) s->Enable[k] = (uint8_t)(enable);

#define MESHAUDIT_MARK_COUNT(r, name) (r)->name = NOT_COMPUTED;
#define MESHAUDIT_MARK_REAL(r, name) (r)->name = MESHAUDIT_REAL_NOT_COMPUTED;
#define MESHAUDIT_MARK_VOLUME(r, name) (r)->name = MESHAUDIT_VOLUME_NOT_COMPUTED;
#define MESHAUDIT_MARK_FLAG(r, name) (r)->name = MESHAUDIT_FLAG_NOT_COMPUTED;
#define MESHAUDIT_X_MARK(P, k, name, label, SLOT, CRIT, field, min, max, judged, enable, gate, where) \
    MESHAUDIT_MARK_##SLOT(r, name)

static inline void meshaudit_default_point_settings(PointSettings *s)
{
    memset(s, 0, sizeof *s);
    MESHAUDIT_POINT_QUANTITIES(MESHAUDIT_X_DEFAULT)
    s->Epsilon = 0.002;
}

static inline void meshaudit_default_edge_settings(EdgeSettings *s)
{
    memset(s, 0, sizeof *s);
    MESHAUDIT_EDGE_QUANTITIES(MESHAUDIT_X_DEFAULT)
}

static inline void meshaudit_default_triangle_settings(TriangleSettings *s)
{
    static const double unusedMax[5] = { 15.4, 180.0, 1.0, 9.2, 3.21 };
    int i;
    memset(s, 0, sizeof *s);
    MESHAUDIT_TRIANGLE_QUANTITIES(MESHAUDIT_X_DEFAULT)
    for (i = 0; i < 5; ++i) {
        s->Unused[i].min = 0.0;
        s->Unused[i].max = unusedMax[i];
    }
    memset(s->EnableUnused, 1, sizeof s->EnableUnused);
}

static inline void meshaudit_default_mesh_settings(MeshSettings *s)
{
    memset(s, 0, sizeof *s);
    MESHAUDIT_MESH_QUANTITIES(MESHAUDIT_X_DEFAULT)
    s->Unused19.max = 500000.0;
}

static inline void meshaudit_not_computed_point_results(PointResults *r)
{
    memset(r, 0, sizeof *r);
    MESHAUDIT_POINT_QUANTITIES(MESHAUDIT_X_MARK)
    memset(r->InRange, (int)MESHAUDIT_NOT_JUDGED, sizeof r->InRange);
}

static inline void meshaudit_not_computed_edge_results(EdgeResults *r)
{
    memset(r, 0, sizeof *r);
    MESHAUDIT_EDGE_QUANTITIES(MESHAUDIT_X_MARK)
    memset(r->InRange, (int)MESHAUDIT_NOT_JUDGED, sizeof r->InRange);
}

static inline void meshaudit_not_computed_triangle_results(TriangleResults *r)
{
    int i;
    memset(r, 0, sizeof *r);
    MESHAUDIT_TRIANGLE_QUANTITIES(MESHAUDIT_X_MARK)
    r->Unused[0] = NOT_COMPUTED;
    r->Unused[1] = NOT_COMPUTED;
    for (i = 0; i < 9; ++i) {
        r->UnusedSlots[i].value = MESHAUDIT_REAL_NOT_COMPUTED;
        memset(r->UnusedSlots[i].bytes, 0xFF, sizeof r->UnusedSlots[i].bytes);
    }
    r->UnusedDouble = MESHAUDIT_REAL_NOT_COMPUTED;
    memset(r->InRange, (int)MESHAUDIT_NOT_JUDGED, sizeof r->InRange);
    memset(r->InRangeUnused, (int)MESHAUDIT_NOT_JUDGED, sizeof r->InRangeUnused);
}

static inline void meshaudit_not_computed_mesh_results(MeshResults *r)
{
    memset(r, 0, sizeof *r);
    MESHAUDIT_MESH_QUANTITIES(MESHAUDIT_X_MARK)
    r->Unused19 = MESHAUDIT_REAL_NOT_COMPUTED;
    memset(r->InRange, (int)MESHAUDIT_NOT_JUDGED, sizeof r->InRange);
}

/* ------------------------------------------------------------------------ */
/* The twelve functions                                                     */
/* ------------------------------------------------------------------------ */

/*
 * set_pnt_params, set_edg_params, set_tri_params, set_msh_params
 *
 * Copy a whole settings block (104, 136, 232, 152 bytes) over the library's
 * process-wide block. The block is taken as it is: no field is validated, and
 * the setting takes effect at the next analyse(). The library keeps no
 * reference to the block. A null pointer copies nothing.
 * Returns 0.
 */
MESHAUDIT_API int32_t set_pnt_params(const PointSettings *settings);
MESHAUDIT_API int32_t set_edg_params(const EdgeSettings *settings);
MESHAUDIT_API int32_t set_tri_params(const TriangleSettings *settings);
MESHAUDIT_API int32_t set_msh_params(const MeshSettings *settings);

/*
 * get_pnt_params, get_edg_params, get_tri_params, get_msh_params
 *
 * Copy the process-wide results block (56, 96, 264, 96 bytes) into the
 * caller's buffer (a null pointer copies nothing). The block holds
 * the results of the last analyse() that passed validation or, before any
 * such call, the not-computed state: every count NOT_COMPUTED, every double
 * -1.0 except the mesh volume (-DBL_MAX), every mesh boolean -1, every
 * InRange byte 0xFF.
 * Returns 0.
 */
MESHAUDIT_API int32_t get_pnt_params(PointResults *results);
MESHAUDIT_API int32_t get_edg_params(EdgeResults *results);
MESHAUDIT_API int32_t get_tri_params(TriangleResults *results);
MESHAUDIT_API int32_t get_msh_params(MeshResults *results);

/*
 * analyse
 *
 * Validates the mesh, computes every enabled quantity of the four categories
 * (points, edges, triangles, mesh), judges them against the settings and
 * publishes the four result blocks. The mesh stays the caller's and is only
 * read.
 *
 * Returns, the first failing check deciding:
 *   -1  mesh->points is null (mesh itself null also gives -1)
 *   -2  mesh->triangles is null
 *   -3  mesh->pointCount is 0
 *   -4  mesh->triangleCount is 0
 *    1  the analysis ran and all four result blocks were replaced.
 * On -1..-4 nothing changes: the previous results stay readable. A return of
 * 1 says nothing about the verdicts; read the InRange bytes.
 */
MESHAUDIT_API int32_t analyse(const MeshRecord *mesh);

/*
 * removeDuplicatedGeometricalPoints
 *
 * Fills *output with a copy of *input whose points are merged: seeds are taken
 * in index order; every point within *tolerance of a seed (distance <=
 * |tolerance|) joins the seed's class, a later seed taking points over from
 * an earlier one; each class becomes one point at the mean of the points the
 * seed reached; triangles are renumbered, never removed or reordered (a
 * triangle whose corners fall into one class keeps its repeated index:
 * removeInvalidTopologicalTriangles drops it). Points no triangle uses are
 * merged and kept like the others.
 *
 * Merged coordinates: each is the sum of the coordinates the seed reached,
 * starting from 0.0 and taken in the order of the library's point search,
 * divided by their number. Every point is rewritten this way, even alone in
 * its class (where the mean is the point itself, except that -0.0 becomes
 * 0.0); a sum taken in another order may differ in the last bits.
 *
 * Out-of-range indices: a triangle index >= pointCount is kept as it is (it
 * stays out of range, since the merge never adds points).
 *
 * Point search order: the search tree splits its points by the middle of
 * each box and, when a split would leave fewer than five points on one side,
 * by sorting. Clouds where that sorting would grow quadratically (many
 * coincident points, or a dense cluster with far strays) are split at the
 * median instead once the sorting has cost 16 x pointCount + 4096 entries, so
 * the search never degrades; the classes are the same either way, only the
 * order of summation, and so the last bits of a merged coordinate, may differ
 * on such clouds.
 *
 * NaN: a distance involving a NaN coordinate or a NaN tolerance cannot be
 * compared, and counts as within the tolerance. A NaN tolerance therefore
 * merges every point into one, and a point with a NaN coordinate draws into
 * its class the points its search reaches, giving a NaN merged point. Merge
 * only finite meshes with a finite tolerance.
 *
 * output is reset first (its old arrays are NOT released: give it to
 * clear_mesh() before reusing it). On 0, -5 and -6 the output may own arrays
 * allocated by the library; release them with clear_mesh(). The input record
 * is never modified. The settings and result blocks are not touched.
 *
 * Returns:
 *    0  output holds the merged mesh
 *   -1  input->points is null (or input, output or tolerance is null)
 *   -2  input->triangles is null
 *   -3  input->pointCount is 0
 *   -4  input->triangleCount is 0
 *   -5  allocating the copy failed (output may hold one of the two arrays)
 *   -6  the merge ran out of memory; output holds the unmerged copy
 */
MESHAUDIT_API int32_t removeDuplicatedGeometricalPoints(const MeshRecord *input,
                                                        const double *tolerance,
                                                        MeshRecord *output);

/*
 * removeInvalidTopologicalTriangles
 *
 * Fills *output with a copy of *input without the triangles that name one
 * point index more than once; the other triangles keep their order, points
 * are copied unchanged. When every triangle is invalid the output has the
 * points, a triangle array of zero length and triangleCount 0.
 *
 * Only repeated indices make a triangle invalid: an index >= pointCount, or
 * distinct indices of coincident points, do not; and a triangle equal to
 * another valid one is kept.
 *
 * Ownership and codes as removeDuplicatedGeometricalPoints (-6: the filter
 * ran out of memory; output holds the unfiltered copy).
 */
MESHAUDIT_API int32_t removeInvalidTopologicalTriangles(const MeshRecord *input,
                                                        MeshRecord *output);

/*
 * clear_mesh
 *
 * Releases both arrays of a record filled by a repair (each only if
 * non-null), then sets both pointers to null and both counts to 0. Calling it
 * again, or on a record that owns nothing, is harmless. A null record is
 * ignored. Returns 0.
 */
MESHAUDIT_API int32_t clear_mesh(MeshRecord *mesh);

#ifdef __cplusplus
}
#endif

#endif /* MESHAUDIT_H */
