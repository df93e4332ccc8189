#include "runtime/win32/window.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>
#include <shellapi.h>
// clang-format on

#include <commdlg.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "runtime/pie_chart.h"

#include "resources/resource_ids.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/windows.h"

namespace runtime::win32 {

namespace {

// Posted when a list was filled with its drawing held back: it draws again once the program
// waits for input.
constexpr UINT kRedrawLists = WM_APP + 2;
constexpr UINT kRowsShown = WM_APP + 3;
constexpr UINT kFirstControlId = 1000;
constexpr UINT kFirstToolbarCommand = 2000;
constexpr UINT kFirstMenuCommand = 3000;

[[noreturn]] void no_such(std::string_view what, std::string_view name) {
    throw std::logic_error(std::string(what) + " \"" + std::string(name) + "\" does not exist");
}

std::wstring window_text(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

int align_format(Align a) {
    return a == Align::centre ? LVCFMT_CENTER : a == Align::right ? LVCFMT_RIGHT : LVCFMT_LEFT;
}

// The message font of the desktop, which carries the Chinese glyphs of the user's system.
HFONT message_font() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return nullptr;
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

Win32Window::Win32Window(Win32Windows& system, const Form& form, Handlers handlers)
    : system_(system), form_(form), handlers_(std::move(handlers)) {
    for (const auto& m : form_.menus)
        if (m.caption != "-") menu_visible_[m.caption] = m.visible;
}

Win32Window::~Win32Window() {
    if (hwnd_) DestroyWindow(hwnd_);
    for (HIMAGELIST list : image_lists_)
        ImageList_Destroy(list);
    if (font_) DeleteObject(font_);
}

int Win32Window::px(int logical_pixels) const {
    return static_cast<int>(logical_pixels * scale_ + (logical_pixels < 0 ? -0.5 : 0.5));
}

int Win32Window::logical(int pixels) const {
    return static_cast<int>(pixels / scale_ + (pixels < 0 ? -0.5 : 0.5));
}

bool Win32Window::create() {
    if (HDC screen = GetDC(nullptr)) {
        scale_ = GetDeviceCaps(screen, LOGPIXELSX) / 96.0;
        ReleaseDC(nullptr, screen);
    }
    DWORD style = form_.border == Border::resizable
                      ? WS_OVERLAPPEDWINDOW
                      : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    std::wstring title = to_wide(form_.title);
    hwnd_ = CreateWindowExW(0, L"LanqiaoWindow", title.c_str(), style | WS_CLIPCHILDREN,
                            px(form_.left), px(form_.top), px(form_.width), px(form_.height),
                            nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) return false;
    font_ = message_font();
    ++quiet_;
    UINT id = kFirstControlId;
    for (const auto& c : form_.controls)
        create_control(c, id++);
    arrange_tab_order();
    --quiet_;
    created_ = true;
    fire("", Event::created);
    if (!closed_) choose_first_focus();
    return true;
}

void Win32Window::create_control(const Control& c, UINT id) {
    Child child;
    child.def = &c;
    child.id = id;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    DWORD visible = c.visible ? WS_VISIBLE : 0;
    DWORD tab = c.tab_stop ? WS_TABSTOP : 0;
    auto make = [&](DWORD ex, const wchar_t* cls, DWORD style, const std::wstring& text,
                    int height) {
        return CreateWindowExW(
            ex, cls, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | visible | tab | style,
            px(c.rect.left), px(c.rect.top), px(c.rect.width), px(height), hwnd_,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
    };
    std::wstring text = to_wide(c.text);
    switch (c.kind) {
        case ControlKind::label:
            child.hwnd = make(0, L"STATIC", SS_LEFT, text, c.rect.height);
            break;
        case ControlKind::button:
            child.hwnd = make(0, L"BUTTON", c.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                              text, c.rect.height);
            break;
        case ControlKind::check_box:
            child.hwnd = make(0, L"BUTTON", BS_AUTOCHECKBOX, text, c.rect.height);
            break;
        case ControlKind::edit:
        case ControlKind::spin_edit: {
            DWORD style =
                c.multi_line ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL : ES_AUTOHSCROLL;
            if (c.vertical_scroll) style |= WS_VSCROLL;
            if (c.centred) style |= ES_CENTER;
            if (c.number_only) style |= ES_NUMBER;
            if (c.password) style |= ES_PASSWORD;
            child.hwnd = make(WS_EX_CLIENTEDGE, L"EDIT", style, text, c.rect.height);
            if (c.kind == ControlKind::spin_edit) {
                child.buddy = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                              WS_CHILD | visible | UDS_SETBUDDYINT |
                                                  UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                              0, 0, 0, 0, hwnd_, nullptr, instance, nullptr);
                SendMessageW(child.buddy, UDM_SETBUDDY, reinterpret_cast<WPARAM>(child.hwnd), 0);
                SendMessageW(child.buddy, UDM_SETRANGE32, static_cast<WPARAM>(c.minimum),
                             static_cast<LPARAM>(c.maximum));
            }
            break;
        }
        case ControlKind::date_picker:
            child.hwnd = make(0, DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT, L"", c.rect.height);
            break;
        case ControlKind::drop_list:
            // The height given is the closed box's; the list needs room to drop down.
            child.hwnd =
                make(0, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, L"", c.rect.height + 200);
            break;
        case ControlKind::list_view:
            create_list(c, child);
            break;
        case ControlKind::toolbar:
            create_toolbar(c, child);
            break;
        case ControlKind::timer:
            if (c.period_ms > 0) SetTimer(hwnd_, id, static_cast<UINT>(c.period_ms), nullptr);
            break;
        case ControlKind::html_view:
            child.hwnd = make(0, L"STATIC", SS_WHITERECT, L"", c.rect.height);
            break;
        case ControlKind::pie_chart: {
            auto state = std::make_unique<PieChartState>();
            state->def = &c;
            state->values = c.chart_values;
            state->values.resize(c.chart_items.size());
            state->font = font_;
            child.hwnd = make(0, kPieChartClass, 0, L"", c.rect.height);
            if (child.hwnd)
                SetWindowLongPtrW(child.hwnd, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(state.get()));
            charts_.emplace(c.name, std::move(state));
            break;
        }
        case ControlKind::figure_chart: {
            auto state = std::make_unique<FigureChartState>();
            state->def = &c;
            state->font = font_;
            child.hwnd = make(0, kFigureChartClass, 0, L"", c.rect.height);
            if (child.hwnd)
                SetWindowLongPtrW(child.hwnd, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(state.get()));
            figures_.emplace(c.name, std::move(state));
            break;
        }
        case ControlKind::progress_bar:
            child.hwnd = make(0, PROGRESS_CLASSW, PBS_SMOOTH, L"", c.rect.height);
            break;
        case ControlKind::save_dialog:
        case ControlKind::open_dialog:
            break;
    }
    if (child.hwnd && font_)
        SendMessageW(child.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    // A label that reaches into the box beside it stays behind that box.
    if (child.hwnd && c.kind == ControlKind::label)
        SetWindowPos(child.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    children_.emplace(c.name, child);
}

namespace {

// A right click on a list's header asks for its menu. The header tells only the list, and
// Wine's list view keeps it to itself: the header hands it straight to the window.
LRESULT CALLBACK header_proc(HWND header, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                             DWORD_PTR window) {
    if (message == WM_RBUTTONUP || message == WM_CONTEXTMENU) {
        SendMessageW(reinterpret_cast<HWND>(window), WM_CONTEXTMENU,
                     reinterpret_cast<WPARAM>(header), lparam);
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(header, header_proc, id);
    return DefSubclassProc(header, message, wparam, lparam);
}

constexpr UINT_PTR kHeaderSubclass = 0x4C51;

}  // namespace

void Win32Window::create_list(const Control& c, Child& child) {
    child.hwnd = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        // Clipped around its siblings, so that a box floating over it (the
        // find box) is never painted over.
        WS_CHILD | WS_CLIPSIBLINGS | (c.visible ? WS_VISIBLE : 0) | (c.tab_stop ? WS_TABSTOP : 0) |
            LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDATA,
        px(c.rect.left), px(c.rect.top), px(c.rect.width), px(c.rect.height), hwnd_,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(child.id)), GetModuleHandleW(nullptr),
        nullptr);
    if (!child.hwnd) return;
    // The rows live here and the list asks for the texts it draws: filling it costs nothing
    // per row on the list's side, however long the list.
    list_rows_[child.hwnd];
    SendMessageW(child.hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP);
    if (auto header = reinterpret_cast<HWND>(SendMessageW(child.hwnd, LVM_GETHEADER, 0, 0)))
        SetWindowSubclass(header, header_proc, kHeaderSubclass, reinterpret_cast<DWORD_PTR>(hwnd_));
    for (std::size_t i = 0; i < c.columns.size(); ++i) {
        std::wstring caption = to_wide(c.columns[i].caption);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = align_format(c.columns[i].align);
        col.cx = px(c.columns[i].width);
        col.pszText = caption.data();
        SendMessageW(child.hwnd, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    if (c.row_height > 0) {
        // A blank small image as tall as a row sets the row height.
        HIMAGELIST rows = ImageList_Create(1, px(c.row_height), ILC_COLOR32, 1, 0);
        if (rows) {
            image_lists_.push_back(rows);
            SendMessageW(child.hwnd, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows));
        }
    }
}

void Win32Window::create_toolbar(const Control& c, Child& child) {
    child.hwnd =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                        WS_CHILD | (c.visible ? WS_VISIBLE : 0) | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                            CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                        px(c.rect.left), px(c.rect.top), px(c.rect.width), px(c.rect.height), hwnd_,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(child.id)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!child.hwnd) return;
    SendMessageW(child.hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(child.hwnd, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    HIMAGELIST images =
        ImageList_Create(c.image_size, c.image_size, ILC_COLOR32 | ILC_MASK, c.image_count, 0);
    if (images) {
        image_lists_.push_back(images);
        auto strip = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                     MAKEINTRESOURCEW(IDB_TOOLBAR), IMAGE_BITMAP, 0,
                                                     0, LR_CREATEDIBSECTION));
        if (strip) {
            // Fully transparent pixels are the mask colour too, for lists without alpha.
            ImageList_AddMasked(images, strip, LQ_TOOLBAR_MASK_COLOUR);
            DeleteObject(strip);
        }
        SendMessageW(child.hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    }
    std::vector<std::wstring> captions;
    captions.reserve(c.entries.size());
    std::vector<TBBUTTON> buttons(c.entries.size());
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
        const auto& e = c.entries[i];
        captions.push_back(to_wide(e.caption));
        TBBUTTON& b = buttons[i];
        b.idCommand = static_cast<int>(kFirstToolbarCommand + i);
        b.fsState = TBSTATE_ENABLED;
        if (e.separator()) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = 6;
        } else {
            b.iBitmap = e.image;
            b.fsStyle = static_cast<BYTE>(BTNS_BUTTON | BTNS_AUTOSIZE |
                                          (e.drop_down ? BTNS_WHOLEDROPDOWN : 0));
            b.iString = reinterpret_cast<INT_PTR>(captions.back().c_str());
        }
    }
    SendMessageW(child.hwnd, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
}

const Win32Window::Child& Win32Window::child(std::string_view control) const {
    auto it = children_.find(control);
    if (it == children_.end()) no_such("control", control);
    return it->second;
}

HWND Win32Window::hwnd_of(std::string_view control) const {
    return control.empty() ? hwnd_ : child(control).hwnd;
}

const Win32Window::Child* Win32Window::child_by_id(UINT id) const {
    for (const auto& [name, c] : children_)
        if (c.id == id) return &c;
    return nullptr;
}

void Win32Window::fire(std::string_view control, Event event, const EventArgs& args) {
    if (closed_) return;
    dispatch(*this, handlers_, control, event, args);
}

std::string Win32Window::text(std::string_view control) const {
    return from_wide(window_text(hwnd_of(control)));
}

void Win32Window::set_text(std::string_view control, std::string_view text) {
    std::wstring wide = to_wide(text);
    SetWindowTextW(hwnd_of(control), wide.c_str());
}

bool Win32Window::visible(std::string_view control) const {
    return IsWindowVisible(hwnd_of(control)) != FALSE;
}

void Win32Window::set_visible(std::string_view control, bool visible) {
    HWND h = hwnd_of(control);
    ShowWindow(h, visible ? SW_SHOW : SW_HIDE);
    // A control shown over others comes to the top, where the user can see it.
    if (visible && !control.empty())
        SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!control.empty() && child(control).buddy)
        ShowWindow(child(control).buddy, visible ? SW_SHOW : SW_HIDE);
}

Rect Win32Window::placement(std::string_view control) const {
    RECT r{};
    HWND h = hwnd_of(control);
    GetWindowRect(h, &r);
    if (!control.empty()) MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return {logical(r.left), logical(r.top), logical(r.right - r.left), logical(r.bottom - r.top)};
}

void Win32Window::set_placement(std::string_view control, const Rect& rect) {
    MoveWindow(hwnd_of(control), px(rect.left), px(rect.top), px(rect.width), px(rect.height),
               TRUE);
}

bool Win32Window::checked(std::string_view control) const {
    return SendMessageW(hwnd_of(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Window::set_checked(std::string_view control, bool checked) {
    SendMessageW(hwnd_of(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

double Win32Window::date(std::string_view control) const {
    SYSTEMTIME st{};
    if (SendMessageW(hwnd_of(control), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) !=
        GDT_VALID)
        return 0;
    double days = 0;
    // Automation dates count from 1899-12-30, as the database does.
    if (!SystemTimeToVariantTime(&st, &days)) return 0;
    return days;
}

void Win32Window::set_date(std::string_view control, double date) {
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(date, &st)) return;
    SendMessageW(hwnd_of(control), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

void Win32Window::clear_choices(std::string_view control) {
    SendMessageW(hwnd_of(control), CB_RESETCONTENT, 0, 0);
}

void Win32Window::add_choice(std::string_view control, std::string_view text) {
    std::wstring wide = to_wide(text);
    SendMessageW(hwnd_of(control), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

int Win32Window::choice_count(std::string_view control) const {
    return static_cast<int>(SendMessageW(hwnd_of(control), CB_GETCOUNT, 0, 0));
}

int Win32Window::selected_choice(std::string_view control) const {
    auto i = SendMessageW(hwnd_of(control), CB_GETCURSEL, 0, 0);
    return i == CB_ERR ? -1 : static_cast<int>(i);
}

void Win32Window::select_choice(std::string_view control, int index) {
    SendMessageW(hwnd_of(control), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string Win32Window::column_title(std::string_view list, int column) const {
    wchar_t buffer[256] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = buffer;
    col.cchTextMax = 255;
    if (!SendMessageW(hwnd_of(list), LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                      reinterpret_cast<LPARAM>(&col)))
        return {};
    return from_wide(buffer);
}

void Win32Window::set_column_title(std::string_view list, int column, std::string_view title) {
    std::wstring wide = to_wide(title);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = wide.data();
    SendMessageW(hwnd_of(list), LVM_SETCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&col));
}

int Win32Window::column_width(std::string_view list, int column) const {
    return logical(static_cast<int>(
        SendMessageW(hwnd_of(list), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)));
}

void Win32Window::set_column_width(std::string_view list, int column, int width) {
    // -1 and -2 are the list's own "fit" requests, not widths.
    int pixels = width < 0 ? width : px(width);
    SendMessageW(hwnd_of(list), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 static_cast<LPARAM>(pixels));
}

void Win32Window::hold_drawing(HWND list) {
    // A list view that draws after every change takes time that grows with the square of the
    // rows it is filled with; held back, thousands of rows go in at once.
    if (!held_lists_.insert(list).second) return;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    PostMessageW(hwnd_, kRedrawLists, 0, 0);
}

Win32Window::Rows& Win32Window::rows_of(HWND list) {
    auto it = list_rows_.find(list);
    if (it == list_rows_.end()) throw std::logic_error("not a list view");
    return it->second;
}

const Win32Window::Rows& Win32Window::rows_of(HWND list) const {
    auto it = list_rows_.find(list);
    if (it == list_rows_.end()) throw std::logic_error("not a list view");
    return it->second;
}

void Win32Window::sync_count(HWND list) const {
    if (!uncounted_lists_.erase(list)) return;
    const RowSource* source = source_of(list);
    const std::size_t count =
        source ? static_cast<std::size_t>(std::max(source->count(), 0)) : rows_of(list).size();
    SendMessageW(list, LVM_SETITEMCOUNT, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
}

void Win32Window::delete_all_items(std::string_view list) {
    HWND h = hwnd_of(list);
    hold_drawing(h);
    rows_of(h).clear();
    sources_.erase(h);
    uncounted_lists_.erase(h);
    SendMessageW(h, LVM_DELETEALLITEMS, 0, 0);
}

int Win32Window::append_item(std::string_view list, std::string_view text) {
    HWND h = hwnd_of(list);
    hold_drawing(h);
    Rows& rows = rows_of(h);
    rows.push_back({to_wide(text)});
    // The list learns its new length when it next needs it.
    uncounted_lists_.insert(h);
    return static_cast<int>(rows.size()) - 1;
}

void Win32Window::set_cell(std::string_view list, int row, int column, std::string_view text) {
    HWND h = hwnd_of(list);
    Rows& rows = rows_of(h);
    if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0) return;
    auto& cells = rows[static_cast<std::size_t>(row)];
    if (cells.size() <= static_cast<std::size_t>(column))
        cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = to_wide(text);
    if (!held_lists_.count(h)) SendMessageW(h, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
}

std::string Win32Window::cell(std::string_view list, int row, int column) const {
    if (const RowSource* source = source_of(hwnd_of(list)))
        return row >= 0 && row < source->count() && column >= 0 ? source->cell(row, column)
                                                                : std::string();
    const Rows& rows = rows_of(hwnd_of(list));
    if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0) return {};
    const auto& cells = rows[static_cast<std::size_t>(row)];
    if (static_cast<std::size_t>(column) >= cells.size()) return {};
    return from_wide(cells[static_cast<std::size_t>(column)]);
}

int Win32Window::item_count(std::string_view list) const {
    if (const RowSource* source = source_of(hwnd_of(list))) return source->count();
    return static_cast<int>(rows_of(hwnd_of(list)).size());
}

int Win32Window::selected_row(std::string_view list) const {
    HWND h = hwnd_of(list);
    sync_count(h);
    return static_cast<int>(
        SendMessageW(h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32Window::select_row(std::string_view list, int row) {
    if (row < -1 || row >= item_count(list)) return;
    HWND h = hwnd_of(list);
    sync_count(h);
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (row >= 0) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        return;
    }
    // No row selected: only the rows that are lose it. Row -1 would stand for every row, and
    // a list that keeps its own rows then visits each of a hundred thousand one by one.
    item.state = 0;
    const auto next = [h](int after, UINT kind) {
        return static_cast<int>(SendMessageW(h, LVM_GETNEXTITEM, static_cast<WPARAM>(after), kind));
    };
    for (int at = next(-1, LVNI_SELECTED), last = -1; at > last;
         last = at, at = next(at, LVNI_SELECTED))
        SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
    if (const int focused = next(-1, LVNI_FOCUSED); focused >= 0)
        SendMessageW(h, LVM_SETITEMSTATE, static_cast<WPARAM>(focused),
                     reinterpret_cast<LPARAM>(&item));
}

bool Win32Window::menu_item_visible(std::string_view caption) const {
    auto it = menu_visible_.find(caption);
    if (it == menu_visible_.end()) no_such("menu item", caption);
    return it->second;
}

void Win32Window::set_menu_item_visible(std::string_view caption, bool visible) {
    auto it = menu_visible_.find(caption);
    if (it == menu_visible_.end()) no_such("menu item", caption);
    it->second = visible;
}

void Win32Window::popup_menu(std::string_view menu) {
    POINT at{};
    GetCursorPos(&at);
    track_menu(menu, at);
}

void Win32Window::popup_menu_at(std::string_view menu, std::string_view list) {
    HWND h = hwnd_of(list);
    RECT r{};
    GetWindowRect(h, &r);
    POINT at{r.left + px(16), r.top + px(32)};
    const int row = selected_row(list);
    RECT item{};
    item.left = LVIR_BOUNDS;
    if (row >= 0 && SendMessageW(h, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                 reinterpret_cast<LPARAM>(&item))) {
        at = {item.left + px(16), item.bottom};
        ClientToScreen(h, &at);
    }
    track_menu(menu, at);
}

void Win32Window::track_menu(std::string_view menu, POINT at) {
    // Windows menus cannot hide an item, so the pop-up is built afresh with the visible ones.
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    std::vector<const MenuItem*> items;
    bool inside = false;
    for (const auto& m : form_.menus) {
        if (m.level == 0) {
            inside = m.caption == menu;
            continue;
        }
        if (!inside) continue;
        if (m.caption == "-") {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        if (!menu_visible_[m.caption]) continue;
        // The shortcut after a tab is drawn right-aligned, as every Windows menu shows it.
        std::wstring caption =
            to_wide(m.shortcut.empty() ? m.caption : m.caption + "\t" + m.shortcut);
        const bool tick = menu_checked_.count(m.caption) && menu_checked_.at(m.caption);
        AppendMenuW(popup, MF_STRING | (tick ? MF_CHECKED : 0u), kFirstMenuCommand + items.size(),
                    caption.c_str());
        items.push_back(&m);
    }
    SetForegroundWindow(hwnd_);
    UINT chosen = static_cast<UINT>(
        TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    DestroyMenu(popup);
    if (chosen < kFirstMenuCommand || chosen >= kFirstMenuCommand + items.size()) return;
    const MenuItem* item = items[chosen - kFirstMenuCommand];
    auto handler = handlers_.find(item->handler);
    if (handler != handlers_.end() && handler->second)
        handler->second(*this, EventArgs{0, item->caption});
}

PieChartState& Win32Window::chart(std::string_view control) const {
    auto it = charts_.find(control);
    if (it == charts_.end()) no_such("pie chart", control);
    return *it->second;
}

double Win32Window::chart_value(std::string_view control, int item) const {
    const PieChartState& c = chart(control);
    if (c.values.empty()) return 0;
    return c.values[item >= 0 && static_cast<std::size_t>(item) < c.values.size()
                        ? static_cast<std::size_t>(item)
                        : 0];
}

void Win32Window::set_chart_value(std::string_view control, int item, double value) {
    PieChartState& c = chart(control);
    if (c.values.empty()) return;
    c.values[item >= 0 && static_cast<std::size_t>(item) < c.values.size()
                 ? static_cast<std::size_t>(item)
                 : 0] = clamp_chart_value(value);
    InvalidateRect(hwnd_of(control), nullptr, TRUE);
}

bool Win32Window::chart_3d(std::string_view control) const {
    return chart(control).three_d;
}

void Win32Window::set_chart_3d(std::string_view control, bool on) {
    chart(control).three_d = on;
    InvalidateRect(hwnd_of(control), nullptr, TRUE);
}

void Win32Window::set_figure_chart(std::string_view control, const FigureChart& data) {
    auto it = figures_.find(control);
    if (it == figures_.end()) no_such("figure chart", control);
    it->second->data = data;
    InvalidateRect(hwnd_of(control), nullptr, FALSE);
}

bool Win32Window::save_chart_picture(std::string_view control, const std::string& path) {
    auto it = figures_.find(control);
    if (it == figures_.end()) no_such("figure chart", control);
    return save_figure_picture(hwnd_of(control), *it->second, path);
}

void Win32Window::navigate(std::string_view control, std::string_view address) {
    const Child& view = child(control);
    std::wstring wide = to_wide(address);
    auto& browser = web_views_[std::string(control)];
    if (!browser) {
        RECT area{};
        GetClientRect(view.hwnd, &area);
        browser = WebView::create(view.hwnd, area);
    }
    // Without a browser engine the shell opens the address, which still starts whatever
    // handles it (the messenger for its hand-off pages), only in a browser of its own.
    if (!browser || !browser->navigate(wide))
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Window::add_tray_icon(std::string_view tooltip) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd_;
    data.uID = kTrayId;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON, 32, 32, LR_SHARED));
    if (!data.hIcon) data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    std::wstring tip = to_wide(tooltip);
    wcsncpy_s(data.szTip, tip.c_str(), _TRUNCATE);
    tray_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void Win32Window::stop_timer(std::string_view timer) {
    if (auto it = timer_ids_.find(timer); it != timer_ids_.end()) {
        if (hwnd_) KillTimer(hwnd_, it->second);
        timer_ticks_.erase(it->second);
        timer_ids_.erase(it);
        return;
    }
    KillTimer(hwnd_, child(timer).id);
}

void Win32Window::start_timer(std::string_view name, int period_ms, std::function<void()> tick) {
    if (!hwnd_ || closed_) return;
    auto [it, added] = timer_ids_.try_emplace(std::string(name), next_timer_id_);
    if (added) ++next_timer_id_;
    timer_ticks_[it->second] = std::move(tick);
    // The same id again resets the period of a running timer.
    SetTimer(hwnd_, it->second, static_cast<UINT>(std::max(period_ms, 1)), nullptr);
}

void Win32Window::set_progress(std::string_view bar, int done, int total) {
    const HWND h = hwnd_of(bar);
    const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    const bool unknown = total <= 0;
    // A bar that cannot say how far shows a block running along it, as Windows' own do.
    if (unknown != ((style & PBS_MARQUEE) != 0)) {
        SetWindowLongPtrW(h, GWL_STYLE, unknown ? style | PBS_MARQUEE : style & ~PBS_MARQUEE);
        SendMessageW(h, PBM_SETMARQUEE, unknown ? TRUE : FALSE, 30);
    }
    if (unknown) return;
    SendMessageW(h, PBM_SETRANGE32, 0, total);
    SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(std::clamp(done, 0, total)), 0);
}

void Win32Window::close() {
    if (hwnd_ && !closed_) DestroyWindow(hwnd_);
}

RowRange Win32Window::visible_rows(std::string_view list) const {
    const HWND h = hwnd_of(list);
    const int rows = item_count(list);
    const int top = static_cast<int>(SendMessageW(h, LVM_GETTOPINDEX, 0, 0));
    // The count per page leaves out a last row that shows only in part.
    const int page = static_cast<int>(SendMessageW(h, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
    const int first = std::clamp(top, 0, rows);
    return {first, std::clamp(page, 0, rows - first)};
}

// Asked for every cell the list draws. Which rows are in view is looked up once the drawing
// is over: under Wine each question to the list is a message that costs a tenth of a
// millisecond, and a screenful of cells asked it twice each.
void Win32Window::note_rows_shown(const Child& list) {
    if (rows_shown_.contains(list.def->name)) return;
    // Not from inside the list's drawing: the handler may well ask the list for its cells.
    if (rows_shown_.empty()) PostMessageW(hwnd_, kRowsShown, 0, 0);
    rows_shown_.insert(list.def->name);
}

LRESULT Win32Window::handle_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    hwnd_ = hwnd;
    switch (message) {
        case WM_SIZE:
            if (created_) fire("", Event::resized);
            return 0;
        case WM_ACTIVATE:
            on_activate(LOWORD(wparam) != WA_INACTIVE);
            return 0;
        case DM_GETDEFID:
            return default_button_id();
        case WM_NEXTDLGCTL:
            // A multi-line box asks its window to move the keyboard on when Tab is pressed.
            if (LOWORD(lparam))
                SetFocus(reinterpret_cast<HWND>(wparam));
            else
                to_next_control(wparam != 0);
            return 0;
        case WM_RBUTTONDOWN:
            fire("", Event::right_button);
            return 0;
        case WM_CONTEXTMENU:
            // A list's header passes the right click up to its window.
            for (const auto& [name, c] : children_)
                if (c.def->kind == ControlKind::list_view && wparam != 0 &&
                    reinterpret_cast<HWND>(wparam) ==
                        reinterpret_cast<HWND>(SendMessageW(c.hwnd, LVM_GETHEADER, 0, 0))) {
                    fire(name, Event::header_right_clicked);
                    return 0;
                }
            return DefWindowProcW(hwnd, message, wparam, lparam);
        case kRedrawLists:
            for (HWND list : std::exchange(held_lists_, {})) {
                sync_count(list);
                SendMessageW(list, WM_SETREDRAW, TRUE, 0);
                RedrawWindow(list, nullptr, nullptr,
                             RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
            }
            return 0;
        case kRowsShown:
            for (const std::string& list : std::exchange(rows_shown_, {})) {
                const RowRange now = visible_rows(list);
                RowRange& reported = rows_reported_[hwnd_of(list)];
                if (now == reported) continue;
                reported = now;
                fire(list, Event::rows_shown);
            }
            return 0;
        case WM_TIMER:
            if (auto t = timer_ticks_.find(static_cast<UINT>(wparam)); t != timer_ticks_.end()) {
                // A copy: the tick may stop its own timer.
                const std::function<void()> run = t->second;
                run();
                return 0;
            }
            if (const Child* c = child_by_id(static_cast<UINT>(wparam)))
                fire(c->def->name, Event::tick);
            return 0;
        case WM_TIMECHANGE:
            fire("", Event::time_changed);
            return 0;
        case kTrayMessage: {
            int code = 0;
            switch (LOWORD(lparam)) {
                case WM_LBUTTONUP:
                    code = 1;
                    break;
                case WM_LBUTTONDBLCLK:
                    code = 2;
                    break;
                case WM_RBUTTONUP:
                case WM_CONTEXTMENU:
                    code = 3;
                    break;
                case NIN_BALLOONUSERCLICK:
                    fire("", Event::balloon_clicked);
                    return 0;
                default:
                    break;
            }
            if (code) fire("", Event::tray, EventArgs{code, {}});
            return 0;
        }
        case WM_COMMAND: {
            UINT id = LOWORD(wparam);
            UINT code = HIWORD(wparam);
            if (on_dialog_command(id)) return 0;
            if (id >= kFirstToolbarCommand && id < kFirstMenuCommand) {
                const Child* bar = nullptr;
                for (const auto& [name, c] : children_)
                    if (c.def->kind == ControlKind::toolbar) bar = &c;
                if (bar)
                    fire(bar->def->name, Event::entry_clicked,
                         EventArgs{static_cast<int>(id - kFirstToolbarCommand), {}});
                return 0;
            }
            const Child* c = child_by_id(id);
            if (!c || quiet_) return 0;
            if (code == BN_CLICKED &&
                (c->def->kind == ControlKind::button || c->def->kind == ControlKind::check_box))
                fire(c->def->name, Event::clicked);
            else if (code == EN_CHANGE)
                fire(c->def->name, Event::changed);
            else if (code == CBN_SELCHANGE && c->def->kind == ControlKind::drop_list)
                fire(c->def->name, Event::changed);
            else if (code == EN_KILLFOCUS)
                fire(c->def->name, Event::lost_focus);
            return 0;
        }
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lparam);
            const Child* c = child_by_id(static_cast<UINT>(header->idFrom));
            if (!c) return 0;
            if (c->def->kind == ControlKind::list_view) {
                if (header->code == LVN_GETDISPINFOW) {
                    note_rows_shown(*c);
                    auto* info = reinterpret_cast<NMLVDISPINFOW*>(lparam);
                    LVITEMW& item = info->item;
                    // Into the asker's own buffer: another process may be asking.
                    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
                        const Rows& rows = rows_of(c->hwnd);
                        std::wstring_view text;
                        std::wstring asked;
                        if (const RowSource* source = source_of(c->hwnd)) {
                            if (item.iItem >= 0 && item.iItem < source->count())
                                asked = to_wide(source->cell(item.iItem, item.iSubItem));
                            text = asked;
                        } else if (item.iItem >= 0 && item.iItem < static_cast<int>(rows.size())) {
                            const auto& cells = rows[static_cast<std::size_t>(item.iItem)];
                            if (item.iSubItem >= 0 &&
                                item.iSubItem < static_cast<int>(cells.size()))
                                text = cells[static_cast<std::size_t>(item.iSubItem)];
                        }
                        const std::size_t n =
                            std::min(text.size(), static_cast<std::size_t>(item.cchTextMax) - 1);
                        std::copy_n(text.data(), n, item.pszText);
                        item.pszText[n] = L'\0';
                    }
                    return 0;
                }
                if (LRESULT result = 0; list_notify(*c, header, result)) return result;
                if (header->code == NM_RCLICK) {
                    auto* item = reinterpret_cast<NMITEMACTIVATE*>(lparam);
                    if (item->iItem >= 0) fire(c->def->name, Event::item_right_clicked);
                } else if (header->code == NM_DBLCLK) {
                    fire(c->def->name, Event::double_clicked);
                }
            } else if (c->def->kind == ControlKind::toolbar && header->code == TBN_DROPDOWN) {
                auto* drop = reinterpret_cast<NMTOOLBARW*>(lparam);
                fire(c->def->name, Event::entry_clicked,
                     EventArgs{
                         static_cast<int>(drop->iItem - static_cast<int>(kFirstToolbarCommand)),
                         {}});
                return TBDDRET_DEFAULT;
            } else if (c->def->kind == ControlKind::date_picker &&
                       header->code == DTN_DATETIMECHANGE && !quiet_) {
                fire(c->def->name, Event::date_changed);
            }
            return 0;
        }
        case WM_CLOSE:
            // The window's last word (its place, its columns) before it goes.
            fire("", Event::closing);
            return DefWindowProcW(hwnd, message, wparam, lparam);
        case WM_DESTROY:
            web_views_.clear();  // each browser lets go of its site while the window still lives
            if (tray_) {
                NOTIFYICONDATAW data{};
                data.cbSize = sizeof data;
                data.hWnd = hwnd_;
                data.uID = kTrayId;
                Shell_NotifyIconW(NIM_DELETE, &data);
                tray_ = false;
            }
            closed_ = true;
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            system_.destroyed(*this);
            return 0;
        default:
            if (message == row_tone_message()) {
                // The skin engine asks what tone a row of one of our lists has.
                return row_tone(reinterpret_cast<HWND>(lparam), static_cast<int>(wparam));
            }
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

}  // namespace runtime::win32
