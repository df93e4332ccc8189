#include "tools/make_images/paint.h"

#include <algorithm>

namespace imagemaker {
namespace {

template <typename Colour>
void paint(Canvas& canvas, const Shape& shape, Colour colour_at) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            Point centre{x + 0.5, y + 0.5};
            double c = coverage(shape, centre);
            if (c <= 0) continue;
            Rgba& pixel = canvas.at(x, y);
            pixel = over(faded(colour_at(centre), c), pixel);
        }
    }
}

}  // namespace

double coverage(const Shape& shape, Point centre) {
    return std::clamp(0.5 - shape(centre), 0.0, 1.0);
}

void fill(Canvas& canvas, const Shape& shape, Rgba colour) {
    paint(canvas, shape, [&](Point) { return colour; });
}

void fill_gradient(Canvas& canvas, const Shape& shape, Rgba top, Rgba bottom, double y_top,
                   double y_bottom) {
    paint(canvas, shape, [&](Point p) {
        return mix(top, bottom, std::clamp((p.y - y_top) / (y_bottom - y_top), 0.0, 1.0));
    });
}

void erase(Canvas& canvas, const Shape& shape) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            double c = coverage(shape, {x + 0.5, y + 0.5});
            canvas.at(x, y).a *= 1 - c;
        }
    }
}

}  // namespace imagemaker
