// The in-memory window's figure charts: the data kept as set, and the picture drawn from it.
#include <stdexcept>

#include "formats/png_writer.h"
#include "runtime/headless/chart_picture.h"
#include "runtime/headless/windows.h"
#include "runtime/platform.h"

namespace runtime::headless {

namespace {

// The system's window face and text, as the real chart has them with no skin attached.
const skin::ChartColours& plain_colours() {
    static const skin::ChartColours colours =
        skin::chart_colours(skin::rgb(0xF0F0F0), skin::rgb(0x000000));
    return colours;
}

constexpr int kLargestPicture = 8192;  // a side; no chart on any screen comes near

}  // namespace

const HeadlessWindow::State& HeadlessWindow::figure_state(std::string_view chart) const {
    const Control* c = form_.find(chart);
    if (!c || c->kind != ControlKind::figure_chart)
        throw std::logic_error("figure chart \"" + std::string(chart) + "\" does not exist");
    return *find(chart);
}

void HeadlessWindow::set_figure_chart(std::string_view chart, const FigureChart& data) {
    figure_state(chart);
    state(chart).figure = data;
}

const FigureChart& HeadlessWindow::figure_chart(std::string_view chart) const {
    return figure_state(chart).figure;
}

bool HeadlessWindow::save_chart_picture(std::string_view chart, const std::string& path) {
    const State& s = figure_state(chart);
    const int width = s.rect.width, height = s.rect.height;
    if (width <= 0 || height <= 0 || width > kLargestPicture || height > kLargestPicture)
        return false;
    const PixelCanvas canvas = draw_figure_chart(lay_out_figure_chart(s.figure, width, height),
                                                 plain_colours(), width, height);
    auto png = formats::encode_png(canvas.rgba(), static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height), formats::PixelFormat::rgba);
    return png.ok() && platform().files().replace(path, *png);
}

}  // namespace runtime::headless
