#include "skin/schemes.h"

#include <array>
#include <stdexcept>

namespace skin {

namespace {

// Each scheme is picked by six colours; the rest follow from them by the rules in derive(),
// so that faces, frames and headers of one scheme always belong together.
struct Key {
    const char* name;
    std::uint32_t window;  // window background
    std::uint32_t text;    // text on every light (or, in dark schemes, dark) surface
    std::uint32_t accent;  // the selected row, check marks, focus
    std::uint32_t box;     // edit boxes and the list
    std::uint32_t toolbar;
    std::uint32_t on_accent;  // text on the selected row
};

// clang-format off
constexpr std::array<Key, kSchemeCount> kKeys{{
    //  name          window    text      accent    box       toolbar   on accent
    {"经典银灰",      0xE9E9EC, 0x202124, 0x3D5F94, 0xFFFFFF, 0xDCDCE0, 0xFFFFFF},  // 1
    {"静谧蓝灰",      0xEEF1F5, 0x1F2933, 0x2F6299, 0xFFFFFF, 0xE1E7EE, 0xFFFFFF},  // 2 (default)
    {"晴空蓝",        0xE6F1FB, 0x0F2A44, 0x1565B0, 0xFFFFFF, 0xCFE3F6, 0xFFFFFF},  // 3
    {"薄荷绿",        0xE8F5EE, 0x12352A, 0x22704A, 0xFFFFFF, 0xD3EDDF, 0xFFFFFF},  // 4
    {"暖阳橙",        0xFDF1E6, 0x3B2412, 0xA84A0C, 0xFFFDFB, 0xF8DEC5, 0xFFFFFF},  // 5
    {"樱花粉",        0xFBEDF1, 0x3D1A26, 0xB0174F, 0xFFFFFF, 0xF5D5DF, 0xFFFFFF},  // 6
    {"薰衣草",        0xF0ECF8, 0x2A1F3D, 0x5E45A6, 0xFFFFFF, 0xE0D8F0, 0xFFFFFF},  // 7
    {"柠檬黄",        0xFBF8E1, 0x33300F, 0xE3C53A, 0xFFFFF7, 0xF2ECC0, 0x2A2508},  // 8
    {"青瓷",          0xE5F2F0, 0x123430, 0x1F6F67, 0xFAFFFE, 0xCDE6E2, 0xFFFFFF},  // 9
    {"咖啡",          0xEFE6DD, 0x2E1F14, 0x6F4326, 0xFBF7F3, 0xE0D0C0, 0xFFFFFF},  // 10
    {"森林",          0xE4EDE2, 0x1A2E17, 0x356B2E, 0xF8FBF7, 0xCFDDCB, 0xFFFFFF},  // 11
    {"珊瑚",          0xFDECE8, 0x3A1510, 0xF08070, 0xFFFFFF, 0xF8D3CB, 0x2B0D08},  // 12
    {"海军蓝",        0xE3E8F2, 0x141E33, 0x1F3A73, 0xFFFFFF, 0x1F3A73, 0xFFFFFF},  // 13
    {"石墨",          0x2B2D31, 0xE6E6E6, 0x5B8DEF, 0x1F2023, 0x34363B, 0x0B0C10},  // 14
    {"午夜蓝",        0x1C2433, 0xDDE5F0, 0x4F8FE0, 0x141A26, 0x243044, 0x081020},  // 15
    {"墨绿",          0x1E2A24, 0xDCEBE2, 0x3FAF7A, 0x161F1A, 0x27362E, 0x07140D},  // 16
    {"酒红",          0xF5E9EB, 0x3A121A, 0x8E2436, 0xFFFFFF, 0x8E2436, 0xFFFFFF},  // 17
    {"琥珀",          0xFBF1DC, 0x362407, 0xF0A830, 0xFFFCF5, 0xF3E0B5, 0x2A1A02},  // 18
    {"冰川",          0xEDF6F9, 0x10303B, 0x1F7391, 0xFFFFFF, 0xD6EBF2, 0xFFFFFF},  // 19
    {"紫罗兰",        0xF3EAF7, 0x2E1538, 0x7D3C98, 0xFFFFFF, 0xE6D3EE, 0xFFFFFF},  // 20
    {"沙漠",          0xF3EBDD, 0x332818, 0x8A5F30, 0xFFFCF6, 0xE8DAC2, 0xFFFFFF},  // 21
    {"夜紫",          0x251E30, 0xE8E0F2, 0x9B7BE0, 0x1B1624, 0x30273E, 0x120A20},  // 22
    {"墨黑",          0x181818, 0xEDEDED, 0xE0A030, 0x101010, 0x222222, 0x141008},  // 23
    {"橄榄",          0xEEF0E0, 0x2A2D14, 0x5C6A18, 0xFCFDF6, 0xDEE2C4, 0xFFFFFF},  // 24
    {"湖蓝",          0xE2F3F5, 0x0E3236, 0x00777A, 0xFFFFFF, 0xC8E7EA, 0xFFFFFF},  // 25
    {"玫瑰金",        0xF8ECE8, 0x3A2320, 0xE3A1A8, 0xFFFBFA, 0xEFD8D2, 0x2E1518},  // 26
    {"钢蓝",          0x232B33, 0xE1E8EE, 0x62A3D9, 0x1A2027, 0x2C3640, 0x0A1520},  // 27
    {"蜜桃",          0xFEEFE6, 0x3B2216, 0xF4A07A, 0xFFFFFF, 0xF9DACA, 0x2E170C},  // 28
    {"竹青",          0xEAF3E4, 0x1D3314, 0x477F2C, 0xFBFEF9, 0xD6E8CB, 0xFFFFFF},  // 29
    {"烟灰",          0xE4E4E4, 0x262626, 0x525C69, 0xF7F7F7, 0xD2D2D2, 0xFFFFFF},  // 30
    {"中国红",        0xFAEBE8, 0x3A0D08, 0xB71C1C, 0xFFFFFF, 0xB71C1C, 0xFFFFFF},  // 31
    {"深海",          0x102A36, 0xD8ECF2, 0x2FB3C9, 0x0B2029, 0x17374A, 0x04161C},  // 32
    {"金秋",          0xF7EEDC, 0x3A2A0E, 0x9A6410, 0xFFFDF7, 0x9A6410, 0xFFFFFF},  // 33
}};
// clang-format on

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// Text on the toolbar: the scheme's text, or the text on the accent where the toolbar is as
// strong as the accent (a coloured bar), whichever reads better.
Rgb toolbar_text(const Key& k) {
    Rgb bar = rgb(k.toolbar);
    Rgb text = rgb(k.text), on_accent = rgb(k.on_accent);
    return contrast(bar, text) >= contrast(bar, on_accent) ? text : on_accent;
}

// Check marks and focus frames sit on the boxes: a light accent is deepened toward the text
// until it stands out from them (3:1, as for any graphic that must be seen).
Rgb mark(const Key& k) {
    const Rgb box = rgb(k.box), accent = rgb(k.accent), text = rgb(k.text);
    for (int step = 0; step < 10; ++step) {
        Rgb c = mix(accent, text, step / 10.0);
        if (contrast(c, box) >= 3.0) return c;
    }
    return text;
}

Scheme derive(const Key& k) {
    const Rgb window = rgb(k.window), text = rgb(k.text), accent = rgb(k.accent);
    const bool dark = luminance(window) < 0.2;
    Scheme s;
    s.name = k.name;
    s[Role::window] = window;
    s[Role::window_text] = text;
    s[Role::edit] = rgb(k.box);
    s[Role::edit_text] = text;
    // A face a little lighter than the window at the top, a little darker at the bottom.
    s[Role::button] = mix(window, kWhite, dark ? 0.10 : 0.55);
    s[Role::button_bottom] = mix(window, kBlack, dark ? 0.10 : 0.06);
    s[Role::button_text] = text;
    s[Role::button_hot] = mix(s[Role::button], accent, 0.22);
    s[Role::border] = mix(window, text, 0.40);
    s[Role::selection] = accent;
    s[Role::selection_text] = rgb(k.on_accent);
    s[Role::header] = mix(window, accent, dark ? 0.18 : 0.12);
    s[Role::header_text] = text;
    s[Role::toolbar] = rgb(k.toolbar);
    s[Role::toolbar_text] = toolbar_text(k);
    s[Role::list] = rgb(k.box);
    s[Role::list_text] = text;
    s[Role::accent] = mark(k);
    return s;
}

}  // namespace

Scheme builtin_scheme(std::int32_t number) {
    if (number < 1 || number > kSchemeCount) throw std::out_of_range("no such built-in scheme");
    return derive(kKeys[static_cast<std::size_t>(number - 1)]);
}

}  // namespace skin
