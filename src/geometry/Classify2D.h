// Classification of points against segments and triangles in the plane, and
// the segment/segment and segment/triangle tests built on them. Every side
// decision is an exact Orient2D sign; end points are compared exactly.
//
// A 2D point is two consecutive doubles (x, y); a segment is two consecutive
// points (four doubles), a triangle three (six doubles).
#pragma once

namespace meshaudit {

// Where p lies relative to the segment s0 -> s1:
//   '+' left of the directed line, '-' right of it;
//   on the line: 'a' equal to s0, 'b' equal to s1, '<' beyond s0, '>' beyond
//   s1, '1' strictly between the end points.
// "Beyond" compares the x coordinates, or the y coordinates when the segment
// has no x extent. For a zero-length segment (s0 = s1) every point is on the
// line and only the y coordinate is compared: a point with the same y as the
// segment but another x is reported '1'.
char ClassifyPointSegment2D(const double* p, const double* segment);

// '1' when the closed segments s1 and s2 share a point, '0' otherwise. Apart
// when both ends of one are strictly on the same side of the other's line,
// or when they are collinear and s1 lies wholly beyond one end of s2.
char SegSegIntersect2D(const double* s1, const double* s2);

// Where p lies relative to the closed triangle a, b, c (either orientation):
// '1' strictly inside, 'r' on its boundary, '0' outside, '?' when the
// triangle is degenerate (collinear corners).
char ClassifyPointTriangle2D(const double* p, const double* triangle);

// '1' when the closed segment meets the closed triangle, '0' otherwise: an
// end point inside or on the triangle, or the segment meeting one of its
// edges. A degenerate triangle is decided by its three edges.
char SegTriIntersect2D(const double* segment, const double* triangle);

}  // namespace meshaudit
