#pragma once
// A whole small XML document as a tree, for the short parts of a workbook (relationships, the
// workbook, the styles). Large parts are read event by event with XmlReader.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/format_error.h"
#include "formats/xml_reader.h"

namespace formats {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlElement> children;
    std::string text;  // the element's own character data, joined

    // The value of the attribute with this name; nullptr when absent. A name without a
    // prefix matches only an attribute without one; "*:id" matches "id" under any prefix.
    const std::string* attribute(std::string_view attribute_name) const;
    // The first child whose local name (prefix dropped) is this; nullptr when none.
    const XmlElement* child(std::string_view local) const;
    // Every child with this local name, in order.
    std::vector<const XmlElement*> children_named(std::string_view local) const;
};

// Parses a whole document; a document over `max_elements` elements is refused.
Result<XmlElement> parse_xml(std::string_view document, std::size_t max_elements = 1'000'000);

}  // namespace formats
