#include "tests/formats/png_readers.h"

#include <sstream>

#include "tests/jet/run_command.h"

namespace format_tests {

namespace {

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Debian's own python3 first: another one on the path may lack Pillow.
const std::string& pillow_python() {
    static const std::string found = [] {
        for (const char* candidate : {"/usr/bin/python3", "python3"}) {
            int status = -1;
            testing_support::run_command(
                std::string(candidate) + " -c 'import PIL.Image' >/dev/null 2>&1", &status);
            if (status == 0) return std::string(candidate);
        }
        return std::string();
    }();
    return found;
}

}  // namespace

bool have_pillow() {
    return !pillow_python().empty();
}

std::optional<PngSeen> read_with_pillow(const std::string& path,
                                        const std::vector<std::pair<int, int>>& points) {
    // load() decodes every row, so a damaged stream fails here and not only at the pixels.
    const std::string script =
        "import sys\n"
        "from PIL import Image\n"
        "im = Image.open(sys.argv[1]); im.load()\n"
        "print(im.format, im.width, im.height, im.mode)\n"
        "rgba = im.convert('RGBA')\n"
        "for i in range(2, len(sys.argv), 2):\n"
        "    print(*rgba.getpixel((int(sys.argv[i]), int(sys.argv[i + 1]))))\n";
    std::string command = pillow_python() + " -c " + quote(script) + " " + quote(path);
    for (const auto& [x, y] : points)
        command += " " + std::to_string(x) + " " + std::to_string(y);
    int status = -1;
    std::istringstream out(testing_support::run_command(command + " 2>/dev/null", &status));
    std::string format;
    PngSeen seen;
    if (status != 0 || !(out >> format >> seen.width >> seen.height >> seen.mode) ||
        format != "PNG")
        return std::nullopt;
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::array<int, 4> p{};
        if (!(out >> p[0] >> p[1] >> p[2] >> p[3])) return std::nullopt;
        seen.pixels.push_back(p);
    }
    return seen;
}

bool have_pngcheck() {
    int status = -1;
    testing_support::run_command("command -v pngcheck >/dev/null 2>&1", &status);
    return status == 0;
}

std::pair<bool, std::string> pngcheck(const std::string& path) {
    int status = -1;
    std::string said = testing_support::run_command("pngcheck " + quote(path) + " 2>&1", &status);
    return {status == 0, said};
}

}  // namespace format_tests
