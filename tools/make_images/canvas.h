// A picture in memory: straight (not premultiplied) RGBA, each channel 0..1.
#pragma once
#include <cstdint>
#include <vector>

namespace imagemaker {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

// An opaque colour from 0xRRGGBB.
Rgba rgb(std::uint32_t hex);
// `c` with its alpha scaled by `opacity`.
Rgba faded(Rgba c, double opacity);
// `top` laid over `bottom` ("source over").
Rgba over(Rgba top, Rgba bottom);
// `a` moved toward `b` by t (0: a, 1: b), alpha included.
Rgba mix(Rgba a, Rgba b, double t);

// One channel as the byte a file stores.
std::uint8_t to_byte(double channel);

class Canvas {
  public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    const Rgba& at(int x, int y) const { return pixels_[index(x, y)]; }
    Rgba& at(int x, int y) { return pixels_[index(x, y)]; }

    // Copies `picture` in with its top-left corner at (left, top); parts outside are dropped.
    void paste(const Canvas& picture, int left, int top);

  private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_;
    int height_;
    std::vector<Rgba> pixels_;
};

}  // namespace imagemaker
