// make_customer_db OUT COUNT: the built-in database with COUNT customers (every fifth one
// closed), for timing the program on a shop's worth of data.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>

#include "bench/customer_db.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_customer_db OUT COUNT\n");
        return 2;
    }
    try {
        const auto bytes = bench::customer_database(std::atoi(argv[2]));
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return out ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_customer_db: %s\n", e.what());
        return 1;
    }
}
