#include "runtime/headless/pixel_canvas.h"

#include <algorithm>
#include <cstdlib>

namespace runtime::headless {

PixelCanvas::PixelCanvas(int width, int height, skin::Rgb background)
    : width_(std::max(0, width)), height_(std::max(0, height)) {
    pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
    fill({0, 0, width_, height_}, background);
}

void PixelCanvas::put(long long x, long long y, skin::Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = &pixels_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                static_cast<std::size_t>(x)) *
                               4];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    p[3] = 255;
}

void PixelCanvas::fill(const Rect& r, skin::Rgb colour) {
    // In long long: a rectangle's far edge may lie beyond what int holds.
    const long long x0 = std::max<long long>(r.left, 0), y0 = std::max<long long>(r.top, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(r.left) + r.width, width_);
    const long long y1 = std::min<long long>(static_cast<long long>(r.top) + r.height, height_);
    for (long long y = y0; y < y1; ++y)
        for (long long x = x0; x < x1; ++x)
            put(x, y, colour);
}

void PixelCanvas::line(ChartPoint a, ChartPoint b, int thickness, skin::Rgb colour) {
    // Bresenham's walk, a square of the line's width at each step.
    const int before = (std::max(thickness, 1) - 1) / 2, after = std::max(thickness, 1) / 2;
    long long x = a.x, y = a.y;
    const long long dx = std::llabs(static_cast<long long>(b.x) - a.x);
    const long long dy = -std::llabs(static_cast<long long>(b.y) - a.y);
    const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    long long error = dx + dy;
    for (;;) {
        for (long long py = y - before; py <= y + after; ++py)
            for (long long px = x - before; px <= x + after; ++px)
                put(px, py, colour);
        if (x == b.x && y == b.y) break;
        const long long twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void PixelCanvas::dot(ChartPoint centre, int radius, skin::Rgb colour) {
    const long long r = std::clamp(radius, 0, 64);
    for (long long dy = -r; dy <= r; ++dy)
        for (long long dx = -r; dx <= r; ++dx)
            if (dx * dx + dy * dy <= r * r + r) put(centre.x + dx, centre.y + dy, colour);
}

}  // namespace runtime::headless
