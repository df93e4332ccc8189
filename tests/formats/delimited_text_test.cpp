// Delimited text: the encodings recognised, the delimiter guessed, quoted fields as spreadsheet
// programs and this program's own tracking sheets write them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/delimited_text.h"
#include "runtime/headless/iconv_code_pages.h"
#include "tests/formats/tools.h"

namespace format_tests {
namespace {

using formats::Cell;
using formats::Table;
using formats::TextEncoding;
using Bytes = std::vector<std::uint8_t>;

Cell text(const std::string& s) {
    return Cell::make_text(s);
}

Bytes bytes_of(const std::string& s) {
    return {s.begin(), s.end()};
}

Bytes utf16(const std::string& utf8, bool little_endian) {
    runtime::headless::IconvHandle to16(little_endian ? "UTF-16LE" : "UTF-16BE", "UTF-8");
    return bytes_of((little_endian ? std::string("\xFF\xFE") : std::string("\xFE\xFF")) +
                    to16.convert(utf8));
}

TEST(DelimitedText, EveryEncodingGivesTheSameTable) {
    runtime::headless::IconvCodePages code_pages;
    const std::string content = "客户旺旺,备注\r\ntb_甲,\"含,逗号\"\r\n𠀀,€\r\n";
    const Table expected{{{text("客户旺旺"), text("备注")},
                          {text("tb_甲"), text("含,逗号")},
                          {text("𠀀"), text("€")}}};
    struct Case {
        const char* what;
        Bytes bytes;
        TextEncoding encoding;
    };
    const Case cases[] = {
        {"UTF-8", bytes_of(content), TextEncoding::utf8},
        {"UTF-8 with a byte-order mark", bytes_of("\xEF\xBB\xBF" + content),
         TextEncoding::utf8_with_bom},
        // GB18030 has four-byte forms for what GBK lacks, so nothing is lost.
        {"GBK/GB18030", bytes_of(code_pages.utf8_to_gbk(content)), TextEncoding::gb18030},
        {"UTF-16LE", utf16(content, true), TextEncoding::utf16le},
        {"UTF-16BE", utf16(content, false), TextEncoding::utf16be},
    };
    for (const auto& c : cases) {
        auto read = formats::read_delimited_text(c.bytes, code_pages);
        ASSERT_TRUE(read.ok()) << c.what << ": " << read.error().message;
        EXPECT_EQ(read->table, expected) << c.what;
        EXPECT_EQ(read->encoding, c.encoding) << c.what;
        EXPECT_EQ(read->delimiter, ',') << c.what;
    }
    EXPECT_EQ(bytes_of(code_pages.utf8_to_gbk("客")), bytes_of("\xBF\xCD"));

    // What would lose text is refused instead.
    struct Bad {
        const char* what;
        std::string bytes;
        jet::Errc code;
    };
    const Bad bad[] = {
        {"a zero byte", std::string("a,b\0c", 5), jet::Errc::unsupported_version},
        {"bytes neither UTF-8 nor GBK", "a,\xFF\xFF\xFF", jet::Errc::corrupt},
        {"a byte-order mark over bytes that are not UTF-8",
         "\xEF\xBB\xBF"
         "a,\xC4",
         jet::Errc::corrupt},
        {"half a UTF-16 unit",
         "\xFF\xFE"
         "a\0b",
         jet::Errc::corrupt},
        {"a lone UTF-16 surrogate", std::string("\xFF\xFE\x00\xD8,\x00", 6), jet::Errc::corrupt},
    };
    for (const auto& b : bad) {
        auto read = formats::read_delimited_text(bytes_of(b.bytes), code_pages);
        ASSERT_FALSE(read.ok()) << b.what;
        EXPECT_EQ(read.error().code, b.code) << b.what << ": " << read.error().message;
    }
}

TEST(DelimitedText, FieldsQuotesLineEndsAndTheDelimiter) {
    struct Case {
        const char* what;
        std::string text;
        char delimiter;
        Table table;
    };
    const Case cases[] = {
        {"the tracking sheet: TAB, CR LF, a note across lines, quotes doubled or not",
         "序号\t客户旺旺\t备注\r\n2\ttb_甲\t\"第一行\r\n第二行\"\r\n1\tABC\t\"他说\"\"好\"\"\"\r\n"
         "3\tx\t\"old \"quoted\" note, with a comma\"\r\n",
         '\t',
         {{{text("序号"), text("客户旺旺"), text("备注")},
           {text("2"), text("tb_甲"), text("第一行\r\n第二行")},
           {text("1"), text("ABC"), text("他说\"好\"")},
           {text("3"), text("x"), text("old \"quoted\" note, with a comma")}}}},
        {"CSV with LF, empty fields and lines, no line end at the end",
         "a,b,c\n\n1,,3\n\"\",x,\n,,\nlast",
         ',',
         {{{text("a"), text("b"), text("c")},
           {},
           {text("1"), Cell{}, text("3")},
           {Cell{}, text("x")},
           {},
           {text("last")}}}},
        {"old Mac line ends",
         "a,b\r1,2\r",
         ',',
         {{{text("a"), text("b")}, {text("1"), text("2")}}}},
        {"commas in a tab-separated file",
         "id\tnote\n1\ta, b, c\n2\td,e\n",
         '\t',
         {{{text("id"), text("note")}, {text("1"), text("a, b, c")}, {text("2"), text("d,e")}}}},
        {"tabs inside quotes of a CSV file",
         "id,note\n1,\"a\tb\"\n2,\"c\td\"\n",
         ',',
         {{{text("id"), text("note")}, {text("1"), text("a\tb")}, {text("2"), text("c\td")}}}},
        {"one column", "a\nb\n", ',', {{{text("a")}, {text("b")}}}},
        {"nothing", "", ',', {}},
        {"a quote inside an unquoted field stays", "a\"b,c\n", ',', {{{text("a\"b"), text("c")}}}},
    };
    runtime::headless::IconvCodePages code_pages;
    for (const auto& c : cases) {
        auto read = formats::read_delimited_text(bytes_of(c.text), code_pages);
        ASSERT_TRUE(read.ok()) << c.what << ": " << read.error().message;
        EXPECT_EQ(read->delimiter, c.delimiter) << c.what;
        EXPECT_EQ(read->table, c.table) << c.what;
    }

    auto unclosed = formats::read_delimited_text(bytes_of("a,b\n1,\"never\nclosed\n"), code_pages);
    ASSERT_FALSE(unclosed.ok());
    EXPECT_EQ(unclosed.error().message, "第2行：引号里的内容一直到文件末尾都没有结束的引号");

    formats::DelimitedLimits tiny;
    tiny.max_cells = 10;
    auto big = formats::read_delimited_text(bytes_of(std::string(20, ',') + "x"), code_pages, tiny);
    ASSERT_FALSE(big.ok());
    EXPECT_EQ(big.error().code, jet::Errc::full);
}

}  // namespace
}  // namespace format_tests
