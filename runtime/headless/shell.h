#pragma once
// The shell in memory: addresses opened are recorded; the folders are whatever a test sets.
#include <string>
#include <vector>

#include "runtime/shell.h"

namespace runtime::headless {

class HeadlessShell final : public ShellAdapter {
  public:
    bool open(std::string_view address) override;
    std::string program_directory() override { return program_directory_; }
    std::string desktop_folder() override { return desktop_folder_; }
    std::string computer_name() override { return "SHOP-PC"; }

    const std::vector<std::string>& opened() const { return opened_; }
    void set_program_directory(std::string dir) { program_directory_ = std::move(dir); }
    void set_desktop_folder(std::string dir) { desktop_folder_ = std::move(dir); }

  private:
    std::vector<std::string> opened_;
    std::string program_directory_ = "C:\\lanqiao";
    std::string desktop_folder_ = "C:\\Users\\shop\\Desktop";
};

}  // namespace runtime::headless
