#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/message_box.h"

namespace runtime::win32 {

// MessageBoxW without an owner window, always task-modal.
class Win32MessageBoxes final : public MessageBoxAdapter {
  public:
    int show(std::string_view text, std::string_view title, std::uint32_t style) override;
};

}  // namespace runtime::win32
