// A Windows program that carries lanqiao.rc and loads its pictures the way the main window
// does: the strip into a 32-bit masked image list, the icon at 32 x 32. It draws both onto
// grey and prints what came out, so a test can hold that against the files. The exe also
// serves as the PE whose resource section the tests read.
#include <windows.h>

#include <commctrl.h>  // after windows.h, which it needs

#include <cstdio>
#include <vector>

#include "resource_ids.h"

namespace {

constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);

// A top-down 32-bit DIB filled with grey, selected into `dc`.
struct Surface {
    HDC dc;
    HBITMAP bitmap;
    DWORD* bits;
    int width, height;
};

Surface make_surface(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, bitmap);
    HBRUSH grey = CreateSolidBrush(kGrey);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, grey);
    DeleteObject(grey);
    return {dc, bitmap, static_cast<DWORD*>(bits), width, height};
}

// One line: the name, then every pixel as RRGGBB, top row first.
void print_pixels(const char* name, const Surface& s) {
    GdiFlush();
    std::printf("%s", name);
    for (int i = 0; i < s.width * s.height; ++i)
        std::printf(" %06lx", static_cast<unsigned long>(s.bits[i] & 0xFFFFFF));
    std::printf("\n");
}

}  // namespace

int main() {
    HINSTANCE self = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    // Which comctl32 the manifest brought in: version 6 lives in the side-by-side store.
    HMODULE comctl = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&ImageList_Create)), &comctl);
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(comctl, path, MAX_PATH);
    std::printf("comctl32 %ls\n", path);

    // Without LR_CREATEDIBSECTION the strip would become a screen bitmap and lose its alpha.
    auto strip = static_cast<HBITMAP>(
        LoadImageW(self, MAKEINTRESOURCEW(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HIMAGELIST list = ImageList_Create(LQ_TOOLBAR_IMAGE_SIZE, LQ_TOOLBAR_IMAGE_SIZE,
                                       ILC_COLOR32 | ILC_MASK, LQ_TOOLBAR_IMAGE_COUNT, 0);
    int first = ImageList_AddMasked(list, strip, LQ_TOOLBAR_MASK_COLOUR);
    std::printf("strip %d first %d images %d\n", strip != nullptr, first,
                ImageList_GetImageCount(list));
    Surface toolbar =
        make_surface(LQ_TOOLBAR_IMAGE_SIZE * LQ_TOOLBAR_IMAGE_COUNT, LQ_TOOLBAR_IMAGE_SIZE);
    for (int i = 0; i < ImageList_GetImageCount(list); ++i)
        ImageList_Draw(list, i, toolbar.dc, i * LQ_TOOLBAR_IMAGE_SIZE, 0, ILD_NORMAL);
    print_pixels("toolbar", toolbar);

    auto icon = static_cast<HICON>(
        LoadImageW(self, MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    ICONINFO parts{};
    BITMAP colour{};
    if (icon && GetIconInfo(icon, &parts)) GetObjectW(parts.hbmColor, sizeof colour, &colour);
    std::printf("icon %d %ld %ld\n", icon != nullptr, colour.bmWidth, colour.bmHeight);
    Surface tray = make_surface(32, 32);
    if (icon) DrawIconEx(tray.dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    print_pixels("tray", tray);
    return 0;
}
