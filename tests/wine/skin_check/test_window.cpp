#include "test_window.h"

namespace {

LRESULT CALLBACK test_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(h, m, wp, lp);
}

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int cx,
           int cy, DWORD ex = 0) {
    HWND h = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return h;
}

}  // namespace

bool make_test_window(TestWindow& w) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                             ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = test_proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = L"SkinCheckWindow";
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassExW(&cls);
    w.main = CreateWindowExW(0, L"SkinCheckWindow", L"skin check",
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, 500,
                             400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w.main) return false;
    w.label = child(w.main, L"STATIC", L"label", SS_LEFT, 10, 10, 200, 20);
    w.edit = child(w.main, L"EDIT", L"text", ES_AUTOHSCROLL, 10, 40, 150, 24, WS_EX_CLIENTEDGE);
    w.button = child(w.main, L"BUTTON", L"OK", BS_PUSHBUTTON, 10, 75, 90, 28);
    w.check = child(w.main, L"BUTTON", L"check", BS_AUTOCHECKBOX, 120, 75, 120, 24);
    SendMessageW(w.check, BM_SETCHECK, BST_CHECKED, 0);
    w.combo = child(w.main, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 110, 150, 200);
    SendMessageW(w.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"ab"));
    SendMessageW(w.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"cd"));
    SendMessageW(w.combo, CB_SETCURSEL, 0, 0);
    w.number = child(w.main, L"EDIT", L"8", ES_NUMBER, 200, 40, 60, 24, WS_EX_CLIENTEDGE);
    w.spin = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                             WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 0, 0, 0, 0,
                             w.main, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(w.spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(w.number), 0);
    SendMessageW(w.spin, UDM_SETRANGE32, 1, 33);
    w.date = child(w.main, DATETIMEPICK_CLASSW, L"", DTS_SHORTDATEFORMAT, 280, 40, 120, 24);
    w.toolbar =
        child(w.main, TOOLBARCLASSNAMEW, nullptr,
              TBSTYLE_FLAT | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN, 0, 150, 480, 40);
    SendMessageW(w.toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[2] = {};
    const wchar_t* captions[2] = {L"one", L"two"};
    for (int i = 0; i < 2; ++i) {
        buttons[i].iBitmap = I_IMAGENONE;
        buttons[i].idCommand = 100 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        buttons[i].iString = reinterpret_cast<INT_PTR>(captions[i]);
    }
    SendMessageW(w.toolbar, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(buttons));
    w.list = child(w.main, WC_LISTVIEWW, L"", LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 10,
                   195, 460, 140, WS_EX_CLIENTEDGE);
    SendMessageW(w.list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 100;
        col.pszText = const_cast<wchar_t*>(c == 0 ? L"first" : L"second");
        SendMessageW(w.list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&col));
    }
    for (int r = 0; r < 3; ++r) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.pszText = const_cast<wchar_t*>(L"x");
        SendMessageW(w.list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    LVITEMW sel{};
    sel.stateMask = LVIS_SELECTED;
    sel.state = LVIS_SELECTED;
    SendMessageW(w.list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&sel));
    ShowWindow(w.main, SW_SHOW);
    settle(w.main);
    return true;
}

HWND make_dialog() {
    HWND d = CreateWindowExW(0, L"#32770", L"later", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200,
                             120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (d) child(d, L"STATIC", L"hi", SS_LEFT, 5, 5, 40, 16);
    if (d) settle(d);
    return d;
}

void settle(HWND top) {
    RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
}

COLORREF pixel(HWND w, int x, int y, bool frame) {
    HDC dc = frame ? GetWindowDC(w) : GetDC(w);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(w, dc);
    return c;
}
