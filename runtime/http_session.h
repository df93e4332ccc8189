#pragma once
// A set of GETs that belong together (the online statuses of the list): they may share
// connections, and all of them can be stopped at once when the program closes.
#include <string_view>

#include "runtime/http_reply.h"

namespace runtime {

struct HttpSessionOptions {
    // Keep connections open between requests to the same server (HTTP/1.1 keep-alive)
    // instead of one connection per request.
    bool reuse_connections = true;
    HttpTimeouts timeouts;
};

class HttpSession {
  public:
    virtual ~HttpSession() = default;
    // The reply to a GET of `url`, under the same rules as HttpReplyAdapter::fetch. May be
    // called from several threads at once.
    virtual HttpReply fetch(std::string_view url) = 0;
    // Refuses every later request at once and ends those in flight as far as the platform
    // allows: each returns what it has, usually no reply. Sockets end their waits at once;
    // Windows aborts a blocked WinInet call when its handles close, Wine lets it run to its
    // time limit, so a caller that is closing must not wait for requests in flight. May be
    // called from any thread, also while requests are blocked; returns without waiting.
    virtual void cancel_all() = 0;
};

}  // namespace runtime
