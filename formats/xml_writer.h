#pragma once
// Writes XML text with everything escaped. Characters XML cannot hold at all (most control
// characters, broken UTF-8) become U+FFFD; callers that must keep them escape them first.
#include <string>
#include <string_view>
#include <vector>

namespace formats {

class XmlWriter {
  public:
    // Starts the document with <?xml version="1.0" encoding="UTF-8" standalone="yes"?>.
    XmlWriter();

    // Opens an element; attributes may follow until content or the next element.
    XmlWriter& open(std::string_view name);
    XmlWriter& attribute(std::string_view name, std::string_view value);
    XmlWriter& text(std::string_view value);
    // Closes the innermost element, as <a/> when it got no content.
    XmlWriter& close();
    // An element holding only text, or nothing.
    XmlWriter& element(std::string_view name, std::string_view value);

    // The document; every element still open is closed.
    std::string finish();

  private:
    void end_start_tag();
    std::string out_;
    std::vector<std::string> open_;
    bool in_start_tag_ = false;
};

// The text escaped for character data or an attribute value in double quotes.
void append_escaped(std::string& out, std::string_view text, bool in_attribute);

}  // namespace formats
