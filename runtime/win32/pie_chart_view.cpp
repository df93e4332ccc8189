#include "runtime/win32/pie_chart_view.h"

#include <algorithm>
#include <cmath>

#include "runtime/pie_chart.h"
#include "runtime/win32/wide_text.h"

namespace runtime::win32 {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kLegendWidth = 170;
constexpr int kMargin = 16;

COLORREF darker(COLORREF c) {
    return RGB(GetRValue(c) * 3 / 5, GetGValue(c) * 3 / 5, GetBValue(c) * 3 / 5);
}

// The point on the ellipse `box` at a fraction of the turn, clockwise from twelve o'clock.
POINT at_turn(const RECT& box, double turn) {
    double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
    double a = turn * 2 * kPi;
    return {static_cast<LONG>(std::lround(cx + rx * std::sin(a))),
            static_cast<LONG>(std::lround(cy - ry * std::cos(a)))};
}

void draw_slices(HDC dc, const RECT& box, const PieChartState& state, bool side) {
    const auto slices = pie_slices(state.values);
    for (const auto& s : slices) {
        COLORREF colour = state.def->chart_items[s.item].second;
        HBRUSH brush = CreateSolidBrush(side ? darker(colour) : colour);
        HGDIOBJ old = SelectObject(dc, brush);
        if (slices.size() == 1) {
            Ellipse(dc, box.left, box.top, box.right, box.bottom);
        } else {
            // Pie() runs counter-clockwise from its first point to its second.
            POINT from = at_turn(box, s.start + s.share), to = at_turn(box, s.start);
            Pie(dc, box.left, box.top, box.right, box.bottom, from.x, from.y, to.x, to.y);
        }
        SelectObject(dc, old);
        DeleteObject(brush);
    }
}

void paint(HWND hwnd, const PieChartState& state) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (!pie_slices(state.values).empty()) {
        HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        int room =
            std::min<int>(client.right - kLegendWidth - 2 * kMargin, client.bottom - 2 * kMargin);
        RECT box{kMargin, kMargin, kMargin + room, kMargin + room};
        if (state.three_d) {
            // Tilted: a flatter disc with its side face drawn below the rim.
            int depth = room / 10;
            box.top += room / 5;
            box.bottom -= room / 5;
            for (int d = depth; d > 0; --d) {
                RECT side = box;
                OffsetRect(&side, 0, d);
                draw_slices(dc, side, state, true);
            }
        }
        draw_slices(dc, box, state, false);
        SelectObject(dc, old_pen);

        HGDIOBJ old_font = state.font ? SelectObject(dc, state.font) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        const auto lines = pie_legend(state.def->chart_items, state.values, state.def->unit);
        int x = client.right - kLegendWidth, y = kMargin;
        for (std::size_t i = 0; i < lines.size(); ++i, y += 24) {
            int text_x = x;
            if (i > 0) {
                HBRUSH swatch = CreateSolidBrush(state.def->chart_items[i - 1].second);
                RECT r{x, y + 3, x + 14, y + 17};
                FillRect(dc, &r, swatch);
                DeleteObject(swatch);
                text_x += 20;
            }
            std::wstring text = to_wide(lines[i]);
            TextOutW(dc, text_x, y, text.c_str(), static_cast<int>(text.size()));
        }
        if (old_font) SelectObject(dc, old_font);
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK pie_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = reinterpret_cast<const PieChartState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_PAINT && state) {
        paint(hwnd, *state);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;  // painted whole in WM_PAINT
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

void register_pie_chart_class() {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = pie_procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.lpszClassName = kPieChartClass;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    RegisterClassExW(&cls);
}

}  // namespace runtime::win32
