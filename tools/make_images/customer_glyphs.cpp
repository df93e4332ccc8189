// The pictures of the customer commands: add a customer, our messenger IDs, the open
// follow-ups and the closed deals.
#include "tools/make_images/paint.h"
#include "tools/make_images/style.h"
#include "tools/make_images/toolbar_images.h"

namespace imagemaker {

void draw_add_customer(Canvas& c) {
    // A person with a plus badge at the lower right.
    Shape head = circle({9.5, 7.5}, 4.2);
    Shape body = subtract(intersect(circle({9.5, 21.5}, 8.5), above(20.5)), grow(head, 1.2));
    Shape badge = circle({17.5, 17}, 5.5);
    fill_toned(c, subtract(unite(head, body), grow(badge, 1.2)), palette::blue);
    fill_toned(c, badge, palette::green);
    fill(c, line({17.5, 14}, {17.5, 20}, 2.2), palette::white);
    fill(c, line({14.5, 17}, {20.5, 17}, 2.2), palette::white);
}

void draw_our_ids(Canvas& c) {
    // Two speech bubbles, a conversation: ours in front.
    Shape back = unite(rounded_rect({1.5, 2.5}, {15.5, 12.5}, 3.5),
                       polygon({{4, 11}, {8.5, 11}, {3.5, 16}}));
    Shape front = unite(rounded_rect({8.5, 8.5}, {22.5, 18.5}, 3.5),
                        polygon({{15.5, 17}, {20, 17}, {20.5, 22}}));
    fill_toned(c, back, palette::blue);
    erase(c, grow(front, 1.2));
    fill_toned(c, front, palette::orange);
    for (double x : {12.0, 15.5, 19.0})
        fill(c, circle({x, 13.5}, 1.3), palette::white);
}

void draw_open_follow_ups(Canvas& c) {
    // A clipboard of notes with a clock: customers still to follow up.
    Shape board = rounded_rect({3.5, 3.5}, {17.5, 22}, 2);
    Shape clock = circle({17, 17}, 6);
    fill_toned(c, board, palette::orange);
    fill_toned(c, rounded_rect({5.5, 6}, {15.5, 20}, 1), palette::paper);
    for (double y : {9.5, 12.5, 15.5})
        fill(c, line({7.5, y}, {13.5, y}, 1.3), palette::text_grey);
    fill_toned(c, rounded_rect({7, 1.5}, {14, 6}, 1.5), palette::ink);
    erase(c, grow(clock, 1.2));
    fill_toned(c, clock, palette::blue);
    fill(c, circle({17, 17}, 4.3), palette::white);
    fill(c, line({17, 17}, {17, 13.9}, 1.4), palette::ink.bottom);
    fill(c, line({17, 17}, {19.4, 17}, 1.4), palette::ink.bottom);
}

void draw_closed_deals(Canvas& c) {
    // A tick in a green disc: the deal is done.
    fill_toned(c, circle({12, 12}, 10), palette::green);
    fill(c, unite(line({6.8, 12.4}, {10.4, 16}, 2.8), line({10.4, 16}, {17.4, 8.2}, 2.8)),
         palette::white);
}

}  // namespace imagemaker
