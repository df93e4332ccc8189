#include "runtime/headless/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
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

bool HeadlessFiles::replace(std::string_view path, std::span<const std::uint8_t> bytes) {
    const std::string target(path);
    const std::string beside = target + ".lq-new";
    int fd = ::open(beside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(beside.c_str(), target.c_str()) != 0) {
        std::remove(beside.c_str());
        return false;
    }
    return true;
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
