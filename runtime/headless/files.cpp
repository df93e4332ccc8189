#include "runtime/headless/files.h"

#include <filesystem>
#include <fstream>

namespace runtime::headless {

bool HeadlessFiles::exists(std::string_view path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(std::string(path)), ec);
}

bool HeadlessFiles::write(std::string_view path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(std::string(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

bool HeadlessFiles::set_hidden(std::string_view path) {
    if (!exists(path)) return false;
    hidden_.emplace(path);
    return true;
}

bool HeadlessFiles::hidden(std::string_view path) {
    return hidden_.contains(path);
}

}  // namespace runtime::headless
