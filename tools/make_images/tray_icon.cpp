#include "tools/make_images/tray_icon.h"

#include "tools/make_images/paint.h"
#include "tools/make_images/style.h"

namespace imagemaker {

Canvas draw_tray_icon() {
    Canvas c(kTrayIconSize, kTrayIconSize);
    // The tile fills the icon: a 24-bit icon has no soft edges, so the picture's own
    // anti-aliasing must lie on the tile, not on whatever the taskbar shows behind it.
    Shape tile = rounded_rect({1, 1}, {31, 31}, 7);
    Shape inside = grow(tile, -1.2);
    Rgba sky_top = rgb(0x6FB0F5), sky_bottom = rgb(0x1F5FB8);
    fill(c, tile, palette::blue.rim);
    fill_gradient(c, inside, sky_top, sky_bottom, 1, 31);

    Shape head = circle({11.5, 13}, 5);
    Shape body = subtract(intersect(circle({11.5, 31}, 11.5), above(28)), grow(head, 1.4));
    fill_gradient(c, intersect(unite(head, body), grow(inside, -0.8)), palette::white,
                  rgb(0xD6E4F5), 8, 28);

    Shape bubble = unite(rounded_rect({17.5, 4.5}, {28.5, 14}, 3.2),
                         polygon({{19.5, 13}, {23.5, 13}, {18, 17.5}}));
    // A white rim: orange blended straight into blue turns grey at the anti-aliased edge.
    fill(c, grow(bubble, 1.1), palette::white);
    fill_gradient(c, bubble, rgb(0xFFB94F), rgb(0xF07F12), 4.5, 17.5);
    for (double x : {20.2, 23.0, 25.8})
        fill(c, circle({x, 9.25}, 1.3), palette::white);
    return c;
}

}  // namespace imagemaker
