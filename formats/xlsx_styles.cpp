#include <charconv>
#include <map>
#include <optional>

#include "formats/number_formats.h"
#include "formats/xlsx_parts.h"
#include "formats/xml_document.h"

namespace formats::xlsx {

namespace {

std::optional<int> number_of(const std::string* text) {
    if (!text) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size() || value < 0)
        return std::nullopt;
    return value;
}

}  // namespace

Result<CellStyles> read_cell_styles(std::string_view styles_xml) {
    JET_ASSIGN(const XmlElement root, parse_xml(styles_xml));
    if (local_name(root.name) != "styleSheet") return damaged("工作簿的样式部分不是样式表");
    std::map<int, std::string> codes;
    if (const XmlElement* formats = root.child("numFmts")) {
        for (const XmlElement* f : formats->children_named("numFmt")) {
            const auto id = number_of(f->attribute("numFmtId"));
            const std::string* code = f->attribute("formatCode");
            if (!id || !code) return damaged("工作簿的样式里有写错的数字格式");
            codes[*id] = *code;
        }
    }
    CellStyles styles;
    if (const XmlElement* xfs = root.child("cellXfs")) {
        for (const XmlElement* xf : xfs->children_named("xf")) {
            const std::string* id_text = xf->attribute("numFmtId");
            const auto id = id_text ? number_of(id_text) : std::optional<int>(0);
            if (!id) return damaged("工作簿的样式里有写错的单元格格式");
            const auto code = codes.find(*id);
            styles.date_by_format.push_back(is_date_format(
                *id, code == codes.end() ? std::nullopt
                                         : std::optional<std::string_view>(code->second)));
        }
    }
    return styles;
}

}  // namespace formats::xlsx
