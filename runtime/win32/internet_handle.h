#pragma once
// Owns one WinInet handle (HINTERNET) and closes it when it goes.
#include <utility>

namespace runtime::win32 {

class InternetHandle {
  public:
    InternetHandle() = default;
    explicit InternetHandle(void* handle) : handle_(handle) {}
    ~InternetHandle();
    InternetHandle(InternetHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    InternetHandle& operator=(InternetHandle&& other) noexcept;
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    void* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    void* handle_ = nullptr;
};

}  // namespace runtime::win32
