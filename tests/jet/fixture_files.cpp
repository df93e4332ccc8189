#include "tests/jet/fixture_files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace testing_support {

std::string fixture_path(const std::string& name) {
    return std::string(LQ_FIXTURES_DIR) + "/" + name;
}

std::vector<std::uint8_t> fixture_bytes(const std::string& name) {
    std::ifstream in(fixture_path(name), std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> fixture_names() {
    return {"deleted-rows.mdb", "empty.mdb",         "fixed-text.mdb",   "no-password.mdb",
            "numeric.mdb",      "overflow-rows.mdb", "with-password.mdb"};
}

}  // namespace testing_support
