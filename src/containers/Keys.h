// The five key types of the duplicate searches and their orders. Every
// comparison of coordinates is a plain IEEE comparison without tolerance, so
// 0.0 and -0.0 are the same key, and a comparison with NaN is always false
// (two keys that agree up to a NaN are therefore equivalent).
#pragma once

#include "meshaudit.h"

#include <cstdint>
#include <cstring>

// T3DVECF and TRIANGLE are the public C records (global namespace); their
// orders live beside them so that argument-dependent lookup finds them.

// Lexicographic: x, then y, then z.
inline bool operator<(const T3DVECF& a, const T3DVECF& b)
{
    if (a.x < b.x) {
        return true;
    }
    if (a.x == b.x) {
        if (a.y < b.y) {
            return true;
        }
        if (a.y == b.y) {
            return a.z < b.z;
        }
    }
    return false;
}

// Exact equality of all three coordinates (NaN never equals).
inline bool operator==(const T3DVECF& a, const T3DVECF& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The other relations derive from < alone (not from ==), so that they stay
// consistent with it when a coordinate is NaN.
inline bool operator>(const T3DVECF& a, const T3DVECF& b)
{
    return b < a;
}

inline bool operator<=(const T3DVECF& a, const T3DVECF& b)
{
    return !(b < a);
}

inline bool operator>=(const T3DVECF& a, const T3DVECF& b)
{
    return !(a < b);
}

// Whether a key holds a NaN coordinate: only then is the order of the keys
// not a strict weak one (a NaN key is equivalent to keys that are not
// equivalent to each other).
inline bool HasNaN(const T3DVECF& p)
{
    return p.x != p.x || p.y != p.y || p.z != p.z;
}

// Bits of a coordinate with both zeros alike (-0.0 + 0.0 is 0.0), so that
// points that compare equal hash alike.
inline uint64_t CoordinateBits(double v)
{
    v += 0.0;
    uint64_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// A hash of a point's coordinates for tables that take their slot from the
// top bits, which depend on every bit of every coordinate (coordinates read
// from single-precision files have their low bits all zero).
inline uint64_t PointHash(const T3DVECF& p)
{
    uint64_t h = CoordinateBits(p.x) * 0x9E3779B97F4A7C15ull;
    h = (h ^ CoordinateBits(p.y)) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ CoordinateBits(p.z)) * 0x165667B19E3779F9ull;
    return h ^ (h >> 29);
}

// Whether every coordinate is a number other than an infinity.
inline bool IsFinite(const T3DVECF& p)
{
    // x - x is 0 for a finite x and NaN for an infinity or a NaN.
    return p.x - p.x == 0.0 && p.y - p.y == 0.0 && p.z - p.z == 0.0;
}

// Index keys never hold a NaN.
inline bool HasNaN(const TRIANGLE&)
{
    return false;
}

inline bool operator<(const TRIANGLE& a, const TRIANGLE& b)
{
    if (a.a != b.a) {
        return a.a < b.a;
    }
    if (a.b != b.b) {
        return a.b < b.b;
    }
    return a.c < b.c;
}

namespace meshaudit {

// Two point indices; as a key (smaller, larger).
struct T3DEDGE {
    uint32_t first;
    uint32_t second;
};

inline bool operator<(const T3DEDGE& a, const T3DEDGE& b)
{
    if (a.first != b.first) {
        return a.first < b.first;
    }
    return a.second < b.second;
}

inline bool HasNaN(const T3DEDGE&)
{
    return false;
}

// Two end points; as a key (smaller point, larger point).
struct T3DSEGMT {
    T3DVECF first;
    T3DVECF second;
};

inline bool operator<(const T3DSEGMT& a, const T3DSEGMT& b)
{
    if (a.first < b.first) {
        return true;
    }
    return a.first == b.first && a.second < b.second;
}

inline bool HasNaN(const T3DSEGMT& s)
{
    return HasNaN(s.first) || HasNaN(s.second);
}

// Three corners; as a key sorted ascending by the point order.
struct T3DTRGL {
    T3DVECF corner[3];
};

inline bool operator<(const T3DTRGL& a, const T3DTRGL& b)
{
    if (a.corner[0] < b.corner[0]) {
        return true;
    }
    if (!(a.corner[0] == b.corner[0])) {
        return false;
    }
    if (a.corner[1] < b.corner[1]) {
        return true;
    }
    if (!(a.corner[1] == b.corner[1])) {
        return false;
    }
    return a.corner[2] < b.corner[2];
}

inline bool HasNaN(const T3DTRGL& t)
{
    return HasNaN(t.corner[0]) || HasNaN(t.corner[1]) || HasNaN(t.corner[2]);
}

}  // namespace meshaudit
