#pragma once
// An HTTP reply with what its status line said, for callers that must tell a real answer from
// an error page or from no answer at all.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/http.h"

namespace runtime {

struct HttpReply {
    // The status code of the final reply; 0 when no reply arrived (refused, timed out,
    // unreachable, malformed).
    int status = 0;
    // Everything received of the body, also when reading stopped midway.
    std::vector<std::uint8_t> body;
    // The size of the buffer each read used; 0 when no read was made.
    std::size_t read_buffer = 0;

    bool succeeded() const { return status >= 200 && status <= 299; }
};

// Waits of one request. Short, so that a dead service cannot hold the window for minutes.
struct HttpTimeouts {
    std::chrono::milliseconds connect{5000};
    std::chrono::milliseconds receive{5000};
};

struct HttpSessionOptions;
class HttpSession;

// An adapter that can tell the status as well as the body.
class HttpReplyAdapter : public HttpAdapter {
  public:
    // May be called from several threads at once.
    virtual HttpReply fetch(std::string_view url) = 0;
    std::vector<std::uint8_t> get(std::string_view url) final { return fetch(url).body; }
    // A session of its own for many requests to one service (runtime/http_session.h); none
    // when the adapter cannot open one.
    virtual std::shared_ptr<HttpSession> open_session(const HttpSessionOptions& options) = 0;
};

// The read buffer for a reply announcing `content_length` (the header's text, none when the
// reply has no such header): the announced size plus one, at most 102400 bytes, so that a
// small reply arrives in one read; 10240 bytes when the length is missing, not a number or
// not above zero.
std::size_t read_buffer_size(std::optional<std::string_view> content_length);

// The announced length as a number, read like C's atol: blanks, an optional sign, digits;
// nothing readable gives 0. Saturates instead of overflowing.
long long content_length_value(std::string_view text);

}  // namespace runtime
