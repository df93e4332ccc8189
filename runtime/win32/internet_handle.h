#pragma once
// Owns one WinInet handle (HINTERNET) and closes it when it goes.
#include <mutex>
#include <utility>

namespace runtime::win32 {

// Wine's WinInet makes and frees its handles' objects unsafely when several threads do so at
// once under load: eight probes at full speed beside a busy thread broke the heap within
// tens of thousands of requests. Handles are therefore made and closed one thread at a time,
// under this lock; the waits for the network (sending, reading) stay side by side.
std::mutex& internet_handle_turns();
// Closes `handle` in its turn.
void close_internet_handle(void* handle);

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
