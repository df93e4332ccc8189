#include "tests/jet/run_command.h"

#include <cstdio>

namespace testing_support {

std::string run_command(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status) *status = -1;
        return out;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int code = ::pclose(pipe);
    if (status) *status = code;
    return out;
}

}  // namespace testing_support
