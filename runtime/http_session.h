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
    // Ends every request in flight without waiting for the network (each returns what it has,
    // usually no reply) and refuses every later one at once. May be called from any thread,
    // also while requests are blocked; the session stays a valid object.
    virtual void cancel_all() = 0;
};

}  // namespace runtime
