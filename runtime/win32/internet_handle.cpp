#include "runtime/win32/internet_handle.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

namespace runtime::win32 {

InternetHandle::~InternetHandle() {
    if (handle_ != nullptr) InternetCloseHandle(handle_);
}

InternetHandle& InternetHandle::operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) InternetCloseHandle(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

}  // namespace runtime::win32
