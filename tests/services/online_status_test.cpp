// The "状态" column against a real status server on 127.0.0.1.
#include "services/online_status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <set>

#include "runtime/headless/socket_http.h"
#include "services/offline_status_image.h"
#include "tests/services/support/http_test_server.h"

namespace services {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using testsupport::CannedReply;
using testsupport::HttpTestServer;

std::string ours() {
    const auto image = offline_status_image();
    return {image.begin(), image.end()};
}

// The offline picture with one byte changed: what an online ID might get.
std::string online_picture() {
    std::string picture = ours();
    picture[300] = static_cast<char>(picture[300] ^ 0x55);
    return picture;
}

CannedReply picture(std::string body) {
    CannedReply reply;
    reply.body = std::move(body);
    return reply;
}

std::string target_for(std::string_view encoded_id) {
    return "/realonline.aw?v=2&uid=" + std::string(encoded_id) + "&site=cntaobao&s=1&charset=utf-8";
}

// Passes requests on to a real adapter and counts how many are open at once.
class CountingHttp final : public runtime::HttpReplyAdapter {
  public:
    explicit CountingHttp(runtime::HttpReplyAdapter& real) : real_(real) {}
    runtime::HttpReply fetch(std::string_view url) override {
        {
            std::lock_guard lock(mutex_);
            peak_ = std::max(peak_, ++open_);
        }
        auto reply = real_.fetch(url);
        std::lock_guard lock(mutex_);
        --open_;
        ++finished_;
        return reply;
    }
    std::shared_ptr<runtime::HttpSession> open_session(
        const runtime::HttpSessionOptions& options) override {
        return real_.open_session(options);
    }
    std::size_t peak() const { return peak_; }
    std::size_t open() const { return open_; }
    std::size_t finished() const { return finished_; }

  private:
    runtime::HttpReplyAdapter& real_;
    std::mutex mutex_;
    std::size_t open_ = 0, peak_ = 0, finished_ = 0;
};

class OnlineStatus : public ::testing::Test {
  protected:
    // The server answers the uid it finds in the address through `answers`, and with our
    // offline picture for any uid it does not know.
    void SetUp() override {
        server.set_handler([this](std::string_view target) {
            const auto from = target.find("uid=") + 4;
            const auto to = target.find('&', from);
            const std::string uid(target.substr(from, to - from));
            std::lock_guard lock(answers_mutex);
            const auto found = answers.find(uid);
            return found != answers.end() ? found->second : picture(ours());
        });
    }
    // One request, judged as the program does once it has learnt that the service's offline
    // picture is ours.
    std::string probe(std::string_view id) {
        OfflinePictures offline;
        const std::string picture = ours();
        offline.learn(runtime::HttpReply{200, Bytes(picture.begin(), picture.end()), 0});
        return probe_online_status(http, server.host(), id, offline);
    }

    HttpTestServer server;
    runtime::headless::SocketHttp http{{1000ms, 400ms}};
    std::mutex answers_mutex;
    std::map<std::string, CannedReply> answers;
};

TEST_F(OnlineStatus, AddressCarriesTheEncodedId) {
    EXPECT_EQ(online_status_address("amos.alicdn.com", "tb_shop-01.a"),
              "http://amos.alicdn.com/realonline.aw?v=2&uid=tb_shop-01.a&site=cntaobao&s=1&"
              "charset=utf-8");
    EXPECT_EQ(online_status_address("h", ""),
              "http://h/realonline.aw?v=2&uid=&site=cntaobao&s=1&charset=utf-8");
}

TEST_F(OnlineStatus, OfflinePictureIsEmptyAnyOtherPictureIsOnline) {
    answers["off"] = picture(ours());
    answers["on"] = picture(online_picture());
    answers["short"] = picture(ours().substr(0, 640));
    answers["long"] = picture(ours() + '\0');
    answers["png"] = picture("\x89PNG\r\n\x1A\n rest of a png");
    EXPECT_EQ(probe("off"), "");
    EXPECT_EQ(probe("on"), "在线");
    EXPECT_EQ(probe("short"), "在线");
    EXPECT_EQ(probe("long"), "在线");
    EXPECT_EQ(probe("png"), "在线");
    EXPECT_EQ(probe("anyone"), "");  // the server's default: offline
}

TEST_F(OnlineStatus, FailuresAndNonPicturesAreNeverOnline) {
    CannedReply missing;
    missing.status = 404;
    missing.body = online_picture();  // even a picture, when the status says it failed
    answers["missing"] = missing;
    CannedReply server_error;
    server_error.status = 503;
    server_error.content_type = "text/html";
    server_error.body = "<html>busy</html>";
    answers["busy"] = server_error;
    CannedReply silent;
    silent.hang_up = true;
    answers["silent"] = silent;
    CannedReply late = picture(online_picture());
    late.delay = 2000ms;
    answers["late"] = late;
    answers["empty"] = picture("");
    CannedReply portal;  // a hotel network's login page, answered with 200
    portal.content_type = "text/html";
    portal.body = "<html><form>login</form></html>";
    answers["portal"] = portal;

    for (const char* id : {"missing", "busy", "silent", "late", "empty", "portal"})
        EXPECT_EQ(probe(id), "") << id;

    runtime::headless::SocketHttp nowhere{{300ms, 300ms}};
    const std::string refused = "127.0.0.1:" + std::to_string(testsupport::refusing_port());
    EXPECT_EQ(probe_online_status(nowhere, refused, "on", OfflinePictures{}), "");
}

TEST_F(OnlineStatus, IdsArriveEncodedExactly) {
    probe("abcXYZ019");
    probe("tb shop");
    probe("中文");
    probe("a.b-c_d");
    probe("");
    probe("x&y=1");
    EXPECT_EQ(server.targets(),
              (std::vector<std::string>{target_for("abcXYZ019"), target_for("tb%20shop"),
                                        target_for("%E4%B8%AD%E6%96%87"), target_for("a.b-c_d"),
                                        target_for(""), target_for("x%26y%3D1")}));
}

TEST_F(OnlineStatus, ListLoadAsksTheBaselineFirstThenEveryRowOnce) {
    const std::vector<std::string> ids = {"a", "b", "a", "中"};
    answers["b"] = picture(online_picture());
    const auto statuses = probe_online_statuses(http, server.host(), ids);
    EXPECT_EQ(statuses, (std::vector<std::string>{"", "在线", "", ""}));
    const auto targets = server.targets();
    ASSERT_EQ(targets.size(), 5u);
    EXPECT_EQ(targets[0], target_for(kNoSuchMemberId));
    std::multiset<std::string> rows(targets.begin() + 1, targets.end());
    EXPECT_EQ(rows, (std::multiset<std::string>{target_for("a"), target_for("a"), target_for("b"),
                                                target_for("%E4%B8%AD")}));

    // A second load asks everything again.
    probe_online_statuses(http, server.host(), ids);
    EXPECT_EQ(server.request_count(), 10u);
    // An empty list asks nothing.
    EXPECT_TRUE(probe_online_statuses(http, server.host(), {}).empty());
    EXPECT_EQ(server.request_count(), 10u);
}

TEST_F(OnlineStatus, ServiceWithAnotherOfflinePictureStillReadsOffline) {
    // Today's service gives its own offline badge, not ours, and a third picture when online.
    const std::string theirs = "GIF89a their own offline badge";
    server.set_handler([&](std::string_view target) {
        return picture(target.find("uid=star&") != std::string_view::npos ? online_picture()
                                                                          : theirs);
    });
    const std::vector<std::string> ids = {"quiet", "star", "quiet2"};
    EXPECT_EQ(probe_online_statuses(http, server.host(), ids),
              (std::vector<std::string>{"", "在线", ""}));
    // Judged against our picture alone, their badge would read as online.
    EXPECT_EQ(probe("quiet"), "在线");
    // Without any picture learnt from the service, no answer reads online.
    EXPECT_EQ(probe_online_status(http, server.host(), "star", OfflinePictures{}), "");
}

TEST_F(OnlineStatus, BaselineThatFailsMakesNobodyOnline) {
    CannedReply broken;
    broken.status = 500;
    broken.body = online_picture();
    answers[std::string(kNoSuchMemberId)] = broken;
    answers["on"] = picture(online_picture());
    answers["theirs"] = picture("GIF89a the service's own offline badge");
    // The service's offline picture is unknown: only our own picture is known to mean
    // offline, and nothing else may be taken for online.
    EXPECT_EQ(
        probe_online_statuses(http, server.host(), std::vector<std::string>{"on", "off", "theirs"}),
        (std::vector<std::string>{"", "", ""}));
}

TEST_F(OnlineStatus, ConcurrentRunGivesTheOneByOneCellsWithAtMostEightOpen) {
    std::vector<std::string> ids;
    for (int i = 0; i < 60; ++i) {
        ids.push_back("id" + std::to_string(i));
        CannedReply reply = picture(i % 3 == 0 ? online_picture() : ours());
        if (i % 7 == 0) reply.status = 404;
        if (i % 11 == 0) reply.hang_up = true;
        reply.delay = std::chrono::milliseconds(5 + (i * 37) % 30);
        answers[ids.back()] = reply;
    }
    std::vector<std::string> one_by_one;
    for (const auto& id : ids)
        one_by_one.push_back(probe(id));
    EXPECT_EQ(std::count(one_by_one.begin(), one_by_one.end(), "在线"), 16);
    server.clear_record();

    CountingHttp counted(http);
    const auto together = probe_online_statuses(counted, server.host(), ids);
    EXPECT_EQ(together, one_by_one);
    EXPECT_EQ(server.request_count(), ids.size() + 1);
    EXPECT_LE(server.peak_in_flight(), kMaxParallelProbes);
    EXPECT_LE(counted.peak(), kMaxParallelProbes);
    EXPECT_GE(counted.peak(), 2u);
    // Every request had ended when the call returned.
    EXPECT_EQ(counted.open(), 0u);
    EXPECT_EQ(counted.finished(), ids.size() + 1);

    // One at a time when asked so.
    server.clear_record();
    EXPECT_EQ(probe_online_statuses(http, server.host(), ids, 1), one_by_one);
    EXPECT_EQ(server.peak_in_flight(), 1u);
}

TEST(OnlineStatusReplies, OnlyASuccessfulPictureThatIsNotOfflineCounts) {
    const auto reply = [](int status, std::string body) {
        return runtime::HttpReply{status, {body.begin(), body.end()}, 0};
    };
    OfflinePictures offline;
    EXPECT_EQ(offline.learn(reply(200, ours())), OfflinePictures::Change::learnt);
    EXPECT_EQ(status_text(reply(200, online_picture()), offline), "在线");
    EXPECT_EQ(status_text(reply(204, online_picture()), offline), "在线");
    EXPECT_EQ(status_text(reply(200, ours()), offline), "");
    EXPECT_EQ(status_text(reply(0, online_picture()), offline), "");
    EXPECT_EQ(status_text(reply(199, online_picture()), offline), "");
    EXPECT_EQ(status_text(reply(300, online_picture()), offline), "");
    EXPECT_EQ(status_text(reply(200, ""), offline), "");
    EXPECT_EQ(status_text(reply(200, "GIF8"), offline), "");
    EXPECT_EQ(status_text(reply(200, "GIF87a"), offline), "在线");
    EXPECT_EQ(status_text(reply(200, "\xFF\xD8\xFF\xE0"), offline), "在线");
    EXPECT_EQ(status_text(reply(200, "RIFF\x10\0\0\0WEBPVP8 "s), offline), "在线");
    EXPECT_EQ(status_text(reply(200, "RIFF\x10\0\0\0WAVE"s), offline), "");

    // Nothing learnt from the service yet: only our picture is judged, nothing is online.
    OfflinePictures fresh;
    EXPECT_FALSE(fresh.learnt());
    EXPECT_EQ(judge(reply(200, ours()), fresh), Verdict::offline);
    EXPECT_EQ(judge(reply(200, online_picture()), fresh), Verdict::undecided);
    EXPECT_EQ(judge(reply(404, online_picture()), fresh), Verdict::no_answer);
    for (const auto& failure : {reply(404, "GIF89a x"), reply(200, "not a picture"), reply(0, "")})
        EXPECT_EQ(fresh.learn(failure), OfflinePictures::Change::none);
    EXPECT_FALSE(fresh.learnt());
    EXPECT_EQ(fresh.learn(reply(200, "GIF89a x")), OfflinePictures::Change::learnt);
    EXPECT_EQ(status_text(reply(200, "GIF89a x"), fresh), "");
    EXPECT_EQ(status_text(reply(200, ours()), fresh), "");
    EXPECT_EQ(status_text(reply(200, "GIF89a xy"), fresh), "在线");
}

TEST(OnlineStatusReplies, ANewOfflinePictureCountsOnlyOnceSeenTwiceInARow) {
    const auto reply = [](std::string body) {
        return runtime::HttpReply{200, {body.begin(), body.end()}, 0};
    };
    using Change = OfflinePictures::Change;
    OfflinePictures offline;
    EXPECT_EQ(offline.learn(reply("GIF89a old")), Change::learnt);
    EXPECT_EQ(offline.learn(reply("GIF89a old")), Change::same);
    // Once: it waits for its confirmation, neither online nor offline meanwhile.
    EXPECT_EQ(offline.learn(reply("GIF89a new")), Change::candidate);
    EXPECT_EQ(judge(reply("GIF89a new"), offline), Verdict::undecided);
    EXPECT_EQ(judge(reply("GIF89a old"), offline), Verdict::offline);
    // The old one again: the new one was a fluke, and is an online picture after all.
    EXPECT_EQ(offline.learn(reply("GIF89a old")), Change::same);
    EXPECT_EQ(judge(reply("GIF89a new"), offline), Verdict::online);
    // Twice in a row: the service's picture now; the old one still means offline.
    EXPECT_EQ(offline.learn(reply("GIF89a new")), Change::candidate);
    EXPECT_EQ(offline.learn(reply("GIF89a new")), Change::replaced);
    EXPECT_EQ(judge(reply("GIF89a new"), offline), Verdict::offline);
    EXPECT_EQ(judge(reply("GIF89a old"), offline), Verdict::offline);
    EXPECT_EQ(judge(reply("GIF89a third"), offline), Verdict::online);
    // A failed request in between changes nothing.
    EXPECT_EQ(offline.learn(runtime::HttpReply{503, {}, 0}), Change::none);
    EXPECT_EQ(judge(reply("GIF89a new"), offline), Verdict::offline);
}

}  // namespace
}  // namespace services
