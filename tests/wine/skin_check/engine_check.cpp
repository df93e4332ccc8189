// The built SkinH_EL.dll called as the program calls it, in a window of our own: what each
// skin paints, what is refused, and that attaching again and again costs no GDI objects.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <array>
#include <cstdio>
#include <span>
#include <vector>

#include "gdi_count.h"
#include "services/builtin_skins.h"
#include "skin/format.h"
#include "test_window.h"

namespace {

using AttachRes = int(WINAPI*)(const unsigned char*, int, const char*, int, int, int);
using skin::Role;

int failures = 0;

void check(bool ok, const char* what, int skin = 0) {
    if (ok) return;
    ++failures;
    if (skin)
        std::printf("FAIL %s (skin %d)\n", what, skin);
    else
        std::printf("FAIL %s\n", what);
}

COLORREF ref(skin::Rgb c) {
    return RGB(c.r, c.g, c.b);
}

void check_colour(COLORREF got, COLORREF want, const char* what, int skin = 0) {
    if (got != want)
        std::printf("     %s: got %06lx, want %06lx\n", what, static_cast<unsigned long>(got),
                    static_cast<unsigned long>(want));
    check(got == want, what, skin);
}

bool between(COLORREF c, COLORREF a, COLORREF b) {
    auto in = [](int v, int x, int y) { return v >= (x < y ? x : y) && v <= (x < y ? y : x); };
    return in(GetRValue(c), GetRValue(a), GetRValue(b)) &&
           in(GetGValue(c), GetGValue(a), GetGValue(b)) &&
           in(GetBValue(c), GetBValue(a), GetBValue(b));
}

int width(HWND h) {
    RECT r{};
    GetClientRect(h, &r);
    return r.right;
}

RECT row_rect(HWND list, int row) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    return r;
}

// Every control of the window shows the scheme's colour where it should.
void check_painted(const TestWindow& w, const skin::Scheme& s, int n) {
    settle(w.main);
    check_colour(pixel(w.main, 470, 5), ref(s[Role::window]), "window background", n);
    check_colour(pixel(w.label, 190, 10), ref(s[Role::window]), "label background", n);
    check_colour(pixel(w.edit, 130, 10), ref(s[Role::edit]), "edit box inside", n);
    check_colour(pixel(w.edit, 0, 0, true), ref(s[Role::border]), "edit box frame", n);
    const COLORREF face = pixel(w.button, 5, 14);
    check(between(face, ref(s[Role::button]), ref(s[Role::button_bottom])), "button face", n);
    check_colour(pixel(w.check, 1, 6), ref(s[Role::edit]), "check box inside", n);
    check_colour(pixel(w.check, 5, 14), ref(s[Role::accent]), "check mark", n);
    check_colour(pixel(w.combo, 100, 3), ref(s[Role::edit]), "drop-down list inside", n);
    check_colour(pixel(w.combo, width(w.combo) - 4, 3), ref(s[Role::button]),
                 "drop-down list button", n);
    check_colour(pixel(w.spin, 2, 2), ref(s[Role::button]), "up-down", n);
    // The picker writes its digits in the system's text colour, so its box stays the system's.
    check_colour(pixel(w.date, 3, 3), GetSysColor(COLOR_WINDOW), "date picker stays readable", n);
    check_colour(pixel(w.toolbar, 470, 20), ref(s[Role::toolbar]), "toolbar background", n);
    check_colour(pixel(w.list, 450, 125), ref(s[Role::list]), "list background", n);
    const RECT selected = row_rect(w.list, 1), plain = row_rect(w.list, 0);
    check_colour(pixel(w.list, 150, (selected.top + selected.bottom) / 2), ref(s[Role::selection]),
                 "selected row", n);
    check_colour(pixel(w.list, 150, (plain.top + plain.bottom) / 2), ref(s[Role::list]),
                 "unselected row", n);
    HWND header = reinterpret_cast<HWND>(SendMessageW(w.list, LVM_GETHEADER, 0, 0));
    check_colour(pixel(header, 400, 5), ref(s[Role::header]), "list header", n);
    check(SendMessageW(w.list, LVM_GETBKCOLOR, 0, 0) == static_cast<LRESULT>(ref(s[Role::list])),
          "list view colour", n);
}

void check_plain(const TestWindow& w, const char* when) {
    settle(w.main);
    std::printf("     plain look %s\n", when);
    check_colour(pixel(w.main, 470, 5), GetSysColor(COLOR_BTNFACE), "plain window background");
    check_colour(pixel(w.edit, 130, 10), GetSysColor(COLOR_WINDOW), "plain edit box");
    check_colour(pixel(w.list, 450, 125), GetSysColor(COLOR_WINDOW), "plain list background");
}

}  // namespace

int run_engine_check() {
    HMODULE engine = LoadLibraryW(L"SkinH_EL.dll");
    if (!engine) {
        std::printf("FAIL SkinH_EL.dll does not load\n");
        return 1;
    }
    auto attach = reinterpret_cast<AttachRes>(
        reinterpret_cast<void*>(GetProcAddress(engine, "SkinH_AttachRes")));
    if (!attach) {
        std::printf("FAIL SkinH_EL.dll exports no SkinH_AttachRes\n");
        return 1;
    }
    TestWindow w;
    if (!make_test_window(w)) {
        std::printf("FAIL no test window\n");
        return 1;
    }
    std::vector<skin::Scheme> schemes;
    for (int n = 1; n <= services::kBuiltInSkinCount; ++n) {
        auto parsed = skin::parse(services::builtin_skin(n));
        check(parsed.ok(), "a built-in skin parses");
        schemes.push_back(parsed.scheme);
    }

    check(attach(nullptr, 0, "", 0, 0, 0) == 0, "no data before any skin is accepted");
    check_plain(w, "at the start");

    // Every skin, from a buffer that is overwritten and freed as soon as the call returns.
    for (int n = 1; n <= 33; ++n) {
        auto bytes = services::builtin_skin(n);
        std::vector<unsigned char> copy(bytes.begin(), bytes.end());
        check(attach(copy.data(), static_cast<int>(copy.size()), "", 0, 0, 0) == 0,
              "a built-in skin is taken", n);
        std::fill(copy.begin(), copy.end(), 0xCC);
        copy.clear();
        copy.shrink_to_fit();
        check_painted(w, schemes[static_cast<std::size_t>(n - 1)], n);
    }
    std::printf("ok   the 33 skins paint every kind of control\n");

    // Windows opened after the attach take the skin too.
    HWND later = make_dialog();
    check(later != nullptr, "a dialog opens");
    check_colour(pixel(later, 150, 60), ref(schemes[32][Role::window]), "a dialog opened later",
                 33);
    DestroyWindow(later);

    check(attach(nullptr, 0, "", 0, 0, 0) == 0, "no data after a skin is accepted");
    check_plain(w, "after no data");

    // Damaged and foreign data: refused, the plain look kept, nothing crashes.
    const unsigned char garbage[] = "MZ this is not a skin at all, just some bytes";
    auto good = services::builtin_skin(12);
    std::vector<unsigned char> flipped(good.begin(), good.end());
    flipped[flipped.size() / 2] ^= 0x20;
    std::vector<unsigned char> cut(good.begin(), good.begin() + 30);
    attach(good.data(), static_cast<int>(good.size()), "", 0, 0, 0);
    check(attach(garbage, sizeof garbage, "", 0, 0, 0) == 2, "garbage is refused as no skin");
    check_plain(w, "after garbage");
    check(attach(flipped.data(), static_cast<int>(flipped.size()), "", 0, 0, 0) == 5,
          "a skin with a flipped byte is refused by its checksum");
    check(attach(cut.data(), static_cast<int>(cut.size()), "", 0, 0, 0) == 4,
          "a cut skin is refused by its size");
    check(attach(good.data(), 10, "", 0, 0, 0) == 1, "ten bytes are too short");
    check(attach(good.data(), -5, "", 0, 0, 0) == 0, "a negative length is no data");
    check(attach(nullptr, 500, "", 0, 0, 0) == 0, "a null pointer is no data");
    check_plain(w, "after refusals");
    std::printf("ok   refusals\n");

    // A thousand attaches, each painted: the GDI objects stay where they were.
    attach(services::builtin_skin(1).data(), static_cast<int>(services::builtin_skin(1).size()), "",
           0, 0, 0);
    settle(w.main);
    const long before = gdi_object_count();
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    double attach_seconds = 0;
    for (int i = 0; i < 1000; ++i) {
        auto bytes = services::builtin_skin(i % 33 + 1);
        QueryPerformanceCounter(&start);
        int result = attach(bytes.data(), static_cast<int>(bytes.size()), "", 0, 0, 0);
        QueryPerformanceCounter(&end);
        attach_seconds += static_cast<double>(end.QuadPart - start.QuadPart) /
                          static_cast<double>(frequency.QuadPart);
        if (result != 0) check(false, "one of the thousand attaches", i % 33 + 1);
        settle(w.main);
    }
    attach(services::builtin_skin(1).data(), static_cast<int>(services::builtin_skin(1).size()), "",
           0, 0, 0);
    settle(w.main);
    const long after = gdi_object_count();
    std::printf("     GDI objects: %ld before, %ld after 1000 attaches; %.3f ms per attach\n",
                before, after, attach_seconds);  // seconds per 1000 = ms each
    check(before > 0, "GDI objects can be counted");
    check(after <= before, "no GDI objects lost over 1000 attaches");
    check_painted(w, schemes[0], 1);
    std::printf("ok   a thousand attaches\n");

    attach(nullptr, 0, "", 0, 0, 0);
    DestroyWindow(w.main);
    std::printf(failures ? "%d checks failed\n" : "all checks held\n", failures);
    return failures ? 1 : 0;
}
