#include "services/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace services {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Where the number's digits and exponent lie inside the text.
struct NumberSpan {
    std::size_t begin = 0;         // first digit or "."
    std::size_t end = 0;           // one past the number
    std::size_t int_end = 0;       // one past the integer digits
    std::size_t mantissa_end = 0;  // one past the fraction digits
    bool found = false;
};

NumberSpan find_number(std::string_view text, std::size_t at) {
    NumberSpan span;
    span.begin = at;
    std::size_t i = at;
    while (i < text.size() && is_digit(text[i]))
        ++i;
    span.int_end = i;
    const bool has_int = i > at;
    bool has_fraction = false;
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        while (j < text.size() && is_digit(text[j]))
            ++j;
        has_fraction = j > i + 1;
        // A lone "." is no number, but "2." is.
        if (has_int || has_fraction) i = j;
    }
    if (!has_int && !has_fraction) return span;
    span.mantissa_end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && is_digit(text[j])) {
            while (j < text.size() && is_digit(text[j]))
                ++j;
            i = j;
        }
    }
    span.end = i;
    span.found = true;
    return span;
}

// The power of ten of the leading digit; used only to tell overflow from
// underflow, so it saturates instead of growing without bound.
long decimal_magnitude(std::string_view text, const NumberSpan& span) {
    constexpr long kSaturate = 1'000'000;
    long exponent = 0;
    if (span.mantissa_end < span.end) {
        std::size_t i = span.mantissa_end + 1;
        bool negative = false;
        if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
        for (; i < span.end; ++i) {
            if (exponent < kSaturate) exponent = exponent * 10 + (text[i] - '0');
        }
        if (negative) exponent = -exponent;
    }
    long position = 0;  // of the first non-zero digit, 0 = the units
    bool seen = false;
    for (std::size_t i = span.begin; i < span.int_end; ++i) {
        if (seen) {
            if (position < kSaturate) ++position;
        } else if (text[i] != '0') {
            seen = true;
        }
    }
    if (!seen) {
        for (std::size_t i = span.int_end + 1; i < span.mantissa_end; ++i) {
            if (position > -kSaturate) --position;
            if (text[i] != '0') break;
        }
    }
    return position + exponent;
}

}  // namespace

double text_to_number(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    const NumberSpan span = find_number(text, i);
    if (!span.found) return 0.0;

    double value = 0.0;
    const char* first = text.data() + span.begin;
    const char* last = text.data() + span.end;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        value = decimal_magnitude(text, span) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{} || end != last) {
        // The span is checked to be a number; this cannot happen.
        return 0.0;
    }
    return negative ? -value : value;
}

std::int32_t to_integer(double value) {
    constexpr double kAboveMax = 2147483648.0;   // 2^31
    constexpr double kBelowMin = -2147483649.0;  // -2^31 - 1
    if (std::isnan(value)) return 0;
    if (value >= kAboveMax) return std::numeric_limits<std::int32_t>::max();
    if (value <= kBelowMin) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);  // truncates toward zero
}

}  // namespace services
