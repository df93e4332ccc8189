#pragma once
// HTTP/1.0 GETs over plain sockets for the native build: the WinInet adapter's rules (the
// fragment dropped, nothing escaped, the read buffer sized from the announced length,
// whatever arrived kept when a read fails) with bounded waits. https is not spoken here: such
// an address gives no reply.
#include <string_view>

#include "runtime/http_reply.h"

namespace runtime::headless {

class SocketHttp final : public HttpReplyAdapter {
  public:
    explicit SocketHttp(HttpTimeouts timeouts = {}) : timeouts_(timeouts) {}

    HttpReply fetch(std::string_view url) override;

  private:
    HttpTimeouts timeouts_;
};

}  // namespace runtime::headless
