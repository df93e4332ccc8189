#pragma once
// A TCP relay on 127.0.0.1 in front of a server, for tests: every connection made to it is
// passed through to the server until cut() drops them all at once, as a broken network would.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

class TcpProxy {
  public:
    explicit TcpProxy(int target_port);
    ~TcpProxy();
    TcpProxy(const TcpProxy&) = delete;
    TcpProxy& operator=(const TcpProxy&) = delete;

    int port() const { return port_; }
    // Drops every connection passing through now; new ones are relayed again.
    void cut();
    // The server is away: every connection is dropped and new ones are closed at once, until
    // it is back.
    void set_away(bool away);
    // How many connections it has relayed so far.
    int connections() const { return accepted_; }

    // What happens, once, to the next piece a client sends that holds some text: every
    // connection is dropped before it reaches the server, or right after it did (its answer
    // lost), or it never reaches the server and the client gets a PostgreSQL error back
    // instead, the connection staying up (a statement the server refused).
    enum class Trap { cut_before, cut_after, refuse };
    void trap(std::string text, Trap how);
    // Whether the last trap set has been sprung.
    bool sprung() const { return sprung_; }

  private:
    void run();
    void drop_all();

    int target_port_;
    int port_ = 0;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> away_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> cuts_asked_{0}, cuts_done_{0};
    std::vector<std::pair<int, int>> pairs_;  // client side, server side
    std::mutex trap_mutex_;
    std::string trap_text_;
    Trap trap_how_ = Trap::cut_before;
    std::atomic<bool> sprung_{false};
    std::thread thread_;
};

}  // namespace testing_support
