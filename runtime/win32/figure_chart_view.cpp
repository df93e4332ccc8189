#include "runtime/win32/figure_chart_view.h"

#include <cstdint>
#include <vector>

#include "formats/png_writer.h"
#include "runtime/platform.h"
#include "runtime/win32/gdi_objects.h"
#include "runtime/win32/wide_text.h"
#include "skin/chart_colours.h"

namespace runtime::win32 {

namespace {

constexpr int kDotRadius = 3;

COLORREF colorref(skin::Rgb c) {
    return RGB(c.r, c.g, c.b);
}

skin::Rgb rgb_of(COLORREF c) {
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

// The colours the window gives its labels: with a skin attached its engine answers for the
// window with the skin's background and text; without one, the system's.
skin::ChartColours colours_for(HWND chart, HDC dc) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    if (HWND parent = GetParent(chart))
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(chart));
    return skin::chart_colours(rgb_of(GetBkColor(dc)), rgb_of(GetTextColor(dc)));
}

// The layout's text sizes in the font selected into `dc`.
TextSize measure(HDC dc) {
    TextSize size;
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0) size.line = metrics.tmHeight;
    SIZE extent{};
    if (GetTextExtentPoint32W(dc, L"\x6C49", 1, &extent) && extent.cx > 0) size.wide = extent.cx;
    if (GetTextExtentPoint32W(dc, L"0", 1, &extent) && extent.cx > 0) size.narrow = extent.cx;
    return size;
}

// Through the DC's own brush: no brush is made at all.
void fill(HDC dc, const Rect& r, skin::Rgb colour) {
    if (r.width <= 0 || r.height <= 0) return;
    SetDCBrushColor(dc, colorref(colour));
    const RECT area{r.left, r.top, r.left + r.width, r.top + r.height};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void draw_grid(HDC dc, const ChartPlot& plot, const skin::ChartColours& c) {
    for (int y : plot.grid)
        fill(dc, {plot.area.left, y, plot.area.width, 1}, c.grid);
}

void draw_axes(HDC dc, const ChartPlot& plot, const skin::ChartColours& c) {
    const Rect& a = plot.area;
    fill(dc, {a.left - 1, a.top, 1, a.height + 1}, c.axis);
    fill(dc, {a.left - 1, a.top + a.height, a.width + 1, 1}, c.axis);
}

void draw_line(HDC dc, const FigureLayout& layout, const skin::ChartColours& c) {
    Pen pen(CreatePen(PS_SOLID, 2, colorref(c.line)));
    Selected selected_pen(dc, pen ? static_cast<HGDIOBJ>(pen.get()) : GetStockObject(BLACK_PEN));
    SetDCBrushColor(dc, colorref(c.line));
    Selected selected_brush(dc, GetStockObject(DC_BRUSH));
    for (const auto& run : layout.line) {
        std::vector<POINT> points;
        for (const ChartPoint& p : run)
            points.push_back({p.x, p.y});
        if (points.size() > 1) Polyline(dc, points.data(), static_cast<int>(points.size()));
        for (const POINT& p : points)
            Ellipse(dc, p.x - kDotRadius, p.y - kDotRadius, p.x + kDotRadius + 1,
                    p.y + kDotRadius + 1);
    }
}

void draw_text(HDC dc, const FigureLayout& layout, const skin::ChartColours& c) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorref(c.text));
    auto put = [dc](const ChartLabel& label) {
        const UINT align = label.align == Align::centre  ? TA_CENTER
                           : label.align == Align::right ? TA_RIGHT
                                                         : TA_LEFT;
        SetTextAlign(dc, align | TA_TOP | TA_NOUPDATECP);
        const std::wstring text = to_wide(label.text);
        TextOutW(dc, label.x, label.y, text.c_str(), static_cast<int>(text.size()));
    };
    for (const ChartLabel& label : layout.labels)
        put(label);
    for (const LegendEntry& entry : layout.legend)
        put(entry.label);
}

// The whole chart onto `dc`, `width` x `height` pixels from its top left corner.
void draw(HWND chart, HDC dc, int width, int height, const FigureChartState& state) {
    Selected font(dc, state.font);
    const skin::ChartColours c = colours_for(chart, dc);
    fill(dc, {0, 0, width, height}, c.background);
    const FigureLayout layout = lay_out_figure_chart(state.data, width, height, measure(dc));
    if (layout.bars_plot.area.width <= 0) return;
    draw_grid(dc, layout.bars_plot, c);
    draw_grid(dc, layout.line_plot, c);
    for (const ChartBar& bar : layout.bars)
        fill(dc, bar.rect, c.bars[bar.series % c.bars.size()]);
    draw_axes(dc, layout.bars_plot, c);
    draw_axes(dc, layout.line_plot, c);
    draw_line(dc, layout, c);
    for (const LegendEntry& entry : layout.legend)
        fill(dc, entry.swatch, c.bars[entry.series % c.bars.size()]);
    draw_text(dc, layout, c);
}

// Drawn whole in memory first, then put on the screen in one step: no flicker.
void paint(HWND hwnd, const FigureChartState& state) {
    PaintDc paint(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    MemoryDc memory(CreateCompatibleDC(paint.dc()));
    Bitmap bitmap(memory ? CreateCompatibleBitmap(paint.dc(), width, height) : nullptr);
    if (!bitmap) {
        draw(hwnd, paint.dc(), width, height, state);
        return;
    }
    Selected selected(memory.get(), bitmap.get());
    draw(hwnd, memory.get(), width, height, state);
    BitBlt(paint.dc(), 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK figure_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = reinterpret_cast<const FigureChartState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_PAINT && state) {
        paint(hwnd, *state);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;  // painted whole in WM_PAINT
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

void register_figure_chart_class() {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = figure_procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = kFigureChartClass;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    RegisterClassExW(&cls);
}

bool save_figure_picture(HWND chart, const FigureChartState& state, const std::string& path) {
    RECT client{};
    if (!chart || !GetClientRect(chart, &client)) return false;
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return false;
    // 32 bits a pixel, top row first: the bytes are blue, green, red and one unused.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    MemoryDc memory(CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    Bitmap bitmap(memory ? CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                         : nullptr);
    if (!bitmap || !bits) return false;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> rgba(count * 4);
    {
        Selected selected(memory.get(), bitmap.get());
        draw(chart, memory.get(), width, height, state);
        GdiFlush();
        const auto* bgrx = static_cast<const std::uint8_t*>(bits);
        for (std::size_t i = 0; i < count; ++i) {
            rgba[i * 4] = bgrx[i * 4 + 2];
            rgba[i * 4 + 1] = bgrx[i * 4 + 1];
            rgba[i * 4 + 2] = bgrx[i * 4];
            rgba[i * 4 + 3] = 255;
        }
    }
    auto png = formats::encode_png(rgba, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height), formats::PixelFormat::rgba);
    return png.ok() && platform().files().replace(path, *png);
}

}  // namespace runtime::win32
