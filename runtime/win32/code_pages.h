#pragma once

#include <string>
#include <string_view>

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
    std::string sort_key(std::string_view utf8) override;
    // The system's keys hold a text's weights of each kind in turn (letters, then accents,
    // then case), so a key of a text's start does not order as the whole text's key.
    bool keys_by_character() const override { return false; }

    unsigned code_page() const { return code_page_; }

  private:
    unsigned code_page_;
};

}  // namespace runtime::win32
