#include "formats/xml_writer.h"

#include "formats/utf8.h"

namespace formats {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool xml_char(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace

void append_escaped(std::string& out, std::string_view text, bool in_attribute) {
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        switch (c) {
            case '&':
                out += "&amp;";
                ++at;
                continue;
            case '<':
                out += "&lt;";
                ++at;
                continue;
            case '>':
                out += "&gt;";
                ++at;
                continue;
            case '"':
                out += in_attribute ? "&quot;" : "\"";
                ++at;
                continue;
            // A reader turns a raw CR into LF, and line ends or tabs in an attribute into
            // blanks; references keep them.
            case '\r':
                out += "&#13;";
                ++at;
                continue;
            case '\n':
            case '\t':
                if (in_attribute) {
                    out += c == '\n' ? "&#10;" : "&#9;";
                } else {
                    out += c;
                }
                ++at;
                continue;
            default:
                break;
        }
        const std::size_t start = at;
        const auto cp = utf8::next(text, at);
        if (!cp) {
            out += kReplacement;
            ++at;
        } else if (!xml_char(*cp)) {
            out += kReplacement;
        } else {
            out.append(text, start, at - start);
        }
    }
}

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") {}

void XmlWriter::end_start_tag() {
    if (in_start_tag_) {
        out_ += '>';
        in_start_tag_ = false;
    }
}

XmlWriter& XmlWriter::open(std::string_view name) {
    end_start_tag();
    out_ += '<';
    out_ += name;
    open_.emplace_back(name);
    in_start_tag_ = true;
    return *this;
}

XmlWriter& XmlWriter::attribute(std::string_view name, std::string_view value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    append_escaped(out_, value, true);
    out_ += '"';
    return *this;
}

XmlWriter& XmlWriter::text(std::string_view value) {
    end_start_tag();
    append_escaped(out_, value, false);
    return *this;
}

XmlWriter& XmlWriter::close() {
    if (open_.empty()) return *this;
    if (in_start_tag_) {
        out_ += "/>";
        in_start_tag_ = false;
    } else {
        out_ += "</";
        out_ += open_.back();
        out_ += '>';
    }
    open_.pop_back();
    return *this;
}

XmlWriter& XmlWriter::element(std::string_view name, std::string_view value) {
    open(name);
    if (!value.empty()) text(value);
    return close();
}

std::string XmlWriter::finish() {
    while (!open_.empty())
        close();
    return std::move(out_);
}

}  // namespace formats
