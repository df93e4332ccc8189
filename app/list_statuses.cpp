#include "app/list_statuses.h"

#include <algorithm>

#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/numbers.h"
#include "services/status_pipeline.h"

namespace app {

namespace {

constexpr int kIdColumn = 0;
constexpr int kWangColumn = 3;

std::int32_t customer_in_row(const runtime::Window& window, int row) {
    return services::to_integer(
        services::text_to_number(window.cell(forms::main::kList, row, kIdColumn)));
}

// Made at the first list load that has a status service to ask.
services::StatusPipeline* pipeline(MainContext& context) {
    if (!context.statuses && context.status_setup.http) {
        context.status_answers = std::make_shared<StatusAnswers>();
        context.statuses = std::make_unique<services::StatusPipeline>(
            context.status_setup, [answers = context.status_answers](const services::StatusKey& key,
                                                                     const std::string& text) {
                if (answers->add(key, text))
                    runtime::platform().windows().post([answers] { answers->show(); });
            });
    }
    return context.statuses.get();
}

}  // namespace

StatusAnswers::StatusAnswers(std::chrono::milliseconds gap,
                             std::function<Clock::time_point()> clock)
    : gap_(gap), clock_(clock ? std::move(clock) : [] { return Clock::now(); }) {}

bool StatusAnswers::add(const services::StatusKey& key, const std::string& text) {
    std::lock_guard lock(mutex_);
    waiting_.emplace_back(key, text);
    return waiting_.size() == 1;
}

void StatusAnswers::set_window(runtime::Window& window, std::shared_ptr<ListState> list) {
    const bool other = window_ != &window;
    window_ = &window;
    list_ = std::move(list);
    if (!other || held_on_ == nullptr) return;
    // What waited for the old window's timer goes to the new one.
    held_on_ = nullptr;
    show();
}

void StatusAnswers::show() {
    // A batch held on a window that has closed since waits for nothing.
    if (held_on_ != nullptr && held_on_ == window_ && !window_->closed()) return;
    held_on_ = nullptr;
    const auto now = clock_();
    if (!last_shown_ || now - *last_shown_ >= gap_ || window_ == nullptr || window_->closed()) {
        show_now();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*last_shown_ + gap_ - now);
    held_on_ = window_;
    window_->start_timer(kTimer, static_cast<int>(std::max<std::int64_t>(wait.count(), 1)),
                         [self = weak_from_this(), window = window_] {
                             window->stop_timer(kTimer);
                             if (auto answers = self.lock()) {
                                 answers->held_on_ = nullptr;
                                 answers->show_now();
                             }
                         });
}

void StatusAnswers::show_now() {
    std::vector<std::pair<services::StatusKey, std::string>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(waiting_);
    }
    last_shown_ = clock_();
    if (window_ == nullptr || window_->closed() || !list_) return;
    const runtime::RowRange view = window_->visible_rows(forms::main::kList);
    int first = -1, last = -1;
    for (const auto& [key, text] : ready) {
        // Kept for the customer whether or not a find hides them now; a row shows it only
        // while it still shows the ID that was asked.
        if (!list_->set_status(key.customer, key.wang, text)) continue;
        const int row = list_->row_of(key.customer);
        if (row < view.first || row >= view.first + view.count) continue;
        first = first < 0 ? row : std::min(first, row);
        last = std::max(last, row);
    }
    if (first >= 0) window_->redraw_rows(forms::main::kList, {first, last - first + 1});
}

std::string known_status(const MainContext& context, const services::StatusKey& key) {
    if (!context.statuses) return {};
    return context.statuses->known(key).value_or("");
}

void ask_list_statuses(runtime::Window& window, MainContext& context,
                       std::vector<services::StatusKey> keys) {
    const bool everything = std::exchange(context.refresh_everything, false);
    services::StatusPipeline* statuses = pipeline(context);
    if (statuses == nullptr) return;
    context.status_answers->set_window(window, context.list);
    const runtime::RowRange view = window.visible_rows(forms::main::kList);
    const auto first = std::min(keys.size(), static_cast<std::size_t>(std::max(view.first, 0)));
    const auto count =
        std::min(keys.size() - first, static_cast<std::size_t>(std::max(view.count, 0)));
    const std::vector<services::StatusKey> in_view(keys.begin() + first,
                                                   keys.begin() + first + count);
    statuses->ask(std::move(keys), in_view, everything);
}

void prefer_visible_statuses(runtime::Window& window, MainContext& context) {
    if (!context.statuses) return;
    const runtime::RowRange view = window.visible_rows(forms::main::kList);
    std::vector<services::StatusKey> keys;
    for (int row = view.first; row < view.first + view.count; ++row)
        keys.push_back(
            {customer_in_row(window, row), window.cell(forms::main::kList, row, kWangColumn)});
    context.statuses->prefer(keys);
}

void refresh_statuses(runtime::Window& window, MainContext& context) {
    context.refresh_everything = true;
    reload_list(window, context);
    // A list that could not be loaded asked nothing; the next load is an ordinary one.
    context.refresh_everything = false;
}

void stop_list_statuses(MainContext& context) {
    if (context.statuses) context.statuses->shutdown();
}

}  // namespace app
