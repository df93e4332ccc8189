#pragma once
// The status line and the headers of an HTTP reply, as far as the client needs them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace runtime::headless {

struct HttpHead {
    int status = 0;
    std::optional<std::string> content_length;  // the header's text as sent
    std::optional<std::string> location;
};

// Where the head ends in what has arrived so far: one past its blank line, none while the
// blank line has not arrived.
std::optional<std::size_t> head_end(std::string_view received);

// None when the text does not start with an "HTTP/x.y NNN" status line.
std::optional<HttpHead> parse_head(std::string_view head);

}  // namespace runtime::headless
