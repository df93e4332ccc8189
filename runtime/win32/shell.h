#pragma once
#include "runtime/shell.h"

namespace runtime::win32 {

class Win32Shell final : public ShellAdapter {
  public:
    bool open(std::string_view address) override;
    std::string program_directory() override;
    std::string desktop_folder() override;
    std::string computer_name() override;
};

}  // namespace runtime::win32
