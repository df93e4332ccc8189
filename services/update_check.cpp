#include "services/update_check.h"

#include <algorithm>
#include <string>

#include "runtime/platform.h"
#include "services/http_get.h"
#include "services/message.h"
#include "services/numbers.h"

namespace services {

namespace {

constexpr double kRunningVersion = 2.0;
constexpr double kVersionTolerance = 0.0000001;

// The reply as text, up to its first zero byte.
std::string version_text(const std::vector<std::uint8_t>& body) {
    const auto end = std::find(body.begin(), body.end(), std::uint8_t{0});
    return std::string(body.begin(), end);
}

}  // namespace

UpdateCheck check_for_update(runtime::HttpAdapter& http, runtime::MessageBoxAdapter& boxes,
                             runtime::ShellAdapter& shell, const ServiceHosts& hosts) {
    const std::string address = update_address(hosts);
    if (address.empty()) return UpdateCheck::kSkipped;
    const runtime::HttpReply reply = http_fetch(http, address);
    // An error page is no version, even when it starts with a number ("404 Not Found").
    if (!reply.succeeded()) return UpdateCheck::kUpToDate;
    const std::string text = version_text(reply.body);
    if (text.empty() || !(text_to_number(text) - kRunningVersion > kVersionTolerance))
        return UpdateCheck::kUpToDate;
    show_message(boxes, kUpdateAdvice);
    if (const std::string home = home_page_address(hosts); !home.empty()) shell.open(home);
    return UpdateCheck::kAdvised;
}

UpdateCheck check_for_update() {
    const auto& platform = runtime::platform();
    return check_for_update(platform.http(), platform.message_boxes(), platform.shell(),
                            service_hosts());
}

}  // namespace services
