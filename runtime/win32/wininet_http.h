#pragma once
// One-shot GETs over WinInet. One session, opened by the first request and kept for the
// program's life; every request has its own connection and request handles. Connect and
// receive waits are bounded (WinInet's own defaults are minutes).
#include <mutex>
#include <string_view>

#include "runtime/http_reply.h"
#include "runtime/win32/internet_handle.h"

namespace runtime::win32 {

class WinInetHttp final : public HttpReplyAdapter {
  public:
    explicit WinInetHttp(HttpTimeouts timeouts = {}) : timeouts_(timeouts) {}

    HttpReply fetch(std::string_view url) override;

  private:
    // The session, opened on first use; null when WinInet would not open one.
    void* session();

    HttpTimeouts timeouts_;
    std::mutex session_mutex_;
    InternetHandle session_;
};

}  // namespace runtime::win32
