#include "tests/formats/hostile_files.h"

#include "formats/cell_reference.h"
#include "formats/zip_writer.h"

namespace hostile {

namespace {

constexpr const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelations =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string sheet_root(const std::string& inside) {
    return std::string("<worksheet xmlns=\"") + kMain + "\">" + inside + "</worksheet>";
}

}  // namespace

Bytes workbook(const std::string& sheet, const std::string& strings,
               const std::vector<std::pair<std::string, Bytes>>& more) {
    formats::ZipWriter w;
    const std::string package_relations =
        "<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"r1\" Type=\"" +
        std::string(kRelations) + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    (void)w.add("_rels/.rels", package_relations);
    (void)w.add("xl/workbook.xml", std::string("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" +
                                       kRelations +
                                       "\"><sheets><sheet name=\"S\" sheetId=\"1\" "
                                       "r:id=\"r1\"/></sheets></workbook>");
    std::string relations =
        "<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"r1\" Type=\"" +
        std::string(kRelations) + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
    if (!strings.empty())
        relations += "<Relationship Id=\"r2\" Type=\"" + std::string(kRelations) +
                     "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
    (void)w.add("xl/_rels/workbook.xml.rels", relations + "</Relationships>");
    if (!strings.empty()) (void)w.add("xl/sharedStrings.xml", strings);
    (void)w.add("xl/worksheets/sheet1.xml", sheet);
    for (const auto& [name, bytes] : more)
        (void)w.add(name, bytes, false);
    return *w.finish();
}

std::string many_attributes(std::size_t count, bool repeat_last) {
    std::string x = std::string("<worksheet xmlns=\"") + kMain + "\"";
    for (std::size_t i = 0; i + 1 < count; ++i)
        x += " a" + std::to_string(i) + "=\"1\"";
    x += repeat_last ? " a0=\"1\"" : " a" + std::to_string(count - 1) + "=\"1\"";
    return x + "><sheetData/></worksheet>";
}

std::string merged_sheet(std::size_t rows, std::size_t columns, std::size_t merges,
                         bool overlapping) {
    std::string x = "<sheetData>";
    for (std::size_t r = 0; r < rows; ++r) {
        x += "<row>";
        for (std::size_t c = 0; c < columns; ++c)
            x += "<c r=\"" + formats::cell_reference({r, c}) + "\"><v>1</v></c>";
        x += "</row>";
    }
    x += "</sheetData><mergeCells>";
    const std::size_t per_row = merges / rows > 0 ? merges / rows : 1;
    const std::size_t width = columns / per_row;
    for (std::size_t m = 0; m < merges; ++m) {
        const std::size_t row = m / per_row, first = (m % per_row) * width;
        const std::string ref = overlapping
                                    ? "A1:" + formats::cell_reference({rows - 1, columns - 1})
                                    : formats::cell_reference({row, first}) + ":" +
                                          formats::cell_reference({row, first + width - 1});
        x += "<mergeCell ref=\"" + ref + "\"/>";
    }
    return sheet_root(x + "</mergeCells>");
}

std::string empty_strings(std::size_t count) {
    std::string x = std::string("<sst xmlns=\"") + kMain + "\">";
    x.reserve(x.size() + count * 5 + 8);
    for (std::size_t i = 0; i < count; ++i)
        x += "<si/>";
    return x + "</sst>";
}

std::string blank_sheet(std::size_t blank_bytes) {
    return sheet_root("<sheetData>" + std::string(blank_bytes, ' ') + "</sheetData>");
}

Bytes empty_lines(std::size_t lines) {
    return Bytes(lines, '\n');
}

}  // namespace hostile
