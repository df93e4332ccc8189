#include "skin/chart_colours.h"

namespace skin {

namespace {

constexpr double kGraphicContrast = 3.0;
constexpr double kTextContrast = 4.5;

// Black or white, whichever stands further from `background`.
Rgb far_end(Rgb background) {
    const Rgb black = rgb(0x000000), white = rgb(0xFFFFFF);
    return contrast(black, background) >= contrast(white, background) ? black : white;
}

// `hue` moved toward the far end in small steps until it reads on `background`.
Rgb standing_out(Rgb hue, Rgb background) {
    const Rgb end = far_end(background);
    for (int step = 0; step <= 25; ++step) {
        const Rgb c = mix(hue, end, step * 0.04);
        if (contrast(c, background) >= kGraphicContrast) return c;
    }
    return end;
}

}  // namespace

ChartColours chart_colours(Rgb background, Rgb text) {
    // Blue and orange for the bars side by side, then green and purple; a red line, so the
    // percents never pass for a bar.
    constexpr std::array<std::uint32_t, 4> kBarHues{0x3C7DD9, 0xF28C28, 0x3AA655, 0x9060CC};
    constexpr std::uint32_t kLineHue = 0xE0303A;
    ChartColours c;
    c.background = background;
    c.text = contrast(text, background) >= kTextContrast ? text : far_end(background);
    c.axis = mix(c.text, background, 0.25);
    c.grid = mix(c.text, background, 0.82);
    for (std::size_t i = 0; i < kBarHues.size(); ++i)
        c.bars[i] = standing_out(rgb(kBarHues[i]), background);
    c.line = standing_out(rgb(kLineHue), background);
    return c;
}

}  // namespace skin
