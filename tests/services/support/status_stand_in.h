#pragma once
// An in-process stand-in of the status service, for tests of the program that need neither
// a network nor threads: it answers every request at once, with the offline picture for the
// ID that cannot exist and for every ID the rule does not name, another picture otherwise.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/http_session.h"
#include "services/status_pipeline.h"

namespace testsupport {

class StatusStandIn final : public runtime::HttpSession {
  public:
    using Rule = std::function<bool(const std::string& id)>;
    explicit StatusStandIn(Rule online) : online_(std::move(online)) {}

    runtime::HttpReply fetch(std::string_view url) override;
    void cancel_all() override;

    // The IDs asked so far, decoded, in order; the requests for the offline picture included.
    std::vector<std::string> asked() const;
    void clear_asked();
    bool cancelled() const;

  private:
    Rule online_;
    mutable std::mutex mutex_;
    std::vector<std::string> asked_;
    bool cancelled_ = false;
};

// A pipeline setup that asks `stand_in` on the caller's thread, one request per step, with
// the clock given (the steady clock when none).
services::StatusPipelineSetup stand_in_setup(
    std::shared_ptr<StatusStandIn> stand_in,
    std::function<services::StatusPipelineSetup::Clock::time_point()> clock = {});

}  // namespace testsupport
