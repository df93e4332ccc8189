#pragma once
#include "runtime/files.h"

namespace runtime::win32 {

class Win32Files final : public FilesAdapter {
  public:
    bool exists(std::string_view path) override;
    bool write(std::string_view path, std::span<const std::uint8_t> bytes) override;
    bool replace(std::string_view path, std::span<const std::uint8_t> bytes) override;
    bool set_hidden(std::string_view path) override;
    bool hidden(std::string_view path) override;
};

}  // namespace runtime::win32
