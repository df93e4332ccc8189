#include "tests/services/support/status_stand_in.h"

#include "services/offline_status_image.h"

namespace testsupport {

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The uid of a status address, percent-decoded.
std::string uid_of(std::string_view url) {
    const auto from = url.find("uid=");
    if (from == std::string_view::npos) return {};
    const std::string_view encoded = url.substr(from + 4, url.find('&', from) - from - 4);
    std::string id;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() && hex_digit(encoded[i + 1]) >= 0 &&
            hex_digit(encoded[i + 2]) >= 0) {
            id += static_cast<char>(hex_digit(encoded[i + 1]) * 16 + hex_digit(encoded[i + 2]));
            i += 2;
        } else {
            id += encoded[i];
        }
    }
    return id;
}

}  // namespace

runtime::HttpReply StatusStandIn::fetch(std::string_view url) {
    const std::string id = uid_of(url);
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) return {};
        asked_.push_back(id);
    }
    const auto offline = services::offline_status_image();
    runtime::HttpReply reply{200, {offline.begin(), offline.end()}, 0};
    if (id != services::kNoSuchMemberId && online_(id)) reply.body[300] ^= 0x55;
    return reply;
}

void StatusStandIn::cancel_all() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
}

std::vector<std::string> StatusStandIn::asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
}

void StatusStandIn::clear_asked() {
    std::lock_guard lock(mutex_);
    asked_.clear();
}

bool StatusStandIn::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

services::StatusPipelineSetup stand_in_setup(
    std::shared_ptr<StatusStandIn> stand_in,
    std::function<services::StatusPipelineSetup::Clock::time_point()> clock) {
    services::StatusPipelineSetup setup;
    setup.http = std::move(stand_in);
    setup.host = "status.stand-in";
    setup.workers = 0;
    setup.clock = std::move(clock);
    return setup;
}

}  // namespace testsupport
