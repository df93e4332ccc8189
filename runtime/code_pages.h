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
};

}  // namespace runtime
