#include <windows.h>

#include <cwchar>

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

bool is(const wchar_t* name, const wchar_t* cls) {
    return _wcsicmp(name, cls) == 0;
}

}  // namespace

std::optional<Kind> classify(HWND window, DWORD style, HWND parent) {
    wchar_t name[64] = {};
    if (!GetClassNameW(window, name, 64)) return std::nullopt;
    if (!(style & WS_CHILD)) {
        // Windows with a caption and dialogs; never menus, tooltips, IME or drop-down lists.
        if (is(name, L"#32770") || (style & WS_CAPTION) == WS_CAPTION) return Kind::container;
        return std::nullopt;
    }
    if (is(name, L"Button")) {
        switch (style & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                return Kind::push_button;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE:
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                return Kind::check_button;
            default:
                return std::nullopt;  // group boxes and owner-drawn buttons paint themselves
        }
    }
    if (is(name, L"Edit")) {
        // The edit inside a combo box is the combo's to colour.
        wchar_t parent_name[32] = {};
        if (parent && GetClassNameW(parent, parent_name, 32) && is(parent_name, L"ComboBox"))
            return std::nullopt;
        return Kind::edit;
    }
    if (is(name, L"ComboBox")) {
        // Only the drop-down list has no edit of its own; the others colour through their edit.
        if ((style & 3) == CBS_DROPDOWNLIST) return Kind::combo;
        return std::nullopt;
    }
    if (is(name, L"SysListView32")) return Kind::list_view;
    if (is(name, L"SysHeader32")) return Kind::header;
    if (is(name, L"ToolbarWindow32")) return Kind::toolbar;
    if (is(name, L"msctls_updown32")) return Kind::up_down;
    if (is(name, L"SysDateTimePick32")) return Kind::date_picker;
    if (is(name, L"msctls_progress32")) return Kind::progress_bar;
    return std::nullopt;
}

}  // namespace skin::engine
