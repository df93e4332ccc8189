// make_template OUT: writes the built-in customer database to OUT.
#include <cstdio>
#include <fstream>

#include "tools/make_template/build_template.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_template OUT\n");
        return 2;
    }
    auto bytes = templatedb::build_template();
    if (!bytes) {
        std::fprintf(stderr, "make_template: %s\n", bytes.error().message.c_str());
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes->data()),
              static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_template: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
