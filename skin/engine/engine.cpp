#include "skin/engine/engine.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "skin/engine/attach_result.h"
#include "skin/engine/windows.h"
#include "skin/format.h"

namespace skin::engine {

namespace {

constexpr UINT_PTR kSubclassId = 0x534B494E;  // "SKIN"

// Everything attached now. Windows belong to one GUI thread, and so does this.
struct State {
    std::unique_ptr<Palette> palette;  // null: the plain look
    std::unordered_map<HWND, WindowState> windows;
    HHOOK hook = nullptr;
    DWORD hook_thread = 0;
};

State& state() {
    static State s;
    return s;
}

LRESULT CALLBACK skin_proc(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR);

void unfollow(HWND w) {
    RemoveWindowSubclass(w, skin_proc, kSubclassId);
    state().windows.erase(w);
}

LRESULT dispatch(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p) {
    switch (s.kind) {
        case Kind::container:
            return container_message(w, m, wp, lp, p);
        case Kind::push_button:
        case Kind::check_button:
            return button_message(w, m, wp, lp, s, p);
        case Kind::edit:
            return edit_message(w, m, wp, lp, p);
        case Kind::combo:
            return combo_message(w, m, wp, lp, s, p);
        case Kind::list_view:
            return list_view_message(w, m, wp, lp, s, p);
        case Kind::header:
            return header_message(w, m, wp, lp, p);
        case Kind::toolbar:
            return toolbar_message(w, m, wp, lp, p);
        case Kind::up_down:
            return up_down_message(w, m, wp, lp, s, p);
        case Kind::date_picker:
            return date_picker_message(w, m, wp, lp, s, p);
        case Kind::progress_bar:
            return progress_bar_message(w, m, wp, lp, p);
    }
    return DefSubclassProc(w, m, wp, lp);
}

LRESULT CALLBACK skin_proc(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    State& st = state();
    if (m == WM_NCDESTROY) {
        unfollow(w);
        return DefSubclassProc(w, m, wp, lp);
    }
    auto it = st.windows.find(w);
    if (!st.palette || it == st.windows.end()) return DefSubclassProc(w, m, wp, lp);
    // Nothing may unwind into the system's window code.
    try {
        return dispatch(w, m, wp, lp, it->second, *st.palette);
    } catch (...) {
        return DefSubclassProc(w, m, wp, lp);
    }
}

void follow(HWND w, DWORD style, HWND parent) {
    auto kind = classify(w, style, parent);
    if (!kind) return;
    State& st = state();
    auto [it, added] = st.windows.try_emplace(w);
    it->second.kind = *kind;
    if (added && !SetWindowSubclass(w, skin_proc, kSubclassId, 0)) st.windows.erase(it);
}

LRESULT CALLBACK cbt_proc(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && state().palette) {
        try {
            auto* created = reinterpret_cast<CBT_CREATEWNDW*>(lp);
            auto w = reinterpret_cast<HWND>(wp);
            follow(w, static_cast<DWORD>(created->lpcs->style), created->lpcs->hwndParent);
        } catch (...) {
            // A window we could not follow keeps its plain look.
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

BOOL CALLBACK collect_child(HWND w, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

BOOL CALLBACK collect_top(HWND w, LPARAM list) {
    auto* windows = reinterpret_cast<std::vector<HWND>*>(list);
    windows->push_back(w);
    EnumChildWindows(w, collect_child, list);
    return TRUE;
}

// Every window of this thread, each top-level one followed by all its descendants.
std::vector<HWND> thread_windows() {
    std::vector<HWND> all;
    EnumThreadWindows(GetCurrentThreadId(), collect_top, reinterpret_cast<LPARAM>(&all));
    return all;
}

void redraw_all() {
    for (HWND w : thread_windows())
        if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD))
            RedrawWindow(w, nullptr, nullptr,
                         RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

// Keeps our code in memory for good once windows call into it: a FreeLibrary by the program
// must not pull it from under them.
void pin_module() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&cbt_proc), &self);
}

bool hook_thread() {
    State& st = state();
    DWORD thread = GetCurrentThreadId();
    if (st.hook && st.hook_thread == thread) return true;
    if (st.hook) UnhookWindowsHookEx(st.hook);
    st.hook = SetWindowsHookExW(WH_CBT, cbt_proc, nullptr, thread);
    st.hook_thread = thread;
    return st.hook != nullptr;
}

void detach() {
    State& st = state();
    if (st.hook) UnhookWindowsHookEx(st.hook);
    st.hook = nullptr;
    for (auto& [w, s] : st.windows) {
        apply_kept_colours(w, s, nullptr);
        RemoveWindowSubclass(w, skin_proc, kSubclassId);
    }
    st.windows.clear();
    const bool was_skinned = st.palette != nullptr;
    st.palette.reset();
    if (was_skinned) redraw_all();
}

int refusal(ParseError e) {
    switch (e) {
        case ParseError::too_short:
            return kTooShort;
        case ParseError::not_a_skin:
            return kNotASkin;
        case ParseError::unknown_version:
            return kUnknownVersion;
        case ParseError::wrong_size:
            return kWrongSize;
        case ParseError::bad_checksum:
            return kBadChecksum;
        case ParseError::bad_body:
        case ParseError::none:
            break;
    }
    return kBadBody;
}

int attach_scheme(const Scheme& scheme) {
    auto palette = std::make_unique<Palette>(scheme);
    if (!palette->ok()) {
        detach();
        return kNoGdiObjects;
    }
    if (!hook_thread()) {
        detach();
        return kNoHook;
    }
    pin_module();
    State& st = state();
    // The old palette's brushes go only after the new ones are in place.
    std::unique_ptr<Palette> old = std::move(st.palette);
    st.palette = std::move(palette);
    for (HWND w : thread_windows())
        follow(w, static_cast<DWORD>(GetWindowLongPtrW(w, GWL_STYLE)), GetParent(w));
    for (auto& [w, s] : st.windows)
        apply_kept_colours(w, s, st.palette.get());
    redraw_all();
    return kAttached;
}

}  // namespace

int attach(const std::uint8_t* data, int length) {
    try {
        if (!data || length <= 0) {
            detach();
            return kAttached;
        }
        // The scheme is parsed into our own copy; the caller may free `data` at once.
        ParseResult parsed = parse(std::span(data, static_cast<std::size_t>(length)));
        if (!parsed.ok()) {
            detach();
            return refusal(parsed.error);
        }
        return attach_scheme(parsed.scheme);
    } catch (...) {
        try {
            detach();
        } catch (...) {
        }
        return kFailed;
    }
}

}  // namespace skin::engine
