// Writes the 33 built-in skins, 01.she to 33.she, into the folder given (skin/skins in the
// source tree, where the program's build takes them from).
#include <cstdio>
#include <fstream>
#include <string>

#include "skin/format.h"
#include "skin/schemes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skins FOLDER\n");
        return 2;
    }
    for (std::int32_t n = 1; n <= skin::kSchemeCount; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "/%02d.she", static_cast<int>(n));
        const std::string path = argv[1] + std::string(name);
        const auto bytes = skin::compose(skin::builtin_scheme(n));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "make_skins: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
