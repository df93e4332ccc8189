#pragma once
// A small, strict XML 1.0 reader for the parts of a workbook: elements, attributes, text and
// CDATA, the five predefined entities and character references, the XML declaration, comments
// and processing instructions. No DTDs: a document type declaration is refused, so no entity
// can expand. Namespace prefixes stay part of the names; local_name() drops them.
//
// It reads one event at a time, so a large worksheet never has to be held as a tree.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "formats/format_error.h"

namespace formats {

struct XmlAttribute {
    std::string_view name;
    std::string value;  // entities and character references resolved
};

enum class XmlEvent { start, end, text, done };

class XmlReader {
  public:
    static constexpr std::size_t kDefaultMaxDepth = 256;

    // The document must outlive the reader; names point into it.
    explicit XmlReader(std::string_view document, std::size_t max_depth = kDefaultMaxDepth);

    // The next event. `start` and `end` come in pairs, an empty element gives both; `text` is
    // character data between tags (CDATA included), never outside the root; `done` follows
    // the root's end. A fault gives an error, and every later call the same error.
    Result<XmlEvent> next();

    // The element's name, for `start` and `end`.
    std::string_view name() const { return name_; }
    // The attributes of a `start`.
    const std::vector<XmlAttribute>& attributes() const { return attributes_; }
    // The value of the attribute with this exact name; nullptr when it is absent.
    const std::string* attribute(std::string_view name) const;
    // The character data of a `text`.
    const std::string& text() const { return text_; }
    // Elements open around the current position; 1 inside the root.
    std::size_t depth() const { return stack_.size(); }

  private:
    Error fault(std::string what);
    Status read_declaration();
    Status skip_misc(bool& found_element);
    Result<XmlEvent> read_start();
    Result<XmlEvent> read_end();
    Result<XmlEvent> read_text();
    Result<XmlEvent> read_cdata();
    Status skip_comment();
    Status skip_processing_instruction();
    Result<std::string_view> read_name();
    Status read_attribute_value(std::string& out);
    Status append_reference(std::string& out);
    void skip_blanks();
    std::size_t line_at(std::size_t at) const;

    std::string_view doc_;
    std::size_t at_ = 0;
    std::size_t max_depth_;
    bool started_ = false;
    bool root_done_ = false;
    bool pending_end_ = false;
    bool failed_ = false;
    Error error_{Errc::corrupt, {}};
    std::vector<std::string_view> stack_;
    std::string_view name_;
    std::vector<XmlAttribute> attributes_;
    std::unordered_set<std::string_view> names_;  // of a start with many attributes
    std::string text_;
};

// The name without its namespace prefix: "x:row" gives "row".
std::string_view local_name(std::string_view name);

}  // namespace formats
