// The status pipeline against a real status service on 127.0.0.1: a service that fails its
// first requests, has an offline picture other than ours, hangs, hangs up and answers slowly.
#include "services/status_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "runtime/headless/socket_http.h"
#include "services/offline_status_image.h"
#include "tests/services/support/http_test_server.h"

namespace services {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::CannedReply;

const std::string kTheirs = "GIF89a the service's own offline badge";
const std::string kOnline = "GIF89a somebody is online";

std::string uid_of(std::string_view target) {
    const auto from = target.find("uid=") + 4;
    return std::string(target.substr(from, target.find('&', from) - from));
}

// Every answer the pipeline hands over, and any "在线" it gives a customer that is not online.
struct Answers {
    void operator()(const StatusKey& key, const std::string& text) {
        std::lock_guard lock(mutex);
        last[key] = text;
        ++count;
        if (text == kOnlineText && !key.wang.starts_with("on")) wrong.push_back(key.wang);
        changed.notify_all();
    }
    std::size_t total() {
        std::lock_guard lock(mutex);
        return count;
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::map<StatusKey, std::string> last;
    std::size_t count = 0;
    std::vector<std::string> wrong;
};

class StatusPipelineTest : public ::testing::Test {
  protected:
    // "on…" IDs are online, "hang…" never answer, "drop…" hang up, "slow…" answer after
    // 300 ms, everyone else is offline with the service's own picture. The request for the
    // offline picture fails `failing_pictures` times first.
    void SetUp() override {
        server.set_handler([this](std::string_view target) {
            const std::string uid = uid_of(target);
            CannedReply reply;
            reply.body = offline_body;
            if (uid == kNoSuchMemberId && failing_pictures.fetch_sub(1) > 0) {
                reply.status = 503;
                reply.content_type = "text/html";
                reply.body = "<html>busy</html>";
            } else if (uid.starts_with("on")) {
                reply.body = kOnline;
            } else if (uid.starts_with("hang")) {
                reply.delay = 30s;
            } else if (uid.starts_with("drop")) {
                reply.hang_up = true;
            } else if (uid.starts_with("slow")) {
                reply.delay = 300ms;
            }
            reply.delay = std::max(reply.delay, every_answer_after);
            return reply;
        });
    }

    std::unique_ptr<StatusPipeline> make(std::size_t workers, bool reuse = true) {
        StatusPipelineSetup setup;
        setup.http = http.open_session({reuse, {2000ms, 20000ms}});
        setup.host = server.host();
        setup.workers = workers;
        setup.clock = [this] { return Clock::time_point(now.load()); };
        return std::make_unique<StatusPipeline>(setup, std::ref(answers));
    }

    // Waits until nothing waits and nothing is in flight.
    static void settle(const StatusPipeline& pipeline) {
        const auto give_up = Clock::now() + 20s;
        while (Clock::now() < give_up) {
            const auto c = pipeline.counts();
            if (c.waiting == 0 && c.in_flight == 0) return;
            std::this_thread::sleep_for(5ms);
        }
        FAIL() << "the pipeline did not settle";
    }

    static std::vector<StatusKey> keys(std::initializer_list<const char*> wangs) {
        std::vector<StatusKey> out;
        for (const char* wang : wangs)
            out.push_back({static_cast<std::int32_t>(out.size() + 1), wang});
        return out;
    }

    runtime::headless::SocketHttp http;
    std::string offline_body = kTheirs;
    std::atomic<int> failing_pictures{0};
    std::chrono::milliseconds every_answer_after{0};
    std::atomic<Clock::duration> now{Clock::duration(1h)};
    Answers answers;
    // Last, so that it stops answering before what its handler reads goes.
    testsupport::HttpTestServer server;
};

TEST_F(StatusPipelineTest, NobodyIsOnlineUnlessTheReplyDiffersFromALearntOfflinePicture) {
    const auto list = keys({"off0", "on0", "off1", "off2", "on1", "off3", "off4", "off5", "on2",
                            "off6", "off7", "off8", "drop0", "on3"});
    // The offline picture comes at once, after two failures (still within the round), or not
    // at all in this round: never does an offline customer read online.
    for (const int failures : {0, 2, 5}) {
        SCOPED_TRACE(failures);
        answers.last.clear();
        answers.wrong.clear();
        failing_pictures = failures;
        auto pipeline = make(8);
        pipeline->ask(list, {}, true);
        settle(*pipeline);
        EXPECT_TRUE(answers.wrong.empty()) << answers.wrong.front();
        for (const auto& key : list) {
            const auto known = pipeline->known(key);
            if (failures == 5 || key.wang.starts_with("drop")) {
                // Unknown: neither the service's picture nor an answer.
                EXPECT_FALSE(known) << key.wang;
                EXPECT_FALSE(answers.last.contains(key)) << key.wang;
            } else {
                const std::string want = key.wang.starts_with("on") ? "在线" : "";
                EXPECT_EQ(known, want) << key.wang;
                EXPECT_EQ(answers.last[key], want) << key.wang;
            }
        }
        if (failures == 5) {
            // The service is back: the next round learns the picture, and the replies that
            // waited for it are judged along with the new ones.
            pipeline->ask(list, {}, false);
            settle(*pipeline);
            EXPECT_TRUE(answers.wrong.empty());
            for (const auto& key : list) {
                if (key.wang.starts_with("drop")) continue;
                EXPECT_EQ(answers.last[key], key.wang.starts_with("on") ? "在线" : "");
            }
        }
    }
}

TEST_F(StatusPipelineTest, TheLearntPictureStaysAndANewOneNeedsTwoSightings) {
    const auto list = keys({"off0", "on0", "off1"});
    auto pipeline = make(0);
    pipeline->ask(list, {}, true);
    pipeline->step();
    EXPECT_EQ(answers.last,
              (std::map<StatusKey, std::string>{{list[0], ""}, {list[1], "在线"}, {list[2], ""}}));

    // A round whose request for the picture fails (and is made once more) still judges by
    // the picture learnt.
    failing_pictures = 1;
    answers.last.clear();
    pipeline->ask(list, {}, true);
    EXPECT_EQ(pipeline->step(), 5u);
    EXPECT_EQ(answers.last[list[1]], "在线");
    EXPECT_EQ(answers.last[list[0]], "");

    // The service changes its offline picture: the first sighting is not believed, the
    // second confirms it; meanwhile the offline customers wait rather than read online.
    offline_body = "GIF89a a new offline badge";
    answers.last.clear();
    pipeline->ask(list, {}, true);
    EXPECT_EQ(pipeline->step(1), 1u);  // the picture, seen once
    EXPECT_EQ(pipeline->step(3), 3u);  // the confirmation first, then two of the customers
    EXPECT_EQ(pipeline->step(), 1u);
    EXPECT_TRUE(answers.wrong.empty());
    EXPECT_EQ(answers.last,
              (std::map<StatusKey, std::string>{{list[0], ""}, {list[1], "在线"}, {list[2], ""}}));
    EXPECT_EQ(server.request_count(), 4u + 5u + 5u);
}

TEST_F(StatusPipelineTest, RowsInViewFirstThenListOrderAndNewlyVisibleRowsJumpAhead) {
    std::vector<StatusKey> list;
    for (int i = 0; i < 30; ++i)
        list.push_back({i + 1, "off" + std::to_string(i)});
    auto pipeline = make(0);
    const auto uids_sent = [&](std::size_t n) {
        server.clear_record();
        EXPECT_EQ(pipeline->step(n), n);
        std::vector<std::string> uids;
        for (const auto& target : server.targets())
            uids.push_back(uid_of(target));
        return uids;
    };
    pipeline->ask(list, std::span(list).subspan(10, 3), false);
    EXPECT_EQ(uids_sent(1), std::vector<std::string>{std::string(kNoSuchMemberId)});
    EXPECT_EQ(uids_sent(5), (std::vector<std::string>{"off10", "off11", "off12", "off0", "off1"}));
    const std::vector<StatusKey> scrolled{list[25], list[20], list[11]};  // 11 is done already
    pipeline->prefer(scrolled);
    EXPECT_EQ(uids_sent(3), (std::vector<std::string>{"off25", "off20", "off2"}));
    EXPECT_EQ(pipeline->counts().waiting, 30u - 3u - 2u - 3u);
    server.clear_record();
    pipeline->step();
    EXPECT_EQ(server.request_count(), 30u - 8u);
    EXPECT_EQ(answers.total(), 30u);
}

TEST_F(StatusPipelineTest, StatusesCountForAMinuteAndOnlyUnknownOrOldOnesAreAskedAgain) {
    auto list = keys({"off0", "on0", "off1", "on1"});
    auto pipeline = make(0);
    const auto sent = [&](bool everything) {
        server.clear_record();
        pipeline->ask(list, {}, everything);
        pipeline->step();
        return server.request_count();
    };
    EXPECT_EQ(sent(false), 5u);
    EXPECT_EQ(sent(false), 0u);  // a reload after a save: everything known, nothing asked
    now = now.load() + 59s;
    EXPECT_EQ(pipeline->known(list[1]), "在线");
    EXPECT_EQ(sent(false), 0u);
    now = now.load() + 2s;
    EXPECT_FALSE(pipeline->known(list[1]));  // older than a minute: unknown again
    EXPECT_EQ(sent(false), 5u);
    EXPECT_EQ(sent(true), 5u);  // "刷新状态" asks everyone again
    // An edited ID is another status: only it is asked, never shown as the old one's.
    list[2].wang = "on2";
    EXPECT_FALSE(pipeline->known(list[2]));
    EXPECT_EQ(sent(false), 2u);
    EXPECT_EQ(pipeline->known(list[2]), "在线");
    EXPECT_EQ(pipeline->known({3, "off1"}), "");
}

TEST_F(StatusPipelineTest, AtMostEightInFlightAcrossOverlappingReloads) {
    every_answer_after = 15ms;
    std::vector<StatusKey> list;
    for (int i = 0; i < 120; ++i)
        list.push_back({i + 1, (i % 5 == 0 ? "on" : "off") + std::to_string(i)});
    auto pipeline = make(kMaxParallelProbes);
    // Three reloads in a row, each while the last one's requests are still on their way.
    pipeline->ask(list, {}, true);
    std::this_thread::sleep_for(20ms);
    pipeline->ask(list, std::span(list).subspan(100, 10), true);
    std::this_thread::sleep_for(20ms);
    std::vector<StatusKey> reversed(list.rbegin(), list.rend());
    pipeline->ask(reversed, {}, true);
    settle(*pipeline);
    EXPECT_LE(server.peak_in_flight(), kMaxParallelProbes);
    EXPECT_GE(server.peak_in_flight(), kMaxParallelProbes - 1);
    EXPECT_LE(pipeline->counts().peak_in_flight, kMaxParallelProbes);
    for (const auto& key : list)
        EXPECT_EQ(pipeline->known(key), key.wang.starts_with("on") ? "在线" : "") << key.wang;
    EXPECT_TRUE(answers.wrong.empty());
    // Kept connections: no more than one per request in flight.
    EXPECT_LE(server.connection_count(), kMaxParallelProbes);
}

TEST_F(StatusPipelineTest, ShutdownEndsHangingRequestsAtOnceAndNothingArrivesAfterIt) {
    auto list = keys(
        {"hang0", "hang1", "hang2", "hang3", "slow0", "slow1", "hang4", "hang5", "hang6", "off0"});
    auto pipeline = make(kMaxParallelProbes);
    pipeline->ask(list, {}, true);
    const auto give_up = Clock::now() + 5s;
    while (server.in_flight() < kMaxParallelProbes && Clock::now() < give_up)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(server.in_flight(), kMaxParallelProbes);
    const auto start = Clock::now();
    pipeline->shutdown();
    const std::size_t answered = answers.total();
    pipeline.reset();
    // Far below the 20 s the requests would wait for their answers.
    EXPECT_LT(Clock::now() - start, 1s);
    std::this_thread::sleep_for(400ms);  // the slow answers would have come by now
    EXPECT_EQ(answers.total(), answered);
}

}  // namespace
}  // namespace services
