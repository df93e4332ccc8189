#pragma once
// A session over plain sockets: kept connections shared by its requests, and one signal that
// ends every wait of every request at once.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/headless/socket_http.h"
#include "runtime/headless/tcp_socket.h"
#include "runtime/http_session.h"

namespace runtime::headless {

// Idle connections kept open for the next request to the same server; at most `capacity`,
// the oldest closed first when more come back.
class ConnectionPool {
  public:
    explicit ConnectionPool(std::size_t capacity) : capacity_(capacity) {}

    // An idle connection to host:port that still looks usable, newest first.
    std::optional<TcpSocket> take(const std::string& host, std::uint16_t port);
    void put(const std::string& host, std::uint16_t port, TcpSocket socket);
    // Closes every idle connection and keeps none from now on.
    void close();

  private:
    struct Idle {
        std::string host;
        std::uint16_t port = 0;
        TcpSocket socket;
    };
    std::mutex mutex_;
    std::vector<Idle> idle_;
    std::size_t capacity_;
    bool closed_ = false;
};

class SocketHttpSession final : public HttpSession {
  public:
    explicit SocketHttpSession(HttpSessionOptions options);

    HttpReply fetch(std::string_view url) override;
    void cancel_all() override;

  private:
    HttpSessionOptions options_;
    CancelSignal cancel_;
    ConnectionPool pool_;
};

}  // namespace runtime::headless
