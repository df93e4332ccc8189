#include "runtime/http_reply.h"

#include <limits>

namespace runtime {

namespace {

constexpr std::size_t kUnknownLengthBuffer = 10240;
constexpr std::size_t kLargestBuffer = 102400;

}  // namespace

long long content_length_value(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr long long kMax = std::numeric_limits<long long>::max();
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::size_t read_buffer_size(std::optional<std::string_view> content_length) {
    if (!content_length) return kUnknownLengthBuffer;
    const long long n = content_length_value(*content_length);
    if (n <= 0) return kUnknownLengthBuffer;
    if (n >= static_cast<long long>(kLargestBuffer)) return kLargestBuffer;
    return static_cast<std::size_t>(n) + 1;
}

}  // namespace runtime
