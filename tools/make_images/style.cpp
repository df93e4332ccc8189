#include "tools/make_images/style.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "tools/make_images/paint.h"

namespace imagemaker {
namespace {

// Plenty of room either side of any picture the program draws.
constexpr double kFar = 1000;

// The bounds of whatever the shape covers: the gradient spans exactly that height.
std::pair<double, double> vertical_extent(const Canvas& canvas, const Shape& shape) {
    double top = std::numeric_limits<double>::max(), bottom = std::numeric_limits<double>::lowest();
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (coverage(shape, {x + 0.5, y + 0.5}) > 0) {
                top = std::min(top, static_cast<double>(y));
                bottom = std::max(bottom, y + 1.0);
            }
        }
    }
    return {top, bottom};
}

}  // namespace

void fill_toned(Canvas& canvas, const Shape& shape, const Tone& tone) {
    auto [top, bottom] = vertical_extent(canvas, shape);
    if (top >= bottom) return;
    fill(canvas, shape, tone.rim);
    fill_gradient(canvas, grow(shape, -1), tone.top, tone.bottom, top, bottom);
}

Shape above(double y) {
    return half_plane({kFar, y}, {-kFar, y});
}
Shape below(double y) {
    return half_plane({-kFar, y}, {kFar, y});
}
Shape left_of(double x) {
    return half_plane({x, -kFar}, {x, kFar});
}
Shape right_of(double x) {
    return half_plane({x, kFar}, {x, -kFar});
}

}  // namespace imagemaker
