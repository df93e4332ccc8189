// make_bench_db: copies a Jet 4 file with its Table1 filled with generated rows.
//   make_bench_db [--inline-map|--reference-map] IN.mdb OUT.mdb N [seed]
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/jet/support/bench_table.h"

namespace {

int usage() {
    std::cerr << "usage: make_bench_db [--inline-map|--reference-map] IN.mdb OUT.mdb N [seed]\n";
    return 2;
}

template <class T>
bool parse_number(const std::string& s, T& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

int main(int argc, char** argv) {
    lq::jet_support::BenchTableOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--inline-map") {
            options.map = lq::jet_support::MapKind::inline_;
        } else if (a == "--reference-map") {
            options.map = lq::jet_support::MapKind::reference;
        } else if (a.rfind("--", 0) == 0) {
            return usage();
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() < 3 || positional.size() > 4) return usage();
    if (!parse_number(positional[2], options.rows)) return usage();
    if (positional.size() == 4 && !parse_number(positional[3], options.seed)) return usage();

    std::ifstream in(positional[0], std::ios::binary);
    if (!in) {
        std::cerr << "make_bench_db: cannot read " << positional[0] << "\n";
        return 1;
    }
    std::vector<std::uint8_t> base((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
    auto image = lq::jet_support::make_bench_table(base, options);
    if (!image) {
        std::cerr << "make_bench_db: " << image.error().message << "\n";
        return 1;
    }
    std::ofstream out(positional[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image->data()),
              static_cast<std::streamsize>(image->size()));
    out.close();
    if (!out) {
        std::cerr << "make_bench_db: cannot write " << positional[1] << "\n";
        return 1;
    }
    return 0;
}
