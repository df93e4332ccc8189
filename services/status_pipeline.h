#pragma once
// The online statuses of the list, asked in the background. One pipeline serves the whole
// program: every list load hands it the rows, and at most a fixed number of requests are in
// flight at any moment, however often the list reloads. It learns the service's offline
// picture once and keeps it, remembers each customer's answer for a minute, asks the rows in
// view first, and stops everything at once when the program closes.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/http_session.h"
#include "services/online_status.h"
#include "services/status_key.h"

namespace services {

struct StatusPipelineSetup {
    using Clock = std::chrono::steady_clock;

    std::shared_ptr<runtime::HttpSession> http;
    std::string host;  // of the status service
    // Requests in flight at most. 0: nothing runs by itself; step() asks, on the caller's
    // thread (for tests that must know the order of everything).
    std::size_t workers = kMaxParallelProbes;
    // When an answer arrived, and how long it counts; empty: the steady clock.
    std::function<Clock::time_point()> clock;
    Clock::duration fresh_for = std::chrono::minutes(1);
};

class StatusPipeline {
  public:
    // Receives every status learnt ("在线" or ""), from a worker thread (or step()'s caller).
    // It must not call shutdown(); it may call known() and the other operations.
    using Answer = std::function<void(const StatusKey& key, const std::string& text)>;

    StatusPipeline(StatusPipelineSetup setup, Answer answer);
    // Shuts down, and gives the workers a moment to leave; one blocked in the network is left
    // behind (it holds nothing of the caller's).
    ~StatusPipeline();
    StatusPipeline(const StatusPipeline&) = delete;
    StatusPipeline& operator=(const StatusPipeline&) = delete;

    // A new round: asks `in_list_order`, the rows in view (`visible`, in their order) first.
    // With `everything` every key is asked again; otherwise only those whose status is
    // unknown or older than the fresh span. What an older round had not sent yet is dropped;
    // a key already in flight is not asked twice.
    // The keys are taken over, not copied: a round may hold a hundred thousand of them.
    void ask(std::vector<StatusKey> in_list_order, std::span<const StatusKey> visible,
             bool everything);
    // Moves these keys to the front of what waits (rows that came into view).
    void prefer(std::span<const StatusKey> keys);
    // The status while fresh; none when unknown or older than the fresh span.
    std::optional<std::string> known(const StatusKey& key) const;
    // Ends at once: nothing waits any more, requests in flight are cancelled, and no answer is
    // handed over after it returns. Later calls do nothing.
    void shutdown();

    // Without workers: sends up to `at_most` waiting requests one after another on this thread
    // and hands over their answers; returns how many it sent.
    std::size_t step(std::size_t at_most = static_cast<std::size_t>(-1));

    // What has happened so far, for tests and measurements.
    struct Counts {
        std::size_t waiting = 0;    // requests not sent yet
        std::size_t in_flight = 0;  // sent, not answered or its answer not handed over yet
        std::size_t sent = 0;       // since the start, the offline-picture requests included
        std::size_t peak_in_flight = 0;
    };
    Counts counts() const;

    struct State;

  private:
    std::shared_ptr<State> state_;
};

// The program's own setup: a session of the platform's HTTP adapter with kept connections,
// and the messenger's status host. Without an adapter that opens sessions the pipeline asks
// nothing.
StatusPipelineSetup program_status_setup();

}  // namespace services
