#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

// Sort keys of many texts, one after another in one buffer: one allocation for all of them.
class SortKeys {
  public:
    void add(std::string_view key) {
        bytes_ += key;
        ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    }
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(bytes_).substr(begin, ends_[i] - begin);
    }
    void reserve(std::size_t keys, std::size_t bytes) {
        ends_.reserve(keys);
        bytes_.reserve(bytes);
    }
    // For adapters that write the keys' bytes in place: the buffer, and where each key ends.
    std::string& bytes() { return bytes_; }
    void end_key(std::size_t end) { ends_.push_back(static_cast<std::uint32_t>(end)); }

  private:
    std::string bytes_;
    // The keys of one sort stay far below 4 GiB (a sort keys the heads of texts at most).
    std::vector<std::uint32_t> ends_;
};

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
    // The keys of many texts in one call, as sort_key gives them one by one.
    virtual SortKeys sort_keys(std::span<const std::string_view> texts);
    // Whether keys are made character by character, each character's bytes never the start
    // of another's (GBK's are not): then a text's key is the keys of its parts one after
    // another, and the first characters of two texts order them wherever those differ. A
    // sort can then look no further into a text than it must.
    virtual bool keys_by_character() const { return true; }
};

}  // namespace runtime
