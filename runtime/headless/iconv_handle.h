#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace runtime::headless {

// Owns one iconv conversion descriptor.
class IconvHandle {
  public:
    // Throws std::runtime_error when the C library lacks the conversion.
    IconvHandle(const char* to_code, const char* from_code);
    ~IconvHandle();
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    IconvHandle(IconvHandle&& other) noexcept;
    IconvHandle& operator=(IconvHandle&& other) noexcept;

    // Converts the whole input. A byte that starts no valid sequence is
    // skipped, an incomplete sequence at the end is dropped; every byte is
    // looked at once, so the call always ends.
    std::string convert(std::string_view input) const;

  private:
    iconv_t descriptor_;
};

}  // namespace runtime::headless
