// The pictures the strip carries for commands the toolbar does not show: search, delete,
// chart, edit and calendar.
#include <numbers>

#include "tools/make_images/paint.h"
#include "tools/make_images/style.h"
#include "tools/make_images/toolbar_images.h"

namespace imagemaker {

void draw_search(Canvas& c) {
    // A magnifying glass.
    Shape lens = circle({10, 10}, 6.5);
    fill(c, lens, faded(palette::blue.top, 0.35));
    fill_toned(c, line({15, 15}, {20.5, 20.5}, 3.8), palette::ink);
    fill_toned(c, outline(lens, 3), palette::blue);
}

void draw_delete(Canvas& c) {
    // A waste bin with its lid.
    fill_toned(c, outline(rounded_rect({9, 2.5}, {15, 6.5}, 1.5), 1.6), palette::red);
    fill_toned(c, rounded_rect({3.5, 5}, {20.5, 8.5}, 1.2), palette::red);
    fill_toned(c, polygon({{5.5, 9.5}, {18.5, 9.5}, {17.3, 22}, {6.7, 22}}), palette::red);
    for (double x : {9.3, 12.0, 14.7})
        fill(c, line({x, 12}, {x, 19.5}, 1.3), faded(palette::white, 0.85));
}

void draw_chart(Canvas& c) {
    // A pie with one slice pulled out, as the chart window draws it.
    Point centre{11, 13}, slice_centre{13, 11};
    double radius = 8.5;
    fill_toned(c, subtract(circle(centre, radius), intersect(right_of(11), above(13))),
               palette::blue);
    fill_toned(c, intersect(circle(slice_centre, radius), intersect(right_of(13), above(11))),
               palette::orange);
}

void draw_edit(Canvas& c) {
    // A pencil, drawn lying flat with its point to the left and then turned to write
    // toward the lower left.
    Point pivot{12, 12};
    double turn = -std::numbers::pi / 4;
    auto place = [&](Shape s) { return rotate(std::move(s), pivot, turn); };
    fill_toned(c, place(polygon({{7.5, 9}, {7.5, 15}, {1.5, 12}})), palette::paper);
    fill(c, place(polygon({{3.8, 10.9}, {3.8, 13.1}, {1.6, 12}})), palette::ink.bottom);
    fill_toned(c, place(rounded_rect({7, 9}, {19, 15}, 0.5)), palette::orange);
    fill_toned(c, place(rounded_rect({18.5, 9}, {23, 15}, 1.8)), palette::red);
    fill(c, place(rounded_rect({17.8, 9.3}, {19.6, 14.7}, 0.3)), palette::ink.top);
}

void draw_calendar(Canvas& c) {
    // A calendar page: blue heading, rings, a grid of days with one marked.
    Shape page = rounded_rect({3, 4.5}, {21, 21.5}, 2.5);
    fill_toned(c, page, palette::paper);
    fill_toned(c, intersect(page, above(10)), palette::blue);
    for (double x : {8.0, 16.0})
        fill_toned(c, rounded_rect({x - 1.2, 2}, {x + 1.2, 7.5}, 1.2), palette::ink);
    for (double y : {12.5, 16.5}) {
        for (double x : {6.0, 10.5, 15.0}) {
            bool marked = x == 15.0 && y == 16.5;
            fill(c, rounded_rect({x, y}, {x + 3, y + 2.8}, 0.6),
                 marked ? palette::orange.bottom : palette::text_grey);
        }
    }
}

}  // namespace imagemaker
