#pragma once
// Owners for the GDI handles the window runtime makes or borrows, so every path gives them
// back.
// clang-format off
#include <windows.h>
// clang-format on

#include <memory>
#include <type_traits>

namespace runtime::win32 {

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using Pen = std::unique_ptr<std::remove_pointer_t<HPEN>, DeleteGdiObject>;
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteGdiObject>;

struct DeleteDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A memory DC of CreateCompatibleDC.
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDc>;

// Selects an object into a DC and puts the previous one back.
class Selected {
  public:
    Selected(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (previous_) SelectObject(dc_, previous_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint/EndPaint.
class PaintDc {
  public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace runtime::win32
