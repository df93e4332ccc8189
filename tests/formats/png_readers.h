#pragma once
// Real PNG readers as test oracles: Pillow (python3-pil) and pngcheck.
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace format_tests {

// What Pillow read: the size, its mode ("RGB", "RGBA") and each asked pixel as RGBA.
struct PngSeen {
    int width = 0, height = 0;
    std::string mode;
    std::vector<std::array<int, 4>> pixels;
};

// Whether a Python 3 with Pillow is installed.
bool have_pillow();
// The picture at `path` as Pillow reads it, with the pixels at `points` (x, y); nullopt when
// Pillow refuses the file.
std::optional<PngSeen> read_with_pillow(const std::string& path,
                                        const std::vector<std::pair<int, int>>& points);

bool have_pngcheck();
// pngcheck's verdict, and what it said.
std::pair<bool, std::string> pngcheck(const std::string& path);

}  // namespace format_tests
