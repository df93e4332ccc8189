#pragma once

#include "runtime/platform.h"

namespace runtime::win32 {

// Gives the platform the real Windows adapters.
void install_adapters(Platform& platform);

}  // namespace runtime::win32
