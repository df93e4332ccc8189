#pragma once
// Every host the program talks to, in one place.
//
// At build time each can be set by defining its macro, for example
//   cmake -DCMAKE_CXX_FLAGS='-DLQ_UPDATE_HOST=\"update.example.com\"' ...
// At run time LQ_SERVICE_HOST=host[:port] in the environment points every one of them at that
// single server, as the Wine tests do with a local one (LQ_SERVICE_HOST=127.0.0.1:8080).
// The maker's hosts are empty unless set: then there is no update check at all and the
// "官方网站" button and the group invitation open nothing.
#include <string>
#include <string_view>

// The messenger's public status service: status pictures and the chat hand-off.
#ifndef LQ_MESSENGER_STATUS_HOST
#define LQ_MESSENGER_STATUS_HOST "amos.alicdn.com"
#endif
// The marketplace's member profile pages.
#ifndef LQ_MEMBER_PROFILE_HOST
#define LQ_MEMBER_PROFILE_HOST "member1.taobao.com"
#endif
// The maker's home page.
#ifndef LQ_MAKER_HOME_HOST
#define LQ_MAKER_HOME_HOST ""
#endif
// The maker's update server, which serves the current version as text.
#ifndef LQ_UPDATE_HOST
#define LQ_UPDATE_HOST ""
#endif
// The group-invitation site of the official user group, and the group's invitation key.
#ifndef LQ_GROUP_INVITATION_HOST
#define LQ_GROUP_INVITATION_HOST "jq.qq.com"
#endif
#ifndef LQ_GROUP_INVITATION_KEY
#define LQ_GROUP_INVITATION_KEY ""
#endif

namespace services {

inline constexpr std::string_view kServiceHostVariable = "LQ_SERVICE_HOST";

struct ServiceHosts {
    std::string messenger_status = LQ_MESSENGER_STATUS_HOST;
    std::string member_profile = LQ_MEMBER_PROFILE_HOST;
    std::string maker_home = LQ_MAKER_HOME_HOST;
    std::string update = LQ_UPDATE_HOST;
    std::string group_invitation = LQ_GROUP_INVITATION_HOST;
    std::string group_invitation_key = LQ_GROUP_INVITATION_KEY;
};

// The built-in hosts, every one replaced by `override` when it is not empty.
ServiceHosts hosts_with_override(std::string_view override);

// The hosts this run uses: the built-in ones, or LQ_SERVICE_HOST's server. Read once.
const ServiceHosts& service_hosts();

// "http://" + the maker's home host + "/"; empty when there is no such host.
std::string home_page_address(const ServiceHosts& hosts);

// The version text's address; empty when there is no update host.
std::string update_address(const ServiceHosts& hosts);

// The official group's invitation address; empty without a host or a key.
std::string group_invitation_address(const ServiceHosts& hosts);

}  // namespace services
