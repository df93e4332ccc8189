#pragma once
// An embedded browser (the system's WebBrowser control) in a child area of a window, for
// pages that must load without a browser window of their own: the messenger's hand-off page
// starts the messenger from inside the program.
// clang-format off
#include <windows.h>
// clang-format on

#include <memory>
#include <string>

namespace runtime::win32 {

class WebView {
  public:
    // Embeds a browser in `rect` of `parent`; nullptr when the system has none to give.
    static std::unique_ptr<WebView> create(HWND parent, const RECT& rect);

  private:
    struct Key {
        explicit Key() = default;
    };

  public:
    explicit WebView(Key);
    ~WebView();
    WebView(const WebView&) = delete;
    WebView& operator=(const WebView&) = delete;
    WebView(WebView&&) = delete;
    WebView& operator=(WebView&&) = delete;

    // Starts loading the address; false when the browser refused it.
    bool navigate(const std::wstring& address);

    struct Parts;  // the COM objects and the site the browser talks to

  private:
    std::unique_ptr<Parts> parts_;
};

}  // namespace runtime::win32
