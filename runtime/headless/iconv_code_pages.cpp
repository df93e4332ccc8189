#include "runtime/headless/iconv_code_pages.h"

namespace runtime::headless {

IconvCodePages::IconvCodePages()
    : to_gbk_("GB18030", "UTF-8"),
      to_utf8_("UTF-8", "GB18030"),
      from_utf32_("GB18030", "UTF-32LE"),
      keys_([this](std::u32string_view points) {
          std::string le;
          le.reserve(4 * points.size());
          for (const char32_t cp : points)
              for (int k = 0; k < 4; ++k)
                  le += static_cast<char>((cp >> (8 * k)) & 0xFF);
          return from_utf32_.convert(le);
      }) {}

std::string IconvCodePages::utf8_to_gbk(std::string_view utf8) {
    const std::lock_guard lock(mutex_);
    return to_gbk_.convert(utf8);
}

std::string IconvCodePages::gbk_to_utf8(std::string_view gbk) {
    const std::lock_guard lock(mutex_);
    return to_utf8_.convert(gbk);
}

SortKeys IconvCodePages::sort_keys(std::span<const std::string_view> texts) {
    const std::lock_guard lock(mutex_);
    return keys_.keys(texts);
}

}  // namespace runtime::headless
