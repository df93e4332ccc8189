#include "formats/text_decoding.h"

#include <algorithm>
#include <string_view>

#include "formats/utf8.h"
#include "services/text_encoding.h"

namespace formats {

namespace {

Result<std::string> from_utf16(std::span<const std::uint8_t> bytes, bool little_endian) {
    if (bytes.size() % 2 != 0) return damaged("文件不完整：UTF-16 文字的最后一个字只有一半");
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const std::uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
        return static_cast<char32_t>(little_endian ? a | (b << 8) : (a << 8) | b);
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return damaged("文件的 UTF-16 编码有错，第" + std::to_string(i + 1) + "个字不完整");
        }
        utf8::append(out, c);
    }
    return out;
}

// Whether the text is ASCII and two-byte GBK codes only (lead 0x81-0xFE, trail 0x40-0x7E or
// 0x80-0xFE): every such code has a character, so nothing can vanish in the conversion.
bool two_byte_gbk(std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) continue;
        if (lead == 0x80 || lead == 0xFF || at + 1 >= text.size()) return false;
        const auto trail = static_cast<unsigned char>(text[++at]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    }
    return true;
}

}  // namespace

Result<DecodedText> decode_text_file(std::span<const std::uint8_t> bytes,
                                     runtime::CodePageAdapter& code_pages) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with("\xFF\xFE")) {
        JET_ASSIGN(std::string utf8, from_utf16(bytes.subspan(2), true));
        return DecodedText{std::move(utf8), TextEncoding::utf16le};
    }
    if (text.starts_with("\xFE\xFF")) {
        JET_ASSIGN(std::string utf8, from_utf16(bytes.subspan(2), false));
        return DecodedText{std::move(utf8), TextEncoding::utf16be};
    }
    if (text.find('\0') != std::string_view::npos)
        return unsupported(
            "文件里有零字节，不是文本文件（可能是 Excel 97-2003 工作簿或其他二进制文件）");
    if (text.starts_with("\xEF\xBB\xBF")) {
        const std::string_view rest = text.substr(3);
        if (!utf8::valid(rest)) return damaged("文件标明是 UTF-8 编码，但里面有不是 UTF-8 的字节");
        return DecodedText{std::string(rest), TextEncoding::utf8_with_bom};
    }
    if (utf8::valid(text)) return DecodedText{std::string(text), TextEncoding::utf8};
    std::string converted = services::to_utf8(code_pages, text);
    // A byte the code page has no character for would vanish in the conversion: what is not
    // plain two-byte GBK must come back from the round trip byte for byte.
    if (!two_byte_gbk(text) && services::to_gbk(code_pages, converted) != text)
        return damaged("文件的文字编码无法识别：既不是 UTF-8，也不是 GBK/GB18030");
    return DecodedText{std::move(converted), TextEncoding::gb18030};
}

}  // namespace formats
