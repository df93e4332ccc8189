// The service hosts: built in, and all of them pointed at one server by LQ_SERVICE_HOST.
#include "services/hosts.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/headless/backend.h"
#include "runtime/headless/socket_http.h"
#include "services/offline_status_image.h"
#include "services/online_status.h"
#include "services/update_check.h"
#include "tests/services/support/http_test_server.h"

namespace services {
namespace {

TEST(Hosts, BuiltInHostsAndAddresses) {
    const ServiceHosts hosts;
    EXPECT_EQ(hosts.messenger_status, "amos.alicdn.com");
    EXPECT_EQ(hosts.member_profile, "member1.taobao.com");
    // The maker's own hosts are unset: no update check, no home page.
    EXPECT_EQ(hosts.maker_home, "");
    EXPECT_EQ(hosts.update, "");
    EXPECT_EQ(home_page_address(hosts), "");
    EXPECT_EQ(update_address(hosts), "");
    EXPECT_EQ(group_invitation_address(hosts), "");

    ServiceHosts set = hosts;
    set.maker_home = "www.example.com";
    set.update = "up.example.com:8080";
    set.group_invitation_key = "Ab12Cd";
    EXPECT_EQ(home_page_address(set), "http://www.example.com/");
    EXPECT_EQ(update_address(set), "http://up.example.com:8080/hygl/var.txt");
    EXPECT_EQ(group_invitation_address(set), "http://jq.qq.com/?_wv=1027&k=Ab12Cd");
}

TEST(Hosts, OverridePointsEveryHostAtOneServer) {
    const ServiceHosts hosts = hosts_with_override("127.0.0.1:8080");
    for (const std::string* host : {&hosts.messenger_status, &hosts.member_profile,
                                    &hosts.maker_home, &hosts.update, &hosts.group_invitation})
        EXPECT_EQ(*host, "127.0.0.1:8080");
    EXPECT_EQ(hosts_with_override("").update, "");
    EXPECT_EQ(hosts_with_override("").messenger_status, "amos.alicdn.com");
}

// The one test of this program that reads the process's hosts: the variable is read once, so
// it is set before anything else asks.
TEST(Hosts, EnvironmentVariableReachesThePlatformForms) {
    testsupport::HttpTestServer server;
    testsupport::CannedReply version;
    version.body = "2.5";
    server.set_reply("/hygl/var.txt", version);
    server.set_handler([](std::string_view target) {
        testsupport::CannedReply reply;
        const auto image = offline_status_image();
        reply.body.assign(image.begin(), image.end());
        if (target.find("uid=star&") != std::string_view::npos) reply.body[100] ^= 1;
        return reply;
    });
    ASSERT_EQ(::setenv(std::string(kServiceHostVariable).c_str(), server.host().c_str(), 1), 0);
    ASSERT_EQ(service_hosts().messenger_status, server.host());
    EXPECT_EQ(service_hosts().update, server.host());

    runtime::headless::Backend backend;
    backend.platform().set_http(std::make_unique<runtime::headless::SocketHttp>());
    EXPECT_EQ(probe_online_status("star"), "在线");
    EXPECT_EQ(probe_online_status("nobody"), "");
    EXPECT_EQ(probe_online_statuses(std::vector<std::string>{"nobody", "star"}),
              (std::vector<std::string>{"", "在线"}));
    EXPECT_EQ(check_for_update(), UpdateCheck::kAdvised);
    EXPECT_EQ(backend.message_boxes().shown().at(0).text, "请下载最新版本");
    EXPECT_EQ(backend.shell().opened(), std::vector<std::string>{"http://" + server.host() + "/"});
}

}  // namespace
}  // namespace services
