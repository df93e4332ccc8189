#include "services/hosts.h"

#include <cstdlib>

namespace services {

ServiceHosts hosts_with_override(std::string_view override) {
    ServiceHosts hosts;
    if (override.empty()) return hosts;
    const std::string host(override);
    hosts.messenger_status = host;
    hosts.member_profile = host;
    hosts.maker_home = host;
    hosts.update = host;
    hosts.group_invitation = host;
    return hosts;
}

const ServiceHosts& service_hosts() {
    static const ServiceHosts hosts = [] {
        const char* value = std::getenv(std::string(kServiceHostVariable).c_str());
        return hosts_with_override(value == nullptr ? "" : value);
    }();
    return hosts;
}

std::string home_page_address(const ServiceHosts& hosts) {
    if (hosts.maker_home.empty()) return {};
    return "http://" + hosts.maker_home + "/";
}

std::string update_address(const ServiceHosts& hosts) {
    if (hosts.update.empty()) return {};
    return "http://" + hosts.update + "/hygl/var.txt";
}

std::string group_invitation_address(const ServiceHosts& hosts) {
    if (hosts.group_invitation.empty() || hosts.group_invitation_key.empty()) return {};
    return "http://" + hosts.group_invitation + "/?_wv=1027&k=" + hosts.group_invitation_key;
}

}  // namespace services
