#include "tools/make_offline_gif/badge.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace offline_gif {

namespace {

// Index 0 is transparent; 1..31 are greys from dark to light, enough for the anti-aliased
// edges of every shape below.
constexpr int kDarkest = 0x50;
constexpr int kLightest = 0xF6;

std::uint8_t grey_index(double level) {
    const double step = (kLightest - kDarkest) / double(kColours - 2);
    const double at = std::clamp((level - kDarkest) / step, 0.0, double(kColours - 2));
    return static_cast<std::uint8_t>(1 + std::lround(at));
}

// A 5-row x-height font with 2-row ascenders, enough for the one word.
struct Glyph {
    char c;
    std::array<std::string_view, 7> rows;
};

constexpr std::array<Glyph, 6> kGlyphs{{
    {'o', {"....", "....", ".##.", "#..#", "#..#", "#..#", ".##."}},
    {'f', {"..##", ".#..", "####", ".#..", ".#..", ".#..", ".#.."}},
    {'l', {"#", "#", "#", "#", "#", "#", "#"}},
    {'i', {"#", ".", "#", "#", "#", "#", "#"}},
    {'n', {"....", "....", "###.", "#..#", "#..#", "#..#", "#..#"}},
    {'e', {"....", "....", ".##.", "#..#", "####", "#...", ".###"}},
}};

const Glyph& glyph(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return g;
    return kGlyphs[0];
}

// Share of the pixel (x, y) covered by a rounded rectangle inset by `inset` pixels,
// from 4 x 4 samples.
double rounded_rect_cover(int x, int y, double inset, double radius) {
    const double left = inset, top = inset;
    const double right = kWidth - inset, bottom = kHeight - inset;
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
            const double px = x + (sx + 0.5) / 4.0, py = y + (sy + 0.5) / 4.0;
            if (px < left || px > right || py < top || py > bottom) continue;
            const double cx = std::clamp(px, left + radius, right - radius);
            const double cy = std::clamp(py, top + radius, bottom - radius);
            if (std::hypot(px - cx, py - cy) <= radius) ++inside;
        }
    }
    return inside / 16.0;
}

double disc_cover(int x, int y, double cx, double cy, double r) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
            if (std::hypot(x + (sx + 0.5) / 4.0 - cx, y + (sy + 0.5) / 4.0 - cy) <= r) ++inside;
    return inside / 16.0;
}

}  // namespace

Picture draw_badge() {
    Picture picture;
    picture.palette[kTransparent] = {0xFF, 0xFF, 0xFF};
    for (int i = 1; i < kColours; ++i) {
        const auto level = static_cast<std::uint8_t>(
            std::lround(kDarkest + (kLightest - kDarkest) * (i - 1) / double(kColours - 2)));
        picture.palette[static_cast<std::size_t>(i)] = {level, level, level};
    }

    // Grey levels first, -1 where the badge does not reach.
    std::vector<double> level(kWidth * kHeight, -1.0);
    constexpr double kBorder = 0x9A;
    for (int y = 0; y < kHeight; ++y) {
        // The face darkens a little toward the bottom, as a raised badge would.
        const double face = 0xEE - 0x12 * y / double(kHeight - 1);
        for (int x = 0; x < kWidth; ++x) {
            const double outer = rounded_rect_cover(x, y, 0.0, 5.0);
            if (outer < 0.25) continue;
            const double inner = rounded_rect_cover(x, y, 1.0, 4.0);
            level[y * kWidth + x] = kBorder + (face - kBorder) * inner;
        }
    }

    // The messenger's "person" dot, greyed out: a ring with a lighter centre.
    constexpr double kDotX = 10.0, kDotY = 9.0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < 20; ++x) {
            double& at = level[y * kWidth + x];
            if (at < 0) continue;
            const double ring = disc_cover(x, y, kDotX, kDotY, 5.5);
            const double centre = disc_cover(x, y, kDotX, kDotY, 3.5);
            const double shine = disc_cover(x, y, kDotX - 1.2, kDotY - 1.2, 1.6);
            at += (0x8C - at) * ring;
            at += (0xC4 - at) * centre;
            at += (0xE4 - at) * shine;
        }
    }

    // The word, one pixel bold, centred right of the dot.
    constexpr std::string_view kWord = "offline";
    constexpr double kInk = 0x5A;
    int width = 0;
    for (char c : kWord)
        width += static_cast<int>(glyph(c).rows[0].size()) + 2;
    width -= 1;
    int pen = 19 + (kWidth - 19 - 3 - width) / 2;
    constexpr int kTop = 5;
    for (char c : kWord) {
        const Glyph& g = glyph(c);
        const int w = static_cast<int>(g.rows[0].size());
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < w; ++col) {
                if (g.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] != '#')
                    continue;
                for (int bold = 0; bold < 2; ++bold)
                    level[(kTop + row) * kWidth + pen + col + bold] = kInk;
            }
        }
        pen += w + 2;
    }

    picture.pixels.resize(level.size());
    std::transform(level.begin(), level.end(), picture.pixels.begin(),
                   [](double l) { return l < 0 ? kTransparent : grey_index(l); });
    return picture;
}

}  // namespace offline_gif
