#include "find_windows.h"

#include <cwchar>

namespace locate {

namespace {

std::wstring class_of(HWND h) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 63);
    return name;
}

std::wstring caption_of(HWND h) {
    int length = GetWindowTextLengthW(h);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(h, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

// A shown window, top-level or child, whose caption is this text.
struct TitleSearch {
    const std::wstring* title;
    HWND found;
};

// Named CALLBACKs: a lambda cannot take the 32-bit build's stdcall convention.
BOOL CALLBACK match_title(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<TitleSearch*>(p);
    if (IsWindowVisible(h) && caption_of(h) == *s->title) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND visible_window(const std::wstring& title) {
    TitleSearch s{&title, nullptr};
    EnumWindows(match_title, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

BOOL CALLBACK match_menu(HWND h, LPARAM p) {
    if (IsWindowVisible(h) && class_of(h) == L"#32768") {
        *reinterpret_cast<HWND*>(p) = h;
        return FALSE;
    }
    return TRUE;
}

struct ClassSearch {
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK match_class(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<ClassSearch*>(p);
    if (_wcsicmp(class_of(h).c_str(), s->cls) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collect_label(HWND h, LPARAM p) {
    if (_wcsicmp(class_of(h).c_str(), L"Static") == 0) {
        std::wstring text = caption_of(h);
        if (!text.empty()) reinterpret_cast<std::vector<std::wstring>*>(p)->push_back(text);
    }
    return TRUE;
}

}  // namespace

HWND wait_for_window(const std::wstring& title, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND h = visible_window(title)) return h;
        Sleep(100);
    }
    return nullptr;
}

bool wait_until_gone(const std::wstring& title, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (!visible_window(title)) return true;
        Sleep(100);
    }
    return false;
}

HWND wait_for_menu(int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        HWND menu = nullptr;
        EnumWindows(match_menu, reinterpret_cast<LPARAM>(&menu));
        if (menu) return menu;
        Sleep(100);
    }
    return nullptr;
}

HWND child_of_class(HWND parent, const wchar_t* cls) {
    ClassSearch s{cls, nullptr};
    EnumChildWindows(parent, match_class, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND child_with_caption(HWND parent, const std::wstring& caption) {
    TitleSearch s{&caption, nullptr};
    EnumChildWindows(parent, match_title, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::vector<std::wstring> label_texts(HWND parent) {
    std::vector<std::wstring> texts;
    EnumChildWindows(parent, collect_label, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::wstring text_of(HWND control) {
    // GetWindowText gives only the caption of another process's control, not what was typed.
    std::wstring text(4096, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(),
                             reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000, &got))
        return {};
    text.resize(static_cast<std::size_t>(got));
    return text;
}

}  // namespace locate
