#pragma once

#include <string>
#include <string_view>

#include "runtime/code_pages.h"
#include "runtime/headless/iconv_handle.h"

namespace runtime::headless {

// UTF-8 <-> GB18030 through the C library's iconv.
class IconvCodePages final : public CodePageAdapter {
  public:
    IconvCodePages();

    std::string utf8_to_gbk(std::string_view utf8) override;
    std::string gbk_to_utf8(std::string_view gbk) override;

  private:
    IconvHandle to_gbk_;
    IconvHandle to_utf8_;
};

}  // namespace runtime::headless
