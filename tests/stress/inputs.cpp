#include "tests/stress/inputs.h"

#include <algorithm>
#include <cmath>

#include "tests/stress/text_rules.h"

namespace stress {

namespace {

// Pieces of text: letters in both cases, Chinese, characters outside GBK (Hangul, a
// non-BMP emoji, an old Cyrillic letter), quotes, the sheet's field marker, and the blanks,
// colons and line breaks that cleaning changes.
const char* const kAtoms[] = {
    "a",  "B",      "buyer",      "Buyer", "BUYER", "tom", "张三", "李四", "中", "旺",
    "店", "é",      "É",          "ж",     "Ж",     "σ",   "Σ",    "ａ",   "Ａ", "'",
    "''", "\"",     "<!vantel!>", "<!van", "😀",     "한",  "ꙮ",    "€",    "\\", "%",
    "&",  "_",      "-",          ".",     "1",     "23",  "：",   ":",    " ",  "　",
    "\t", "O'Neil", "x\"y",       "<",     ">",     "/",   "?",    "#",    "=",  "+",
};
const char* const kBreaks[] = {"\r\n", "\n", "\r\n\r\n", "\r"};

const char* const kOurIds[] = {
    "店主一",   "店主二", "shop",      "Shop:a", "SHOP", "o'neil", "x\"y",   "<!vantel!>",
    "旺旺：号", "a b",    "夜 猫\t子", "😀店",    "한국", "sh",     "店主一",
};

std::string swap_case(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return s;
}

}  // namespace

std::string Inputs::atoms(int count, bool line_breaks) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (line_breaks && chance(8)) {
            out += kBreaks[below(std::size(kBreaks))];
        } else {
            out += kAtoms[below(std::size(kAtoms))];
        }
    }
    return out;
}

std::string Inputs::of_length(int units) {
    // ASCII, Chinese, or either ending in a character that takes two UTF-16 units.
    const int kind = below(4);
    std::string out;
    int n = 0;
    const bool pair_at_end = kind >= 2 && units >= 2;
    while (n < units - (pair_at_end ? 2 : 0)) {
        out += kind % 2 == 0 ? std::string(1, static_cast<char>('a' + below(26))) : "客";
        ++n;
    }
    if (pair_at_end) out += "😀";
    return out;
}

std::string Inputs::customer_id(const Model& m) {
    const int pick = below(100);
    if (pick < 22 && !m.store.customers.empty()) {
        auto it = m.store.customers.begin();
        std::advance(it, below(static_cast<int>(m.store.customers.size())));
        std::string id = it->second.wang;
        if (chance(40)) id = swap_case(id);
        if (chance(30)) id = " " + id + "　";
        if (chance(20)) id.insert(id.size() / 2, chance(50) ? " " : "\t");
        return id;
    }
    if (pick < 30) {
        const char* blank[] = {"", " ", "　", " 　 ", "\t"};
        return blank[below(std::size(blank))];
    }
    if (pick < 38) return of_length(50);
    if (pick < 44) return of_length(51);
    if (pick < 47) return " " + of_length(50) + " ";  // 50 once the blanks are trimmed
    std::string id = atoms(1 + below(4), chance(10));
    if (chance(20)) id = "　" + id;
    if (chance(20)) id += " ";
    return id;
}

std::string Inputs::our_id() {
    const int pick = below(100);
    if (pick < 70) return kOurIds[below(std::size(kOurIds))];
    if (pick < 78) return of_length(50);
    if (pick < 84) return of_length(51);
    return atoms(1 + below(3), false);
}

std::string Inputs::our_id_list() {
    std::string out;
    const int lines = below(6);
    for (int i = 0; i < lines; ++i) {
        const int kind = below(100);
        if (kind < 75) {
            out += our_id();
        } else if (kind < 85) {
            out += "   ";
        }  // else an empty line
        if (i + 1 < lines || chance(50))
            out += chance(85) ? "\r\n" : (chance(50) ? "\n" : "\r\n\r\n");
    }
    if (chance(15)) out = "\r\n\r\n" + out;
    return out;
}

std::string Inputs::note() {
    const int pick = below(100);
    if (pick < 15) return "";
    if (pick < 80) return atoms(1 + below(12), true);
    if (pick < 85) {
        // Around the sizes where a note stops fitting in its row or in one long-value page:
        // one byte a character for ASCII, two for Chinese.
        const int sizes[] = {60, 64, 70, 2000, 2020, 2030, 4030, 4050, 4070};
        const int n = sizes[below(std::size(sizes))] + below(8);
        return chance(50) ? std::string(static_cast<std::size_t>(n), 'n') : [n] {
            std::string s;
            for (int i = 0; i < n / 2; ++i)
                s += "注";
            return s;
        }();
    }
    // A long note: a line repeated to thousands of characters.
    const std::string line = atoms(3 + below(6), false) + "\r\n";
    std::string out;
    // Now and then far past what one long-value page holds.
    const std::size_t target = 1000 + static_cast<std::size_t>(below(chance(10) ? 300000 : 40000));
    while (out.size() < target)
        out += line;
    return out;
}

double Inputs::date() {
    const double seconds = below(86400) / 86400.0;
    switch (below(12)) {
        case 0:
            return day_number(100, 1, 1);  // the first day of the calendar
        case 1:
            return day_number(9999, 12, 31) + 86399.0 / 86400;  // its last second
        case 2:
            return 0;  // the engine's day zero, 1899-12-30
        case 3:
            return -1.5;  // before day zero: the whole part is the day
        case 4:
            return day_number(2000, 2, 29) + seconds;
        case 5:
            return day_number(1900, 2, 28) + seconds;
        case 6:
            return day_number(1600 + below(400), 1 + below(12), 1 + below(28));
        default:
            return day_number(2010 + below(16), 1 + below(12), 1 + below(28)) + seconds;
    }
}

std::string Inputs::skin_text(const std::string& now) {
    const int digits = std::clamp(static_cast<int>(now.size()), 0, 6);
    switch (below(8)) {
        case 0:
            return digits < 6 ? now + std::to_string(below(10)) : std::to_string(below(10));
        case 1:
            return now.empty() ? now : now.substr(0, now.size() - 1);  // backspace
        case 2:
            return "0";
        case 3:
            return "34";
        case 4:
            return "";
        case 5: {  // a spin button: one up or down within 1..33
            const int n = skin_number(now);
            if (n == 0) return "1";
            return std::to_string(std::clamp(n + (chance(50) ? 1 : -1), 1, 33));
        }
        default:
            return std::to_string(1 + below(33));  // the whole text typed over
    }
}

}  // namespace stress
