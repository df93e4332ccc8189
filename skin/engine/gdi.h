#pragma once
// Owners for the GDI handles the engine makes or borrows, so every path gives them back.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace skin::engine {

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using Brush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, DeleteGdiObject>;

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

// BeginPaint/EndPaint, or the DC a WM_PRINTCLIENT brings (which the sender owns).
class PaintDc {
  public:
    PaintDc(HWND window, HDC given) : window_(window), dc_(given) {
        if (!dc_)
            dc_ = BeginPaint(window_, &paint_);
        else
            window_ = nullptr;
    }
    ~PaintDc() {
        if (window_) EndPaint(window_, &paint_);
    }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC dc() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
    PAINTSTRUCT paint_{};
};

// GetWindowDC/ReleaseDC, for frames drawn outside the client area.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC dc() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Restores the text colour, background colour and mode a painter changed.
class SavedDc {
  public:
    explicit SavedDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDc() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;

  private:
    HDC dc_;
    int saved_;
};

// Fills with a colour through the DC's own brush: painting makes no GDI objects at all.
inline void fill(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

inline void frame(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

}  // namespace skin::engine
