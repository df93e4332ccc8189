#pragma once
// Sort keys in the Chinese code page's order, made from a table of every character of the
// basic plane: one conversion call per text costs more than the sort that needs the keys.
// GBK lays out its common characters by pinyin, so these keys order Chinese as people expect,
// and one character's bytes never begin another's, so a text's key is the keys of its
// characters one after another.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/code_pages.h"

namespace runtime {

class CodePageKeys {
  public:
    // Converts code points into the code page's bytes, or gives nothing when any of them has
    // none there (then the table asks again one character at a time).
    using Convert = std::function<std::string(std::u32string_view)>;

    explicit CodePageKeys(Convert convert) : convert_(std::move(convert)) {}
    // Not for two threads at once: the adapter that owns it holds its lock.
    SortKeys keys(std::span<const std::string_view> texts);

    // A character the code page cannot hold sorts after all it can, by its code point: a lead
    // byte (0xFF) no character of GBK or GB18030 starts with.
    static std::string beyond_code_page(char32_t cp);

  private:
    void make_table();

    Convert convert_;
    std::vector<std::uint32_t> table_;  // U+0000..U+FFFF; 0 for the surrogates
};

}  // namespace runtime
