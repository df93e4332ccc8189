#pragma once
// A text most customers leave empty (why the shop gave one up, its tags): one pointer while
// empty, where a string takes four words. A hundred thousand customers keep two of them.
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace store {

class RareText {
  public:
    RareText() = default;
    RareText(std::string text)
        : text_(text.empty() ? nullptr : std::make_unique<std::string>(std::move(text))) {}
    RareText(const char* text) : RareText(std::string(text)) {}
    RareText(const RareText& other) : RareText(other.str()) {}
    RareText(RareText&&) noexcept = default;
    RareText& operator=(const RareText& other) { return *this = RareText(other); }
    RareText& operator=(RareText&&) noexcept = default;

    const std::string& str() const {
        static const std::string none;
        return text_ ? *text_ : none;
    }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }
    bool empty() const { return !text_ || text_->empty(); }
    std::size_t size() const { return text_ ? text_->size() : 0; }
    void clear() { text_.reset(); }
    RareText& operator+=(std::string_view more) {
        if (!more.empty()) *this = str() + std::string(more);
        return *this;
    }

    friend bool operator==(const RareText& a, const RareText& b) { return a.str() == b.str(); }
    friend bool operator==(const RareText& a, std::string_view b) { return a.str() == b; }
    friend bool operator==(const RareText& a, const char* b) { return a.str() == b; }
    friend std::string operator+(const RareText& a, std::string_view b) {
        return a.str() + std::string(b);
    }
    friend std::string operator+(std::string_view a, const RareText& b) {
        return std::string(a) + b.str();
    }
    friend std::string operator+(const char* a, const RareText& b) { return a + b.str(); }
    friend std::string operator+(const std::string& a, const RareText& b) { return a + b.str(); }
    friend std::ostream& operator<<(std::ostream& out, const RareText& t) { return out << t.str(); }

  private:
    std::unique_ptr<std::string> text_;
};

}  // namespace store
