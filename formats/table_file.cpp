#include "formats/table_file.h"

#include <new>
#include <string_view>

#include "formats/delimited_text.h"
#include "formats/read_limits.h"
#include "formats/xlsx_reader.h"
#include "runtime/platform.h"

namespace formats {

namespace {

constexpr std::string_view kZip = "PK\x03\x04";
constexpr std::string_view kEmptyZip = "PK\x05\x06";
// The compound file every Office 97-2003 document, and every encrypted workbook, is kept in.
constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

}  // namespace

namespace {

Result<TableFile> read_any(std::span<const std::uint8_t> bytes,
                           runtime::CodePageAdapter& code_pages) {
    const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                                std::min<std::size_t>(bytes.size(), 8));
    if (head.starts_with(kCompoundFile))
        return unsupported(
            "这是 Excel 97-2003 格式（.xls）或设了密码的工作簿，无法直接读取：请用 Excel 或 "
            "WPS 打开，另存为“Excel 工作簿（.xlsx）”或“CSV”后再导入");
    if (head.starts_with(kZip) || head.starts_with(kEmptyZip)) {
        JET_ASSIGN(XlsxSheet sheet, read_xlsx(bytes));
        return TableFile{std::move(sheet.table), TableFileKind::xlsx};
    }
    JET_ASSIGN(DelimitedText text, read_delimited_text(bytes, code_pages));
    return TableFile{std::move(text.table), TableFileKind::delimited_text};
}

}  // namespace

Result<TableFile> read_table_file(std::span<const std::uint8_t> bytes,
                                  runtime::CodePageAdapter& code_pages) {
    // The limits keep a file of any shape within what a PC has; should memory still run out
    // (a 32-bit build, a busy machine), the file is refused and the program goes on.
    try {
        return read_any(bytes, code_pages);
    } catch (const std::bad_alloc&) {
        return out_of_memory();
    }
}

Result<TableFile> read_table_file(std::span<const std::uint8_t> bytes) {
    return read_table_file(bytes, runtime::platform().code_pages());
}

}  // namespace formats
