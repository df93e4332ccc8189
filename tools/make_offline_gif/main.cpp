// make_offline_gif OUT: writes the built-in offline status picture to OUT.
#include <cstdio>
#include <fstream>

#include "tools/make_offline_gif/offline_gif.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_offline_gif OUT\n");
        return 2;
    }
    const auto built = offline_gif::build_offline_gif();
    if (built.bytes.empty()) {
        std::fprintf(stderr, "make_offline_gif: %s\n", built.error.c_str());
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(built.bytes.data()),
              static_cast<std::streamsize>(built.bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_offline_gif: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
