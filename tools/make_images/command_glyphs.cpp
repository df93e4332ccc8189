// The pictures of the list and program commands: refresh, export, more options and the
// maker's website.
#include <cmath>
#include <numbers>

#include "tools/make_images/paint.h"
#include "tools/make_images/style.h"
#include "tools/make_images/toolbar_images.h"

namespace imagemaker {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

// A clockwise arc whose far end carries an arrowhead along the circle.
Shape circular_arrow(Point centre, double radius, double from, double to) {
    double width = 2.8, head = 3.6;
    Point end = on_circle(centre, radius, to);
    Point tangent{-std::sin(to), std::cos(to)};
    Point outer = on_circle(centre, radius + head, to),
          inner = on_circle(centre, radius - head, to);
    Point tip{end.x + tangent.x * 4.4, end.y + tangent.y * 4.4};
    return unite(arc(centre, radius, from, to, width), polygon({outer, tip, inner}));
}

}  // namespace

void draw_refresh(Canvas& c) {
    // Two arrows chasing each other round a circle.
    Point centre{12, 12};
    fill_toned(c, circular_arrow(centre, 7.5, 195 * kDegree, 320 * kDegree), palette::blue);
    fill_toned(c, circular_arrow(centre, 7.5, 15 * kDegree, 140 * kDegree), palette::orange);
}

void draw_export(Canvas& c) {
    // A sheet with its corner folded and an arrow leaving it.
    Shape page = polygon({{4, 2}, {13, 2}, {18, 7}, {18, 22}, {4, 22}});
    Shape arrow =
        unite(line({9, 16}, {16.5, 16}, 3.2), polygon({{15.5, 10.5}, {22.5, 16}, {15.5, 21.5}}));
    fill_toned(c, page, palette::paper);
    fill(c, polygon({{13, 2.6}, {13, 7}, {17.4, 7}}), palette::paper.rim);
    for (double y : {6.5, 9.5, 12.5})
        fill(c, line({6.5, y}, {y < 8 ? 10.5 : 15.0, y}, 1.3), palette::text_grey);
    erase(c, grow(arrow, 1.2));
    fill_toned(c, arrow, palette::green);
}

void draw_more_options(Canvas& c) {
    // A short list: bullets and lines.
    for (double y : {6.0, 12.0, 18.0}) {
        fill_toned(c, circle({5, y}, 2.4), palette::orange);
        fill_toned(c, line({10, y}, {20.5, y}, 3.2), palette::blue);
    }
}

void draw_website(Canvas& c) {
    // A globe with its meridian and parallels.
    Shape globe = circle({12, 12}, 10);
    Shape inside = grow(globe, -1.5);
    fill_toned(c, globe, palette::blue);
    Shape grid = unite(outline(ellipse({12, 12}, 4.3, 9.6), 1.3), line({12, 2.5}, {12, 21.5}, 1.3));
    for (double y : {7.0, 12.0, 17.0})
        grid = unite(grid, line({1, y}, {23, y}, 1.3));
    fill(c, intersect(grid, inside), faded(palette::white, 0.9));
}

}  // namespace imagemaker
