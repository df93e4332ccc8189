#pragma once

#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "runtime/code_page_keys.h"
#include "runtime/code_pages.h"

namespace runtime::win32 {

// UTF-8 <-> GB18030 (code page 54936) through UTF-16. Where the system lacks
// 54936 (Wine 8 does), code page 936 stands in: the same bytes for every GBK
// character, "?" for the rest.
class Win32CodePages final : public CodePageAdapter {
  public:
    Win32CodePages();

    std::string utf8_to_gbk(std::string_view utf8) override;
    std::string gbk_to_utf8(std::string_view gbk) override;
    // The code page's order, as on every other system the program runs on: the system's own
    // Chinese sort keys cost a hundred times more a text, too slow for a list of 100,000.
    std::string sort_key(std::string_view utf8) override;
    SortKeys sort_keys(std::span<const std::string_view> texts) override;

    unsigned code_page() const { return code_page_; }

  private:
    // The code page's bytes of these characters; nothing when one of them has none.
    std::string bytes_of(std::u32string_view points) const;

    unsigned code_page_;
    std::mutex mutex_;  // the list's sorting thread keys texts too
    CodePageKeys keys_;
};

}  // namespace runtime::win32
