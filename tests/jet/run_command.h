#pragma once
// Runs a shell command, for tests that ask the real Jet readers.
#include <string>

namespace testing_support {

// Everything the command printed on standard output; `status`, when given, gets its exit
// status (-1 when it could not be started).
std::string run_command(const std::string& command, int* status = nullptr);

}  // namespace testing_support
