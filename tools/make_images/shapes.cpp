#include "tools/make_images/shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace imagemaker {
namespace {

double length(double x, double y) {
    return std::sqrt(x * x + y * y);
}

double segment_distance(Point p, Point a, Point b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
    return length(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

}  // namespace

Shape circle(Point centre, double radius) {
    return [=](Point p) { return length(p.x - centre.x, p.y - centre.y) - radius; };
}

Shape ellipse(Point centre, double rx, double ry) {
    // The usual first-order estimate: exact on the axes and close enough elsewhere for
    // edges a pixel or two wide.
    return [=](Point p) {
        double x = p.x - centre.x, y = p.y - centre.y;
        double k0 = length(x / rx, y / ry);
        double k1 = length(x / (rx * rx), y / (ry * ry));
        if (k1 == 0) return -std::min(rx, ry);
        return k0 * (k0 - 1) / k1;
    };
}

Shape rounded_rect(Point top_left, Point bottom_right, double radius) {
    double cx = (top_left.x + bottom_right.x) / 2, cy = (top_left.y + bottom_right.y) / 2;
    double hx = (bottom_right.x - top_left.x) / 2 - radius;
    double hy = (bottom_right.y - top_left.y) / 2 - radius;
    return [=](Point p) {
        double qx = std::abs(p.x - cx) - hx, qy = std::abs(p.y - cy) - hy;
        return length(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
               radius;
    };
}

Shape line(Point a, Point b, double width) {
    return [=](Point p) { return segment_distance(p, a, b) - width / 2; };
}

Shape arc(Point centre, double radius, double from, double to, double width) {
    double sweep = to - from;
    Point start = on_circle(centre, radius, from), end = on_circle(centre, radius, to);
    return [=](Point p) {
        double x = p.x - centre.x, y = p.y - centre.y;
        double angle = std::atan2(y, x) - from;
        double turn = 2 * std::numbers::pi;
        angle -= std::floor(angle / turn) * turn;
        if (angle <= sweep) return std::abs(length(x, y) - radius) - width / 2;
        return std::min(length(p.x - start.x, p.y - start.y), length(p.x - end.x, p.y - end.y)) -
               width / 2;
    };
}

Shape polygon(std::vector<Point> corners) {
    return [corners = std::move(corners)](Point p) {
        double nearest = 1e9;
        bool inside = false;
        for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
            const Point& a = corners[i];
            const Point& b = corners[j];
            nearest = std::min(nearest, segment_distance(p, a, b));
            // Even-odd crossing test on a ray toward +x.
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
        return inside ? -nearest : nearest;
    };
}

Shape half_plane(Point a, Point b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len = length(dx, dy);
    // With y downward the right-hand normal of (dx, dy) is (-dy, dx).
    double nx = -dy / len, ny = dx / len;
    return [=](Point p) { return -((p.x - a.x) * nx + (p.y - a.y) * ny); };
}

Shape unite(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](Point p) { return std::min(a(p), b(p)); };
}

Shape intersect(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](Point p) { return std::max(a(p), b(p)); };
}

Shape subtract(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](Point p) { return std::max(a(p), -b(p)); };
}

Shape grow(Shape s, double by) {
    return [s = std::move(s), by](Point p) { return s(p) - by; };
}

Shape outline(Shape s, double width) {
    return [s = std::move(s), width](Point p) { return std::abs(s(p)) - width / 2; };
}

Shape rotate(Shape s, Point pivot, double angle) {
    double c = std::cos(angle), sn = std::sin(angle);
    return [s = std::move(s), pivot, c, sn](Point p) {
        double x = p.x - pivot.x, y = p.y - pivot.y;
        return s({pivot.x + x * c + y * sn, pivot.y - x * sn + y * c});
    };
}

Point on_circle(Point centre, double radius, double angle) {
    return {centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
}

}  // namespace imagemaker
