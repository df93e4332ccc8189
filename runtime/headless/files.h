#pragma once
// Real files on the test machine; the hidden attribute, which POSIX lacks, is kept in memory.
#include <set>
#include <string>

#include "runtime/files.h"

namespace runtime::headless {

class HeadlessFiles final : public FilesAdapter {
  public:
    bool exists(std::string_view path) override;
    bool write(std::string_view path, std::span<const std::uint8_t> bytes) override;
    bool replace(std::string_view path, std::span<const std::uint8_t> bytes) override;
    bool set_hidden(std::string_view path) override;
    bool hidden(std::string_view path) override;

  private:
    std::set<std::string, std::less<>> hidden_;
};

}  // namespace runtime::headless
