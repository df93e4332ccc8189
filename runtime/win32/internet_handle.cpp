#include "runtime/win32/internet_handle.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

namespace runtime::win32 {

std::mutex& internet_handle_turns() {
    static std::mutex turns;
    return turns;
}

void close_internet_handle(void* handle) {
    const std::lock_guard turn(internet_handle_turns());
    InternetCloseHandle(static_cast<HINTERNET>(handle));
}

InternetHandle::~InternetHandle() {
    if (handle_ != nullptr) close_internet_handle(handle_);
}

InternetHandle& InternetHandle::operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) close_internet_handle(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

}  // namespace runtime::win32
