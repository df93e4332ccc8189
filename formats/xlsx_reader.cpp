#include "formats/xlsx_reader.h"

#include "formats/ooxml_names.h"
#include "formats/package_parts.h"
#include "formats/xlsx_parts.h"
#include "formats/xml_document.h"
#include "formats/xml_reader.h"

namespace formats {

namespace {

struct FirstSheet {
    std::string name;
    std::string relationship_id;
    DateSystem dates = DateSystem::from1900;
};

Result<FirstSheet> read_workbook(std::string_view xml) {
    JET_ASSIGN(const XmlElement root, parse_xml(xml));
    if (local_name(root.name) != "workbook") return damaged("工作簿的主体部分不是工作簿");
    FirstSheet first;
    if (const XmlElement* properties = root.child("workbookPr")) {
        const std::string* flag = properties->attribute("date1904");
        if (flag && (*flag == "1" || *flag == "true")) first.dates = DateSystem::from1904;
    }
    const XmlElement* sheets = root.child("sheets");
    const XmlElement* sheet = sheets ? sheets->child("sheet") : nullptr;
    if (!sheet) return missing("工作簿里没有工作表");
    const std::string* name = sheet->attribute("name");
    const std::string* id = sheet->attribute("*:id");
    if (!id) return damaged("工作簿里的第一个工作表没有写明它在哪里");
    first.name = name ? *name : std::string();
    first.relationship_id = *id;
    return first;
}

}  // namespace

Result<XlsxSheet> read_xlsx(std::span<const std::uint8_t> bytes, const XlsxLimits& limits) {
    JET_ASSIGN(const ZipArchive zip, ZipArchive::open(bytes, limits.zip));

    JET_ASSIGN(const auto package, read_relationships(zip, ""));
    std::string workbook_part = "xl/workbook.xml";
    if (const Relationship* main = find_relationship(package, ooxml::kOfficeDocumentSuffix)) {
        workbook_part = main->target;
    } else if (!package.empty() || !zip.find(workbook_part)) {
        return missing("这不是 Excel 工作簿（.xlsx）：里面没有工作簿");
    }
    JET_ASSIGN(const std::string workbook_xml, read_part(zip, workbook_part, "工作簿"));
    JET_ASSIGN(const FirstSheet first, read_workbook(workbook_xml));

    JET_ASSIGN(const auto relationships, read_relationships(zip, workbook_part));
    const Relationship* sheet = nullptr;
    for (const auto& r : relationships)
        if (r.id == first.relationship_id) sheet = &r;
    if (!sheet) return damaged("工作簿里找不到第一个工作表");
    if (sheet->external) return unsupported("第一个工作表在另一个文件里");
    if (!std::string_view(sheet->type).ends_with(ooxml::kWorksheetSuffix))
        return unsupported("第一个工作表不是普通的工作表（可能是图表），读不出数据");

    xlsx::CellStyles styles;
    if (const Relationship* r = find_relationship(relationships, ooxml::kStylesSuffix)) {
        JET_ASSIGN(const std::string xml, read_part(zip, r->target, "样式"));
        JET_ASSIGN(styles, xlsx::read_cell_styles(xml));
    }
    xlsx::SharedStrings strings;
    if (const Relationship* r = find_relationship(relationships, ooxml::kSharedStringsSuffix)) {
        JET_ASSIGN(const std::string xml, read_part(zip, r->target, "共享文字"));
        JET_ASSIGN(strings, xlsx::read_shared_strings(xml, limits.max_cells));
    }
    JET_ASSIGN(const std::string sheet_xml, read_part(zip, sheet->target, "工作表"));
    const xlsx::SheetContext context{strings, styles, first.dates, limits.max_rows,
                                     limits.max_cells};
    JET_ASSIGN(Table table, xlsx::read_worksheet(sheet_xml, context));
    table.dates = first.dates;
    return XlsxSheet{first.name, std::move(table)};
}

}  // namespace formats
