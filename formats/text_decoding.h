#pragma once
// Text files of unknown encoding to UTF-8, the encoding recognised by content: a byte-order
// mark (UTF-8, UTF-16 little or big endian), else UTF-8 when every byte is well-formed UTF-8,
// else GBK/GB18030, the Chinese code page, converted by the platform.
#include <cstdint>
#include <span>
#include <string>

#include "formats/format_error.h"
#include "runtime/code_pages.h"

namespace formats {

enum class TextEncoding { utf8, utf8_with_bom, gb18030, utf16le, utf16be };

struct DecodedText {
    std::string utf8;  // without the byte-order mark
    TextEncoding encoding = TextEncoding::utf8;
};

// Refuses bytes that are not text (zero bytes outside UTF-16) and Chinese-code-page text
// with bytes that convert to nothing, rather than lose them silently.
Result<DecodedText> decode_text_file(std::span<const std::uint8_t> bytes,
                                     runtime::CodePageAdapter& code_pages);

}  // namespace formats
