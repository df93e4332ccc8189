#include "formats/xml_reader.h"

#include <algorithm>

#include "formats/utf8.h"

namespace formats {

namespace {

constexpr std::size_t kDirectCompare = 8;

bool blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool name_start(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || u >= 0x80;
}

bool name_char(char c) {
    return name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool xml_char(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The offset of the first byte that is not well-formed UTF-8 or not an XML character.
std::size_t first_bad_char(std::string_view doc) {
    for (std::size_t at = 0; at < doc.size();) {
        const auto c = static_cast<unsigned char>(doc[at]);
        if (c >= 0x20 && c < 0x80) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        const auto cp = utf8::next(doc, at);
        if (!cp || !xml_char(*cp)) return start;
    }
    return std::string_view::npos;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto low = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
               };
               return low(x) == low(y);
           });
}

}  // namespace

std::string_view local_name(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

XmlReader::XmlReader(std::string_view document, std::size_t max_depth)
    : doc_(document), max_depth_(max_depth) {}

const std::string* XmlReader::attribute(std::string_view name) const {
    for (const auto& a : attributes_)
        if (a.name == name) return &a.value;
    return nullptr;
}

std::size_t XmlReader::line_at(std::size_t at) const {
    return 1 + static_cast<std::size_t>(std::count(
                   doc_.begin(),
                   doc_.begin() + static_cast<std::ptrdiff_t>(std::min(at, doc_.size())), '\n'));
}

Error XmlReader::fault(std::string what) {
    if (!failed_) {
        failed_ = true;
        error_ = damaged("XML 第" + std::to_string(line_at(at_)) + "行：" + std::move(what));
    }
    return error_;
}

void XmlReader::skip_blanks() {
    while (at_ < doc_.size() && blank(doc_[at_]))
        ++at_;
}

Status XmlReader::read_declaration() {
    if (doc_.starts_with("\xEF\xBB\xBF")) doc_.remove_prefix(3);
    if (doc_.starts_with("\xFF\xFE") || doc_.starts_with("\xFE\xFF")) {
        failed_ = true;
        error_ = unsupported("XML 文档是 UTF-16 编码的，只支持 UTF-8");
        return error_;
    }
    if (const std::size_t bad = first_bad_char(doc_); bad != std::string_view::npos) {
        at_ = bad;
        return fault("含有不合法的字符或字节");
    }
    if (!doc_.starts_with("<?xml") || doc_.size() < 6 || !(blank(doc_[5]) || doc_[5] == '?'))
        return {};
    const std::size_t close = doc_.find("?>");
    if (close == std::string_view::npos) return fault("XML 声明没有结束");
    at_ = 5;
    bool first = true;
    for (;;) {
        skip_blanks();
        if (at_ == close) break;
        JET_ASSIGN(const std::string_view key, read_name());
        skip_blanks();
        if (at_ >= close || doc_[at_] != '=') return fault("XML 声明写得不对");
        ++at_;
        skip_blanks();
        std::string value;
        JET_TRY(read_attribute_value(value));
        if (at_ > close + 2) return fault("XML 声明写得不对");
        if (first && key != "version") return fault("XML 声明缺少版本");
        first = false;
        if (key == "encoding" && !same_ignoring_case(value, "UTF-8") &&
            !same_ignoring_case(value, "UTF8")) {
            failed_ = true;
            error_ = unsupported("XML 文档的编码是 " + value + "，只支持 UTF-8");
            return error_;
        }
    }
    at_ = close + 2;
    return {};
}

Status XmlReader::skip_comment() {
    const std::size_t close = doc_.find("-->", at_ + 4);
    if (close == std::string_view::npos) return fault("注释没有结束");
    at_ = close + 3;
    return {};
}

Status XmlReader::skip_processing_instruction() {
    const std::size_t start = at_;
    at_ += 2;
    JET_ASSIGN(const std::string_view target, read_name());
    if (same_ignoring_case(target, "xml")) {
        at_ = start;
        return fault("XML 声明只能在文档开头");
    }
    const std::size_t close = doc_.find("?>", at_);
    if (close == std::string_view::npos) return fault("处理指令没有结束");
    at_ = close + 2;
    return {};
}

Status XmlReader::skip_misc(bool& found_element) {
    found_element = false;
    for (;;) {
        skip_blanks();
        if (at_ >= doc_.size()) return {};
        const std::string_view rest = doc_.substr(at_);
        if (rest.starts_with("<!--")) {
            JET_TRY(skip_comment());
        } else if (rest.starts_with("<?")) {
            JET_TRY(skip_processing_instruction());
        } else if (rest.starts_with("<!DOCTYPE")) {
            failed_ = true;
            error_ = unsupported("XML 文档带有文档类型声明（DOCTYPE），为安全起见不予读取");
            return error_;
        } else if (rest.size() > 1 && rest[0] == '<' && name_start(rest[1])) {
            found_element = true;
            return {};
        } else {
            return fault("根元素之外有不该有的内容");
        }
    }
}

Result<std::string_view> XmlReader::read_name() {
    const std::size_t start = at_;
    if (at_ >= doc_.size() || !name_start(doc_[at_])) return fault("这里应该是一个名字");
    while (at_ < doc_.size() && name_char(doc_[at_]))
        ++at_;
    return doc_.substr(start, at_ - start);
}

Status XmlReader::append_reference(std::string& out) {
    const std::size_t semicolon = doc_.find(';', at_);
    // The longest reference is a character reference of a few digits.
    if (semicolon == std::string_view::npos || semicolon - at_ > 12)
        return fault("“&”后面不是实体引用");
    const std::string_view ref = doc_.substr(at_ + 1, semicolon - at_ - 1);
    if (ref == "lt") {
        out += '<';
    } else if (ref == "gt") {
        out += '>';
    } else if (ref == "amp") {
        out += '&';
    } else if (ref == "quot") {
        out += '"';
    } else if (ref == "apos") {
        out += '\'';
    } else if (ref.size() > 1 && ref[0] == '#') {
        const bool hex = ref[1] == 'x';
        const std::string_view digits = ref.substr(hex ? 2 : 1);
        if (digits.empty()) return fault("字符引用“&" + std::string(ref) + ";”不对");
        std::uint32_t value = 0;
        for (char c : digits) {
            unsigned d;
            if (c >= '0' && c <= '9') {
                d = static_cast<unsigned>(c - '0');
            } else if (hex && c >= 'a' && c <= 'f') {
                d = static_cast<unsigned>(c - 'a' + 10);
            } else if (hex && c >= 'A' && c <= 'F') {
                d = static_cast<unsigned>(c - 'A' + 10);
            } else {
                return fault("字符引用“&" + std::string(ref) + ";”不对");
            }
            value = value * (hex ? 16u : 10u) + d;
            if (value > 0x10FFFF) return fault("字符引用“&" + std::string(ref) + ";”超出范围");
        }
        if (!xml_char(value)) return fault("字符引用“&" + std::string(ref) + ";”不是合法字符");
        utf8::append(out, value);
    } else {
        return fault("未知的实体“&" + std::string(ref) + ";”");
    }
    at_ = semicolon + 1;
    return {};
}

Status XmlReader::read_attribute_value(std::string& out) {
    if (at_ >= doc_.size() || (doc_[at_] != '"' && doc_[at_] != '\''))
        return fault("属性值要放在引号里");
    const char quote = doc_[at_++];
    for (;;) {
        if (at_ >= doc_.size()) return fault("属性值没有结束");
        const char c = doc_[at_];
        if (c == quote) {
            ++at_;
            return {};
        }
        if (c == '<') return fault("属性值里不能有“<”");
        if (c == '&') {
            JET_TRY(append_reference(out));
            continue;
        }
        // Line ends and tabs in an attribute read as blanks; CR LF is one of them.
        if (c == '\r' && at_ + 1 < doc_.size() && doc_[at_ + 1] == '\n') ++at_;
        out += blank(c) ? ' ' : c;
        ++at_;
    }
}

Result<XmlEvent> XmlReader::read_start() {
    if (stack_.size() >= max_depth_) return fault("元素嵌套太深");
    ++at_;
    JET_ASSIGN(name_, read_name());
    attributes_.clear();
    for (;;) {
        const std::size_t before = at_;
        skip_blanks();
        if (at_ >= doc_.size()) return fault("标签<" + std::string(name_) + ">没有结束");
        if (doc_[at_] == '>') {
            ++at_;
            break;
        }
        if (doc_.substr(at_).starts_with("/>")) {
            at_ += 2;
            pending_end_ = true;
            break;
        }
        if (at_ == before) return fault("属性之间要有空白");
        JET_ASSIGN(const std::string_view key, read_name());
        skip_blanks();
        if (at_ >= doc_.size() || doc_[at_] != '=') return fault("属性后面缺少“=”");
        ++at_;
        skip_blanks();
        // A few attributes are compared directly; past that a set keeps the check linear, so
        // an element with a hundred thousand attributes costs what its bytes cost.
        bool repeated = false;
        if (attributes_.size() < kDirectCompare) {
            for (const auto& a : attributes_)
                repeated = repeated || a.name == key;
        } else {
            if (attributes_.size() == kDirectCompare) {
                names_.clear();
                for (const auto& a : attributes_)
                    names_.insert(a.name);
            }
            repeated = !names_.insert(key).second;
        }
        if (repeated) return fault("属性" + std::string(key) + "出现了两次");
        attributes_.push_back({key, {}});
        JET_TRY(read_attribute_value(attributes_.back().value));
    }
    stack_.push_back(name_);
    return XmlEvent::start;
}

Result<XmlEvent> XmlReader::read_end() {
    at_ += 2;
    JET_ASSIGN(name_, read_name());
    skip_blanks();
    if (at_ >= doc_.size() || doc_[at_] != '>') return fault("结束标签没有结束");
    ++at_;
    if (name_ != stack_.back())
        return fault("结束标签</" + std::string(name_) + ">和开始标签<" +
                     std::string(stack_.back()) + ">不配对");
    stack_.pop_back();
    if (stack_.empty()) root_done_ = true;
    return XmlEvent::end;
}

Result<XmlEvent> XmlReader::read_text() {
    text_.clear();
    while (at_ < doc_.size() && doc_[at_] != '<') {
        const char c = doc_[at_];
        if (c == '&') {
            JET_TRY(append_reference(text_));
            continue;
        }
        if (c == '\r') {
            // CR LF and a lone CR both read as one line feed.
            text_ += '\n';
            ++at_;
            if (at_ < doc_.size() && doc_[at_] == '\n') ++at_;
            continue;
        }
        text_ += c;
        ++at_;
    }
    return XmlEvent::text;
}

Result<XmlEvent> XmlReader::read_cdata() {
    const std::size_t start = at_ + 9;
    const std::size_t close = doc_.find("]]>", start);
    if (close == std::string_view::npos) return fault("CDATA 段没有结束");
    text_.clear();
    for (std::size_t i = start; i < close; ++i) {
        if (doc_[i] == '\r') {
            text_ += '\n';
            if (i + 1 < close && doc_[i + 1] == '\n') ++i;
        } else {
            text_ += doc_[i];
        }
    }
    at_ = close + 3;
    return XmlEvent::text;
}

Result<XmlEvent> XmlReader::next() {
    if (failed_) return error_;
    if (!started_) {
        started_ = true;
        JET_TRY(read_declaration());
        bool found = false;
        JET_TRY(skip_misc(found));
        if (!found) return fault("文档里没有根元素");
        return read_start();
    }
    if (pending_end_) {
        pending_end_ = false;
        name_ = stack_.back();
        stack_.pop_back();
        if (stack_.empty()) root_done_ = true;
        return XmlEvent::end;
    }
    if (root_done_) {
        bool found = false;
        JET_TRY(skip_misc(found));
        if (found) return fault("文档有不止一个根元素");
        return XmlEvent::done;
    }
    for (;;) {
        if (at_ >= doc_.size())
            return fault("文档不完整：<" + std::string(stack_.back()) + ">没有结束");
        const std::string_view rest = doc_.substr(at_);
        if (rest[0] != '<') return read_text();
        if (rest.starts_with("</")) return read_end();
        if (rest.starts_with("<!--")) {
            JET_TRY(skip_comment());
            continue;
        }
        if (rest.starts_with("<![CDATA[")) return read_cdata();
        if (rest.starts_with("<?")) {
            JET_TRY(skip_processing_instruction());
            continue;
        }
        if (rest.starts_with("<!")) {
            if (rest.starts_with("<!DOCTYPE")) {
                failed_ = true;
                error_ = unsupported("XML 文档带有文档类型声明（DOCTYPE），为安全起见不予读取");
                return error_;
            }
            return fault("不认识的标记");
        }
        return read_start();
    }
}

}  // namespace formats
