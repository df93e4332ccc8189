#pragma once

#include <string>
#include <string_view>

namespace runtime {

// Conversion between the program's UTF-8 text and the Chinese code page.
// GB18030 is used in the GBK direction: it agrees with GBK on every GBK
// character and has a four-byte form for the rest, so nothing is lost.
// Bytes that do not convert are dropped; the rest of the text is kept.
class CodePageAdapter {
  public:
    virtual ~CodePageAdapter() = default;

    virtual std::string utf8_to_gbk(std::string_view utf8) = 0;
    virtual std::string gbk_to_utf8(std::string_view gbk) = 0;
    // Bytes whose order is the system's Chinese (pinyin) order of the texts. Where no such
    // order is at hand, the GBK bytes stand in: its common characters are laid out by pinyin.
    virtual std::string sort_key(std::string_view utf8) { return utf8_to_gbk(utf8); }
};

}  // namespace runtime
