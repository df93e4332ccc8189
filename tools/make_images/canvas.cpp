#include "tools/make_images/canvas.h"

#include <algorithm>
#include <cmath>

namespace imagemaker {

Rgba rgb(std::uint32_t hex) {
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0, 1.0};
}

Rgba faded(Rgba c, double opacity) {
    c.a *= opacity;
    return c;
}

Rgba over(Rgba top, Rgba bottom) {
    double a = top.a + bottom.a * (1 - top.a);
    if (a <= 0) return {};
    double kept = bottom.a * (1 - top.a);
    return {(top.r * top.a + bottom.r * kept) / a, (top.g * top.a + bottom.g * kept) / a,
            (top.b * top.a + bottom.b * kept) / a, a};
}

Rgba mix(Rgba a, Rgba b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

std::uint8_t to_byte(double channel) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(channel, 0.0, 1.0) * 255.0));
}

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

void Canvas::paste(const Canvas& picture, int left, int top) {
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            int tx = left + x, ty = top + y;
            if (tx >= 0 && ty >= 0 && tx < width_ && ty < height_) at(tx, ty) = picture.at(x, y);
        }
    }
}

}  // namespace imagemaker
