#include "formats/ooxml_text.h"
#include "formats/read_limits.h"
#include "formats/xlsx_parts.h"
#include "formats/xml_reader.h"

namespace formats::xlsx {

Result<SharedStrings> read_shared_strings(std::string_view xml, std::size_t max_strings) {
    XmlReader reader(xml);
    SharedStrings strings;
    std::string current;
    bool in_item = false, in_text = false;
    int phonetic = 0;  // depth inside <rPh>, whose text is a reading aid, not the value
    for (;;) {
        JET_ASSIGN(const XmlEvent event, reader.next());
        if (event == XmlEvent::done) break;
        if (event == XmlEvent::text) {
            if (in_text) current += reader.text();
            continue;
        }
        const std::string_view name = local_name(reader.name());
        if (event == XmlEvent::start) {
            if (reader.depth() == 1 && name != "sst")
                return damaged("工作簿的共享文字部分不是共享文字表");
            if (reader.depth() == 2 && name == "si") {
                in_item = true;
                current.clear();
            } else if (in_item && name == "rPh") {
                ++phonetic;
            } else if (in_item && name == "t" && phonetic == 0) {
                in_text = true;
            }
        } else {
            if (name == "t") {
                in_text = false;
            } else if (name == "rPh") {
                --phonetic;
            } else if (name == "si" && reader.depth() == 1) {
                if (strings.size() >= max_strings) return over_cells(max_strings);
                strings.push_back(ooxml_unescape(current));
                in_item = false;
            }
        }
    }
    return strings;
}

}  // namespace formats::xlsx
