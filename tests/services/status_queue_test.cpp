// The order of asking, with a round held as positions into the keys handed over.
#include "services/status_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace services {
namespace {

StatusKey k(int customer) {
    return {customer, "旺旺" + std::to_string(customer)};
}

std::string drain(StatusQueue& q) {
    std::string out;
    while (auto key = q.take())
        out += std::to_string(key->customer) + " ";
    return out;
}

TEST(StatusQueue, ViewFirstEachKeyOnceSkipsAndPreferred) {
    struct Case {
        const char* what;
        std::vector<StatusKey> visible, list;
        std::vector<int> skipped;
        std::vector<StatusKey> preferred;  // after two are taken
        std::string want;
        std::size_t size;  // after replace
    };
    const std::vector<Case> cases = {
        {"view first, list order after",
         {k(3), k(1)},
         {k(1), k(2), k(3), k(4)},
         {},
         {},
         "3 1 2 4 ",
         4},
        {"a key listed twice is asked once", {}, {k(1), k(2), k(1), k(2)}, {}, {}, "1 2 ", 2},
        {"skipped keys wait for nothing", {k(2)}, {k(1), k(2), k(3)}, {2, 3}, {}, "1 ", 1},
        {"a row in view the list lacks is asked first", {k(9)}, {k(1), k(2)}, {}, {}, "9 1 2 ", 3},
        {"rows come into view: to the front, taken ones passed over",
         {},
         {k(1), k(2), k(3), k(4), k(5), k(6)},
         {},
         {k(5), k(1), k(7), k(5), k(4)},
         "1 2 5 4 3 6 ",
         6},
        {"the same key in view twice", {k(2), k(2)}, {k(1), k(2)}, {}, {}, "2 1 ", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StatusQueue q;
        q.replace(c.visible, c.list, [&](const StatusKey& key) {
            return std::find(c.skipped.begin(), c.skipped.end(), key.customer) != c.skipped.end();
        });
        EXPECT_EQ(q.size(), c.size);
        std::string got;
        if (!c.preferred.empty()) {
            for (int i = 0; i < 2; ++i)
                got += std::to_string(q.take()->customer) + " ";
            q.prefer(c.preferred);
        }
        got += drain(q);
        EXPECT_EQ(got, c.want);
        EXPECT_TRUE(q.empty());
    }
    // Another ID of the same customer is another key; a new round drops the old one.
    StatusQueue q;
    q.replace({}, {k(1), {1, "另一个"}}, [](const StatusKey&) { return false; });
    EXPECT_EQ(q.size(), 2u);
    q.replace({}, {k(7)}, [](const StatusKey&) { return false; });
    EXPECT_EQ(drain(q), "7 ");
}

}  // namespace
}  // namespace services
