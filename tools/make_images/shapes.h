// Shapes as signed distance fields: a shape tells, for any point, how far it lies outside
// the shape's edge (negative inside). Painting turns that distance into anti-aliased
// coverage, and set operations on shapes are min/max of their distances.
#pragma once
#include <functional>
#include <vector>

namespace imagemaker {

struct Point {
    double x = 0, y = 0;
};

using Shape = std::function<double(Point)>;

Shape circle(Point centre, double radius);
Shape ellipse(Point centre, double rx, double ry);
Shape rounded_rect(Point top_left, Point bottom_right, double radius);
// A straight stroke from `a` to `b` with round ends.
Shape line(Point a, Point b, double width);
// A stroke along the circle from angle `from` to `to` (radians, clockwise on screen, 0 at
// three o'clock), with round ends.
Shape arc(Point centre, double radius, double from, double to, double width);
// Any simple polygon, corners in order.
Shape polygon(std::vector<Point> corners);
// Everything on the side of the line through `a` and `b` that lies to its right when looking
// from `a` to `b` on screen (y grows downward).
Shape half_plane(Point a, Point b);

Shape unite(Shape a, Shape b);
Shape intersect(Shape a, Shape b);
Shape subtract(Shape a, Shape b);
// The shape grown by `by` pixels all round (shrunk when negative).
Shape grow(Shape s, double by);
// A band of `width` pixels centred on the shape's edge.
Shape outline(Shape s, double width);
// The shape turned by `angle` radians (clockwise on screen) about `pivot`.
Shape rotate(Shape s, Point pivot, double angle);

// The point at `angle` on the circle of `radius` about `centre`, as `arc` counts angles.
Point on_circle(Point centre, double radius, double angle);

}  // namespace imagemaker
