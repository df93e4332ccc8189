#include "runtime/headless/shell.h"

namespace runtime::headless {

bool HeadlessShell::open(std::string_view address) {
    opened_.emplace_back(address);
    return true;
}

}  // namespace runtime::headless
