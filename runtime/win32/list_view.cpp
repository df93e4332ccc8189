// List views: rows the program keeps itself, drawn through the list's requests for text; rows
// in a tone of their own; the sort arrow on a header, and clicks on headers.
#include <algorithm>

#include "runtime/win32/wide_text.h"
#include "runtime/win32/window.h"

namespace runtime::win32 {

namespace {

// The tones in the system's own look, light tints that keep its dark text readable. A skin
// draws them in tints of its own scheme.
constexpr COLORREF kDue = RGB(0xFB, 0xE7, 0xB5);
constexpr COLORREF kOverdue = RGB(0xF4, 0xB7, 0xAC);

}  // namespace

UINT row_tone_message() {
    static const UINT message = RegisterWindowMessageW(L"LanqiaoRowTone");
    return message;
}

const RowSource* Win32Window::source_of(HWND list) const {
    auto it = sources_.find(list);
    return it == sources_.end() ? nullptr : it->second.get();
}

int Win32Window::row_tone(HWND list, int row) const {
    const RowSource* source = source_of(list);
    return source && row >= 0 && row < source->count() ? source->tone(row) : 0;
}

void Win32Window::show_rows(std::string_view list, std::shared_ptr<const RowSource> rows) {
    HWND h = hwnd_of(list);
    rows_of(h).clear();
    sources_[h] = std::move(rows);
    refresh_rows(list);
}

void Win32Window::refresh_rows(std::string_view list) {
    HWND h = hwnd_of(list);
    // Counted and drawn once the program waits for input, however often it changed meanwhile.
    hold_drawing(h);
    uncounted_lists_.insert(h);
    InvalidateRect(h, nullptr, FALSE);
}

void Win32Window::redraw_rows(std::string_view list, RowRange rows) {
    HWND h = hwnd_of(list);
    // A list held back draws everything when it is let go; otherwise only these rows, so that
    // the rest of the list, its count and its scroll bar are left alone.
    if (held_lists_.count(h) || rows.count <= 0) return;
    SendMessageW(h, LVM_REDRAWITEMS, static_cast<WPARAM>(rows.first),
                 static_cast<LPARAM>(rows.first + rows.count - 1));
}

void Win32Window::scroll_to_row(std::string_view list, int first) {
    HWND h = hwnd_of(list);
    sync_count(h);
    const int rows = item_count(list);
    if (rows <= 0) return;
    first = std::clamp(first, 0, rows - 1);
    // To the bottom, then back up to the row: the list then shows it as its top row, or
    // as near the top as its last rows let it.
    SendMessageW(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rows - 1), FALSE);
    SendMessageW(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first), FALSE);
}

void Win32Window::set_sort_mark(std::string_view list, int column, int direction) {
    auto header = reinterpret_cast<HWND>(SendMessageW(hwnd_of(list), LVM_GETHEADER, 0, 0));
    if (!header) return;
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < columns; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i),
                          reinterpret_cast<LPARAM>(&item)))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column && direction > 0) item.fmt |= HDF_SORTUP;
        if (i == column && direction < 0) item.fmt |= HDF_SORTDOWN;
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

bool Win32Window::list_notify(const Child& list, NMHDR* header, LRESULT& result) {
    if (header->code == LVN_COLUMNCLICK) {
        const auto* view = reinterpret_cast<NMLISTVIEW*>(header);
        fire(list.def->name, Event::column_clicked, EventArgs{view->iSubItem, {}});
        result = 0;
        return true;
    }
    if (header->code == LVN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
        const RowSource* source = source_of(list.hwnd);
        if (source && tip->iItem >= 0 && tip->iItem < source->count() && tip->pszText &&
            tip->cchTextMax > 0) {
            const std::wstring text = to_wide(source->tip(tip->iItem));
            if (!text.empty()) {
                const std::size_t n =
                    std::min(text.size(), static_cast<std::size_t>(tip->cchTextMax) - 1);
                std::copy_n(text.data(), n, tip->pszText);
                tip->pszText[n] = L'\0';
            }
        }
        result = 0;
        return true;
    }
    if (header->code != NM_CUSTOMDRAW || !source_of(list.hwnd)) return false;
    // Only the system's look comes here: a skin colours the rows in its own drawing.
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            result = CDRF_NOTIFYITEMDRAW;
            return true;
        case CDDS_ITEMPREPAINT: {
            const auto row = static_cast<int>(draw->nmcd.dwItemSpec);
            const bool selected = SendMessageW(list.hwnd, LVM_GETITEMSTATE,
                                               static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
            const int tone = selected ? 0 : row_tone(list.hwnd, row);
            result = CDRF_DODEFAULT;
            if (tone > 0) {
                draw->clrTextBk = tone == 1 ? kDue : kOverdue;
                draw->clrText = RGB(0, 0, 0);
                result = CDRF_NEWFONT;
            }
            return true;
        }
        default:
            result = CDRF_DODEFAULT;
            return true;
    }
}

}  // namespace runtime::win32
