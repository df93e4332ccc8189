#pragma once
// The online status column. One pipeline serves the whole run: every list load shows at once
// the status last learnt for each row's customer and ID, and asks only what it lacks; the
// answers land on their customer's row wherever that row stands in the list by then.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "runtime/window.h"
#include "services/status_key.h"

namespace app {

// Answers from the pipeline's workers, waiting for the windows' thread to show them. They are
// shown in batches, at most one every `gap`: a service that answers at once would otherwise
// keep the windows' thread drawing the list for every answer and never let it paint or take
// input. A batch draws only the rows in view whose status changed.
class StatusAnswers : public std::enable_shared_from_this<StatusAnswers> {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kGap = std::chrono::milliseconds(200);
    // The timer that shows a batch held back for the gap.
    static constexpr const char* kTimer = "status_answers";

    explicit StatusAnswers(std::chrono::milliseconds gap = kGap,
                           std::function<Clock::time_point()> clock = {});
    // From any thread; true when the answer is the first that waits (then show() must be
    // posted to the windows' thread).
    bool add(const services::StatusKey& key, const std::string& text);
    // On the windows' thread: shows what waits on the rows of the list in `window`, now or,
    // when the last batch is less than the gap ago, when the gap has passed.
    void show();
    // On the windows' thread: the window whose list shows the statuses now, and what it shows.
    void set_window(runtime::Window& window, std::shared_ptr<ListState> list);

  private:
    void show_now();

    const std::chrono::milliseconds gap_;
    const std::function<Clock::time_point()> clock_;
    std::mutex mutex_;
    std::vector<std::pair<services::StatusKey, std::string>> waiting_;
    runtime::Window* window_ = nullptr;
    std::shared_ptr<ListState> list_;
    std::optional<Clock::time_point> last_shown_;
    runtime::Window* held_on_ = nullptr;  // the window whose timer a batch waits for
};

// The status to show now for a customer: the one learnt less than a minute ago, or empty.
std::string known_status(const MainContext& context, const services::StatusKey& key);
// After the list has been filled with `keys` (in list order): asks the statuses it lacks,
// the rows in view first; every status again when a refresh was asked for.
void ask_list_statuses(runtime::Window& window, MainContext& context,
                       std::vector<services::StatusKey> keys);
// Other rows came into view: their statuses go to the front of the queue.
void prefer_visible_statuses(runtime::Window& window, MainContext& context);
// "刷新状态" (and F5): reloads the list and asks every listed customer's status again.
void refresh_statuses(runtime::Window& window, MainContext& context);
// Stops asking at once; nothing more reaches the list.
void stop_list_statuses(MainContext& context);

}  // namespace app
