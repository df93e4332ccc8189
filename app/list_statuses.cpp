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

bool StatusAnswers::add(const services::StatusKey& key, const std::string& text) {
    std::lock_guard lock(mutex_);
    waiting_.emplace_back(key, text);
    return waiting_.size() == 1;
}

void StatusAnswers::show() {
    std::vector<std::pair<services::StatusKey, std::string>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(waiting_);
    }
    if (window_ == nullptr || window_->closed() || !list_) return;
    bool shown = false;
    for (const auto& [key, text] : ready) {
        // Kept for the customer whether or not a find hides them now; a row shows it only
        // while it still shows the ID that was asked.
        list_->statuses[key.customer] = {key.wang, text};
        shown = shown || list_->row_of(key.customer) >= 0;
    }
    if (shown) window_->refresh_rows(forms::main::kList);
}

std::string known_status(const MainContext& context, const services::StatusKey& key) {
    if (!context.statuses) return {};
    return context.statuses->known(key).value_or("");
}

void ask_list_statuses(runtime::Window& window, MainContext& context,
                       const std::vector<services::StatusKey>& keys) {
    const bool everything = std::exchange(context.refresh_everything, false);
    services::StatusPipeline* statuses = pipeline(context);
    if (statuses == nullptr) return;
    context.status_answers->set_window(window, context.list);
    const runtime::RowRange view = window.visible_rows(forms::main::kList);
    const auto first = std::min(keys.size(), static_cast<std::size_t>(std::max(view.first, 0)));
    const auto count =
        std::min(keys.size() - first, static_cast<std::size_t>(std::max(view.count, 0)));
    statuses->ask(keys, std::span(keys).subspan(first, count), everything);
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
