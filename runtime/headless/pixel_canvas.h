#pragma once
// A picture in memory, 8-bit RGBA, and the few shapes a chart is made of; everything is
// clipped to the picture.
#include <cstdint>
#include <vector>

#include "runtime/figure_chart.h"
#include "skin/colour.h"

namespace runtime::headless {

class PixelCanvas {
  public:
    PixelCanvas(int width, int height, skin::Rgb background);

    void fill(const Rect& r, skin::Rgb colour);
    // A line `thickness` pixels wide from `a` to `b`, both ends included.
    void line(ChartPoint a, ChartPoint b, int thickness, skin::Rgb colour);
    void dot(ChartPoint centre, int radius, skin::Rgb colour);

    int width() const { return width_; }
    int height() const { return height_; }
    // Rows top to bottom, 4 bytes a pixel, red first, all opaque.
    const std::vector<std::uint8_t>& rgba() const { return pixels_; }

  private:
    void put(long long x, long long y, skin::Rgb colour);
    int width_, height_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace runtime::headless
