// Feeds arbitrary bytes to the readers of other programs' formats. Each input is used as:
//   1. a zip archive, every entry read;
//   2. an XML document, read event by event and as a tree;
//   3. a workbook (.xlsx), and as a text file (CSV or TAB, any encoding), whose table is then
//      imported with the columns its header suggests;
//   4. the parts of a workbook, cut apart at "\n@@\n" and packed into a zip in the order the
//      reader looks for them, so that mutations reach the workbook's XML rather than its
//      compression;
//   5. a typed date and a column header.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "formats/column_guess.h"
#include "formats/delimited_text.h"
#include "formats/import_rows.h"
#include "formats/typed_dates.h"
#include "formats/xlsx_reader.h"
#include "formats/xml_document.h"
#include "formats/xml_reader.h"
#include "formats/zip_reader.h"
#include "formats/zip_writer.h"
#include "runtime/headless/iconv_code_pages.h"

namespace {

// Small limits: a fuzz run must stay fast and within its memory.
formats::XlsxLimits limits() {
    formats::XlsxLimits l;
    l.max_rows = 1 << 14;
    l.max_cells = 1 << 16;
    l.zip.max_entry_size = 1 << 20;
    l.zip.max_total_size = 4 << 20;
    return l;
}

void read_zip(std::span<const std::uint8_t> bytes) {
    auto zip = formats::ZipArchive::open(bytes, limits().zip);
    if (!zip) return;
    for (const auto& entry : zip->entries()) {
        auto content = zip->read(entry);
        (void)content;
    }
}

void read_xml(std::string_view text) {
    formats::XmlReader reader(text);
    for (int events = 0; events < 100000; ++events) {
        auto event = reader.next();
        if (!event || *event == formats::XmlEvent::done) break;
    }
    auto tree = formats::parse_xml(text, 10000);
    (void)tree;
}

void import(const formats::Table& table) {
    const auto header = formats::find_header_row(table);
    std::vector<formats::ColumnMeaning> columns;
    if (header) columns = formats::guess_columns(table.rows[*header]);
    for (auto list : {formats::ImportList::open, formats::ImportList::closed}) {
        formats::ImportOptions options;
        options.list = list;
        options.default_our_id = "店";
        auto rows = formats::import_rows(table, columns, options);
        (void)rows;
    }
}

void read_parts(std::string_view text) {
    static constexpr const char* kParts[] = {
        "_rels/.rels",   "xl/workbook.xml",      "xl/_rels/workbook.xml.rels",
        "xl/styles.xml", "xl/sharedStrings.xml", "xl/worksheets/sheet1.xml"};
    formats::ZipWriter writer;
    std::size_t at = 0;
    for (const char* name : kParts) {
        const std::size_t cut = text.find("\n@@\n", at);
        const std::string_view part =
            text.substr(at, cut == std::string_view::npos ? cut : cut - at);
        if (!writer.add(name, part, false).ok()) return;
        if (cut == std::string_view::npos) break;
        at = cut + 4;
    }
    auto zip = writer.finish();
    if (!zip) return;
    auto sheet = formats::read_xlsx(*zip, limits());
    if (sheet) import(sheet->table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static runtime::headless::IconvCodePages code_pages;
    const std::span<const std::uint8_t> bytes(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    read_zip(bytes);
    read_xml(text);
    if (auto sheet = formats::read_xlsx(bytes, limits())) import(sheet->table);
    formats::DelimitedLimits text_limits;
    text_limits.max_rows = 1 << 14;
    text_limits.max_cells = 1 << 16;
    if (auto table = formats::read_delimited_text(bytes, code_pages, text_limits))
        import(table->table);
    read_parts(text);
    auto date = formats::parse_typed_date(text.substr(0, 64));
    (void)date;
    auto meaning = formats::guess_column(text.substr(0, 64));
    (void)meaning;
    return 0;
}
