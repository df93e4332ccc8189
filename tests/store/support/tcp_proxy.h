#pragma once
// A TCP relay on 127.0.0.1 in front of a server, for tests: every connection made to it is
// passed through to the server until cut() drops them all at once, as a broken network would.
#include <atomic>
#include <mutex>
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
    // How many connections it has relayed so far.
    int connections() const { return accepted_; }

  private:
    void run();
    void drop_all();

    int target_port_;
    int port_ = 0;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> cuts_asked_{0}, cuts_done_{0};
    std::vector<std::pair<int, int>> pairs_;  // client side, server side
    std::thread thread_;
};

}  // namespace testing_support
