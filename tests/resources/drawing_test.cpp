// The drawing primitives: shapes cover the area they should, on the side they should, and
// colours combine as "source over" does.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tools/make_images/canvas.h"
#include "tools/make_images/paint.h"
#include "tools/make_images/shapes.h"
#include "tools/make_images/style.h"

namespace {

using namespace imagemaker;

// The area a shape covers on a canvas of that size, in pixels.
double area(const Shape& s, int size = 40) {
    double sum = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            sum += coverage(s, {x + 0.5, y + 0.5});
    return sum;
}

TEST(Shapes, CoverTheirGeometricArea) {
    // Coverage from the distance treats each edge pixel as crossed by a straight edge, which
    // overstates a curve by a fraction of a pixel in all.
    EXPECT_NEAR(area(circle({20, 20}, 7)), std::numbers::pi * 49, 1.0);
    EXPECT_NEAR(area(rounded_rect({5, 5}, {25, 15}, 0)), 200, 0.01);
    EXPECT_NEAR(area(rounded_rect({5, 5}, {25, 15}, 3)), 200 - (4 - std::numbers::pi) * 9, 0.5);
    EXPECT_NEAR(area(line({5, 20}, {25, 20}, 4)), 20 * 4 + std::numbers::pi * 4, 0.5);
    EXPECT_NEAR(area(polygon({{4, 4}, {30, 4}, {4, 30}})), 26 * 26 / 2.0, 0.5);
    EXPECT_NEAR(area(ellipse({20, 20}, 12, 6)), std::numbers::pi * 72, 1.5);
    // A quarter turn of a stroke: clockwise on screen from three o'clock to six.
    double quarter = std::numbers::pi / 2;
    EXPECT_NEAR(area(arc({20, 20}, 10, 0, quarter, 2)), quarter * 10 * 2 + std::numbers::pi, 0.5);
}

TEST(Shapes, LieWhereTheirCoordinatesSay) {
    // The quarter arc from three o'clock clockwise runs through the lower right.
    Shape a = arc({20, 20}, 10, 0, std::numbers::pi / 2, 2);
    EXPECT_LT(a({20 + 10 * std::cos(0.7), 20 + 10 * std::sin(0.7)}), 0);
    EXPECT_GT(a({20 + 10 * std::cos(-0.7), 20 + 10 * std::sin(-0.7)}), 0);
    EXPECT_GT(a({10, 20}), 0);

    EXPECT_LT(above(10)({0, 9}), 0);
    EXPECT_GT(above(10)({0, 11}), 0);
    EXPECT_LT(below(10)({0, 11}), 0);
    EXPECT_LT(left_of(10)({9, 0}), 0);
    EXPECT_GT(left_of(10)({11, 0}), 0);
    EXPECT_LT(right_of(10)({11, 0}), 0);
    EXPECT_NEAR(above(10)({0, 13}), 3, 1e-9);

    // Turning clockwise on screen takes a dot right of the pivot to below it.
    Shape dot = rotate(circle({30, 20}, 2), {20, 20}, std::numbers::pi / 2);
    EXPECT_LT(dot({20, 30}), 0);
    EXPECT_GT(dot({30, 20}), 0);

    Shape ring = outline(circle({20, 20}, 8), 2);
    EXPECT_LT(ring({28, 20}), 0);
    EXPECT_GT(ring({20, 20}), 0);
    EXPECT_NEAR(grow(circle({20, 20}, 8), 2)({30, 20}), 0, 1e-9);
}

TEST(Shapes, CombineAsSets) {
    Shape a = circle({15, 20}, 6), b = circle({25, 20}, 6);
    double each = area(a);
    double both = area(intersect(a, b));
    EXPECT_GT(both, 1);
    EXPECT_NEAR(area(unite(a, b)), 2 * each - both, 0.5);
    EXPECT_NEAR(area(subtract(a, b)), each - both, 0.5);
}

TEST(Paint, BlendsEdgesAndColours) {
    // An edge through the middle of a pixel covers half of it.
    EXPECT_DOUBLE_EQ(coverage(left_of(10.5), {10.5, 3.5}), 0.5);
    EXPECT_DOUBLE_EQ(coverage(left_of(10.5), {12.5, 3.5}), 0);
    EXPECT_DOUBLE_EQ(coverage(left_of(10.5), {8.5, 3.5}), 1);

    Rgba half_red = over(faded(rgb(0xFF0000), 0.5), Rgba{});
    EXPECT_DOUBLE_EQ(half_red.a, 0.5);
    EXPECT_DOUBLE_EQ(half_red.r, 1);  // straight alpha: the colour stays pure
    Rgba on_blue = over(faded(rgb(0xFF0000), 0.25), rgb(0x0000FF));
    EXPECT_DOUBLE_EQ(on_blue.a, 1);
    EXPECT_DOUBLE_EQ(on_blue.r, 0.25);
    EXPECT_DOUBLE_EQ(on_blue.b, 0.75);
    EXPECT_EQ(to_byte(0.5), 128);
    EXPECT_EQ(to_byte(1.2), 255);
    EXPECT_EQ(to_byte(-0.1), 0);

    Canvas c(4, 1);
    fill(c, left_of(2), rgb(0x336699));
    EXPECT_DOUBLE_EQ(c.at(1, 0).a, 1);
    EXPECT_DOUBLE_EQ(c.at(2, 0).a, 0);
    EXPECT_EQ(to_byte(c.at(0, 0).g), 0x66);
    erase(c, left_of(1));
    EXPECT_DOUBLE_EQ(c.at(0, 0).a, 0);
    EXPECT_DOUBLE_EQ(c.at(1, 0).a, 1);

    Canvas g(1, 10);
    fill_gradient(g, left_of(5), rgb(0x000000), rgb(0xFFFFFF), 0, 10);
    EXPECT_NEAR(g.at(0, 0).r, 0.05, 1e-9);
    EXPECT_NEAR(g.at(0, 9).r, 0.95, 1e-9);

    Canvas strip(6, 2), tile(2, 2);
    fill(tile, left_of(10), rgb(0x00FF00));
    strip.paste(tile, 4, 0);
    EXPECT_DOUBLE_EQ(strip.at(3, 1).a, 0);
    EXPECT_DOUBLE_EQ(strip.at(4, 1).g, 1);
    EXPECT_DOUBLE_EQ(strip.at(5, 0).a, 1);
}

TEST(Paint, TonedShapesHaveARimAndAGradient) {
    Canvas c(20, 20);
    Tone t{rgb(0x000000), rgb(0xFF0000), rgb(0x0000FF)};
    fill_toned(c, rounded_rect({2, 2}, {18, 18}, 0), t);
    EXPECT_EQ(to_byte(c.at(2, 10).r), 0);  // the rim
    EXPECT_EQ(to_byte(c.at(2, 10).b), 0);
    EXPECT_GT(c.at(10, 3).r, 0.8);  // red at the top, blue at the bottom
    EXPECT_GT(c.at(10, 16).b, 0.8);
    EXPECT_DOUBLE_EQ(c.at(1, 1).a, 0);
}

}  // namespace
