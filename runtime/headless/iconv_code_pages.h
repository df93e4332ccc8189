#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/code_page_keys.h"
#include "runtime/code_pages.h"
#include "runtime/headless/iconv_handle.h"

namespace runtime::headless {

// UTF-8 <-> GB18030 through the C library's iconv. One adapter serves the whole program,
// the list's sorting thread included, so a call holds it for its length.
class IconvCodePages final : public CodePageAdapter {
  public:
    IconvCodePages();

    std::string utf8_to_gbk(std::string_view utf8) override;
    std::string gbk_to_utf8(std::string_view gbk) override;
    // The same bytes as utf8_to_gbk, from a table of every character of the basic plane:
    // one iconv call per text costs more than the sort that needs the keys.
    SortKeys sort_keys(std::span<const std::string_view> texts) override;

  private:
    // Two-byte GBK as UTF-8, asked of iconv once per character: glibc's GB18030 converter
    // took longer over a sheet of 10,000 rows than reading the sheet did. An entry holds
    // the UTF-8 bytes, their count in the top byte; 0 where the pair is no one character.
    void make_two_byte_table();
    std::vector<std::uint32_t> two_byte_;
    std::mutex mutex_;
    IconvHandle to_gbk_;
    IconvHandle to_utf8_;
    IconvHandle from_utf32_;
    CodePageKeys keys_;
};

}  // namespace runtime::headless
