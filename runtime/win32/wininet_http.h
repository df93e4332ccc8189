#pragma once
// GETs over WinInet. The adapter keeps one session, opened by the first request and kept for
// the program's life; every request has its own connection and request handles and asks with
// HTTP/1.0. Connect and receive waits are bounded (WinInet's own defaults are minutes).
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "runtime/http_reply.h"
#include "runtime/http_session.h"
#include "runtime/win32/internet_handle.h"

namespace runtime::win32 {

class WinInetHttp final : public HttpReplyAdapter {
  public:
    explicit WinInetHttp(HttpTimeouts timeouts = {}) : timeouts_(timeouts) {}

    HttpReply fetch(std::string_view url) override;
    std::shared_ptr<HttpSession> open_session(const HttpSessionOptions& options) override;

  private:
    // The session, opened on first use; null when WinInet would not open one.
    void* session();

    HttpTimeouts timeouts_;
    std::mutex session_mutex_;
    InternetHandle session_;
};

// A WinInet session of its own: with reuse its requests ask with HTTP/1.1 and keep-alive, so
// that WinInet's own pool carries them over kept connections. Every handle it opens is known
// to it, so that cancel_all can close them all: a closed handle makes a blocked call return.
class WinInetSession final : public HttpSession {
  public:
    explicit WinInetSession(HttpSessionOptions options) : options_(options) {}
    ~WinInetSession() override;
    WinInetSession(const WinInetSession&) = delete;
    WinInetSession& operator=(const WinInetSession&) = delete;

    HttpReply fetch(std::string_view url) override;
    void cancel_all() override;

    // For the requests: takes a handle just opened into the session's keeping; false (and
    // the handle closed) once the session is cancelled.
    bool adopt(void* handle);
    // Closes a handle the session keeps; nothing when cancel_all closed it already.
    void release(void* handle);
    bool cancelled() const;

  private:
    void* session();

    HttpSessionOptions options_;
    mutable std::mutex mutex_;
    void* session_ = nullptr;
    std::vector<void*> open_;
    bool cancelled_ = false;
};

}  // namespace runtime::win32
