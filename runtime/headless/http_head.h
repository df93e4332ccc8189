#pragma once
// The status line and the headers of an HTTP reply, as far as the client needs them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace runtime::headless {

struct HttpHead {
    int status = 0;
    bool http11 = false;                        // the status line said HTTP/1.1 or later
    std::optional<std::string> content_length;  // the header's text as sent
    std::optional<std::string> location;
    bool chunked = false;                   // Transfer-Encoding ends in "chunked"
    std::optional<std::string> connection;  // the Connection header, lower case

    // Whether the server keeps the connection open after this reply: HTTP/1.1 unless it said
    // "close", HTTP/1.0 only when it said "keep-alive".
    bool keeps_connection() const;
};

// Where the head ends in what has arrived so far: one past its blank line, none while the
// blank line has not arrived.
std::optional<std::size_t> head_end(std::string_view received);

// None when the text does not start with an "HTTP/x.y NNN" status line.
std::optional<HttpHead> parse_head(std::string_view head);

}  // namespace runtime::headless
