#include "formats/xml_document.h"

#include "formats/xml_reader.h"

namespace formats {

const std::string* XmlElement::attribute(std::string_view attribute_name) const {
    const bool any_prefix = attribute_name.starts_with("*:");
    const std::string_view wanted = any_prefix ? attribute_name.substr(2) : attribute_name;
    for (const auto& [key, value] : attributes) {
        if (any_prefix ? key.find(':') != std::string::npos && local_name(key) == wanted
                       : key == wanted)
            return &value;
    }
    return nullptr;
}

const XmlElement* XmlElement::child(std::string_view local) const {
    for (const auto& c : children)
        if (local_name(c.name) == local) return &c;
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::children_named(std::string_view local) const {
    std::vector<const XmlElement*> found;
    for (const auto& c : children)
        if (local_name(c.name) == local) found.push_back(&c);
    return found;
}

Result<XmlElement> parse_xml(std::string_view document, std::size_t max_elements) {
    XmlReader reader(document);
    XmlElement root;
    // The path of open elements, as pointers into their parents' children.
    std::vector<XmlElement*> open;
    std::size_t count = 0;
    for (;;) {
        JET_ASSIGN(const XmlEvent event, reader.next());
        switch (event) {
            case XmlEvent::start: {
                if (++count > max_elements) return too_large("XML 文档的元素太多");
                XmlElement* element = &root;
                if (!open.empty()) element = &open.back()->children.emplace_back();
                element->name = std::string(reader.name());
                for (const auto& a : reader.attributes())
                    element->attributes.emplace_back(std::string(a.name), a.value);
                open.push_back(element);
                break;
            }
            case XmlEvent::end:
                open.pop_back();
                break;
            case XmlEvent::text:
                open.back()->text += reader.text();
                break;
            case XmlEvent::done:
                return root;
        }
    }
}

}  // namespace formats
