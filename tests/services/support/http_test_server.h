#pragma once
// A real HTTP server on 127.0.0.1 for the tests and benchmarks: it answers each request with
// a reply the test chose (status, body, Content-Length or none, delays, stalls, a connection
// closed without a word) and records every request it received.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

struct CannedReply {
    int status = 200;
    std::string body;
    // The Content-Length header: the body's size when unset, omitted when `omit_length`,
    // or this text as it stands (any number, true or not).
    std::optional<std::string> content_length;
    bool omit_length = false;
    std::string content_type = "image/gif";
    std::vector<std::pair<std::string, std::string>> headers;
    // Waited before anything is sent.
    std::chrono::milliseconds delay{0};
    // Close the connection having sent nothing at all.
    bool hang_up = false;
    // Send only this much of the body, then stall for `stall` and close.
    std::optional<std::size_t> send_only;
    std::chrono::milliseconds stall{0};
    // Keep the connection open this long after the whole reply, as a keep-alive server does.
    std::chrono::milliseconds hold_open{0};
};

class HttpTestServer {
  public:
    using Handler = std::function<CannedReply(std::string_view target)>;

    // Listens on an ephemeral port of 127.0.0.1 with `workers` connections served at once.
    explicit HttpTestServer(std::size_t workers = 32);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "127.0.0.1:PORT", a host for an address.
    std::string host() const;
    std::string url(std::string_view target) const;

    // The reply for one exact request target ("/path?query").
    void set_reply(std::string target, CannedReply reply);
    // The reply for every other target; without one, a 404 page.
    void set_handler(Handler handler);

    // Request targets in the order they arrived, and the whole request heads.
    std::vector<std::string> targets() const;
    std::vector<std::string> requests() const;
    std::size_t request_count() const;
    // The most requests that were waiting at one time for their first reply byte, and how
    // many wait now.
    std::size_t peak_in_flight() const;
    std::size_t in_flight() const;
    // Connections accepted since the last clear_record.
    std::size_t connection_count() const;
    void clear_record();

    // Whether a client that asks to keep its connection (HTTP/1.1, or "Connection:
    // keep-alive") may: then the reply says HTTP/1.1 and the next request may follow on the
    // same connection. On by default, as real servers do.
    void set_keep_alive(bool allowed);
    // Waited once on every new connection before its first request is read: what setting up
    // a connection costs on a real network (a round trip), which a kept connection saves.
    void set_connection_delay(std::chrono::milliseconds delay);

  private:
    void accept_loop();
    void worker_loop();
    void serve(int fd);
    // Answers one request; true when the connection may carry another.
    bool answer(int fd, const std::string& head);
    // The next request head on the connection; empty when the client closed or sent none in
    // time, or the server stops.
    std::string read_head(int fd);
    CannedReply reply_for(const std::string& target);
    // Waits `span` unless the server stops first; false when it stopped.
    bool pause(std::chrono::milliseconds span);
    // Waits `span` before a reply unless the server stops or the client hangs up first (a
    // client that gave up no longer has a request in flight); false when either happened.
    bool delay_reply(int fd, std::chrono::milliseconds span);

    int listen_fd_ = -1;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::deque<int> pending_;
    std::map<std::string, CannedReply> replies_;
    Handler handler_;
    std::vector<std::string> targets_;
    std::vector<std::string> requests_;
    std::size_t in_flight_ = 0;
    std::size_t peak_in_flight_ = 0;
    std::size_t connections_ = 0;
    bool keep_alive_ = true;
    std::chrono::milliseconds connection_delay_{0};
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

// A port of 127.0.0.1 where nothing listens, so connecting is refused.
std::uint16_t refusing_port();

// A listener that never accepts and whose queue is full, so a connection attempt hangs until
// the client gives up.
class FullListener {
  public:
    FullListener();
    ~FullListener();
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;
    std::uint16_t port() const { return port_; }

  private:
    int listen_fd_ = -1;
    int filler_fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace testsupport
