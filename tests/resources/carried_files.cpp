#include "tests/resources/carried_files.h"

#include "tests/jet/run_command.h"

namespace testing_support {

bool on_path(const std::string& program) {
    int status = -1;
    run_command("command -v '" + program + "' >/dev/null 2>&1", &status);
    return status == 0;
}

}  // namespace testing_support
