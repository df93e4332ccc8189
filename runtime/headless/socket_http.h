#pragma once
// HTTP GETs over plain sockets for the native build: the WinInet adapter's rules (the
// fragment dropped, nothing escaped, the read buffer sized from the announced length,
// whatever arrived kept when a read fails) with bounded waits. https is not spoken here: such
// an address gives no reply.
#include <memory>
#include <string_view>

#include "runtime/http_reply.h"
#include "runtime/http_session.h"

namespace runtime::headless {

class CancelSignal;
class ConnectionPool;

// How one fetch gets and leaves its connection.
struct SocketFetchRules {
    HttpTimeouts timeouts;
    // None: a connection of its own, asked with HTTP/1.0 and closed after the reply. Given:
    // HTTP/1.1, a kept connection of the pool when there is one, and the connection handed
    // back when the server keeps it open and the reply ended where its framing said.
    ConnectionPool* pool = nullptr;
    // Every wait ends when it fires.
    const CancelSignal* cancel = nullptr;
};

HttpReply socket_fetch(std::string_view url, const SocketFetchRules& rules);

class SocketHttp final : public HttpReplyAdapter {
  public:
    explicit SocketHttp(HttpTimeouts timeouts = {}) : timeouts_(timeouts) {}

    // One connection per request, HTTP/1.0.
    HttpReply fetch(std::string_view url) override;
    std::shared_ptr<HttpSession> open_session(const HttpSessionOptions& options) override;

  private:
    HttpTimeouts timeouts_;
};

}  // namespace runtime::headless
