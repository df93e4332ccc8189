#include "runtime/win32/windows.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <vector>

#include "resources/resource_ids.h"
#include "runtime/win32/figure_chart_view.h"
#include "runtime/win32/pie_chart_view.h"
#include "runtime/win32/window.h"

namespace runtime::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"LanqiaoWindow";
constexpr const wchar_t* kPostsClass = L"LanqiaoPosts";
constexpr UINT kRunPosted = WM_APP + 10;

LRESULT CALLBACK posts_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* system = reinterpret_cast<Win32Windows*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == kRunPosted && system) {
        system->run_posted();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return window->handle_message(hwnd, message, wparam, lparam);
}

// The window's own keys first, then Tab, Enter and the default button as in a dialog box.
void pump(MSG& msg) {
    HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (top &&
        (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_CHAR)) {
        wchar_t cls[32] = {};
        GetClassNameW(top, cls, 32);
        if (std::wstring_view(cls) == L"LanqiaoWindow")
            if (auto* w = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(top, GWLP_USERDATA));
                w && w->translate_key(msg))
                return;
    }
    if (top && IsDialogMessageW(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace

Win32Windows::Win32Windows() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_UPDOWN_CLASS | ICC_DATE_CLASSES |
                                                       ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = window_procedure;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kWindowClass;
    cls.hIcon = static_cast<HICON>(
        LoadImageW(cls.hInstance, MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON, 32, 32, LR_SHARED));
    cls.style = CS_DBLCLKS;
    RegisterClassExW(&cls);
    register_pie_chart_class();
    register_figure_chart_class();

    WNDCLASSEXW posts{};
    posts.cbSize = sizeof posts;
    posts.lpfnWndProc = posts_procedure;
    posts.hInstance = cls.hInstance;
    posts.lpszClassName = kPostsClass;
    RegisterClassExW(&posts);
    posts_window_ = CreateWindowExW(0, kPostsClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    cls.hInstance, this);
}

Win32Windows::~Win32Windows() {
    main_gone_ = true;
    workers_.clear();  // each joins; what they post now is never run
    if (posts_window_) DestroyWindow(posts_window_);
}

void Win32Windows::run_in_background(std::function<void()> work) {
    workers_.remove_if([](const Worker& w) { return w.done->load(); });
    Worker& worker = workers_.emplace_back();
    worker.thread = std::jthread([work = std::move(work), done = worker.done] {
        work();
        done->store(true);
    });
}

void Win32Windows::post(std::function<void()> task) {
    {
        std::lock_guard lock(posts_mutex_);
        posts_.push_back(std::move(task));
    }
    PostMessageW(posts_window_, kRunPosted, 0, 0);
}

void Win32Windows::run_posted() {
    std::deque<std::function<void()>> ready;
    {
        std::lock_guard lock(posts_mutex_);
        ready.swap(posts_);
    }
    // Posts speak to the windows of a run that is still going on.
    if (main_gone_) return;
    for (auto& task : ready)
        task();
    workers_.remove_if([](const Worker& w) { return w.done->load(); });
}

Win32Window& Win32Windows::create(const Form& form, Handlers handlers) {
    windows_.push_back(std::make_unique<Win32Window>(*this, form, std::move(handlers)));
    return *windows_.back();
}

Window& Win32Windows::open(const Form& form, Handlers handlers) {
    Win32Window& w = create(form, std::move(handlers));
    w.create();
    return w;
}

bool Win32Windows::modal_open() const {
    if (modal_depth_ > 0) return true;
    // A message box or a file dialog disables the windows it keeps input from.
    return std::any_of(windows_.begin(), windows_.end(), [](const auto& w) {
        return w->handle() && !w->closed() && !IsWindowEnabled(w->handle());
    });
}

void Win32Windows::open_modal(const Form& form, Handlers handlers) {
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } modal(modal_depth_);
    // The keyboard goes back where it was: a dialog opened from another dialog returns it there.
    const HWND active = GetActiveWindow();
    // Every other window of the program takes no input while the dialog is open.
    std::vector<HWND> disabled;
    for (const auto& other : windows_)
        if (other->handle() && IsWindowEnabled(other->handle())) {
            EnableWindow(other->handle(), FALSE);
            disabled.push_back(other->handle());
        }
    Win32Window& w = create(form, std::move(handlers));
    w.set_dialog(true);
    if (w.create() && !w.closed()) {
        ShowWindow(w.handle(), form.visible ? SW_SHOW : SW_HIDE);
        MSG msg;
        while (!w.closed() && GetMessageW(&msg, nullptr, 0, 0) > 0)
            pump(msg);
        if (msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));
    }
    for (HWND h : disabled)
        EnableWindow(h, TRUE);
    if (active && std::find(disabled.begin(), disabled.end(), active) != disabled.end())
        SetForegroundWindow(active);
    else if (!disabled.empty())
        SetForegroundWindow(disabled.front());
    finished_.clear();
}

int Win32Windows::run(Window& main) {
    auto& w = static_cast<Win32Window&>(main);
    main_ = &w;
    if (!w.closed()) {
        ShowWindow(w.handle(), SW_SHOW);
        UpdateWindow(w.handle());
    }
    MSG msg{};
    while (!w.closed() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        pump(msg);
        finished_.clear();
    }
    main_gone_ = true;
    return 0;
}

void Win32Windows::destroyed(Win32Window& window) {
    if (&window == main_) main_gone_ = true;
    // Kept until the message that destroyed it has returned.
    auto it = std::find_if(windows_.begin(), windows_.end(),
                           [&](const auto& w) { return w.get() == &window; });
    if (it != windows_.end()) finished_.splice(finished_.end(), windows_, it);
}

}  // namespace runtime::win32
