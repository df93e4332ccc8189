#include "app/list_statuses.h"

#include <algorithm>

#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/numbers.h"
#include "services/status_pipeline.h"

namespace app {

namespace {

constexpr int kIdColumn = 0;
constexpr int kStatusColumn = 2;
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
    if (window_ == nullptr || window_->closed()) return;
    for (const auto& [key, text] : ready) {
        const int row = row_of(key.customer);
        // An answer for an ID the row no longer shows is not this customer's any more.
        if (row >= 0 && window_->cell(forms::main::kList, row, kWangColumn) == key.wang)
            window_->set_cell(forms::main::kList, row, kStatusColumn, text);
    }
}

int StatusAnswers::row_of(std::int32_t customer) {
    const auto hint = rows_.find(customer);
    if (hint != rows_.end() && customer_in_row(*window_, hint->second) == customer)
        return hint->second;
    rows_.clear();
    const int count = window_->item_count(forms::main::kList);
    for (int row = 0; row < count; ++row)
        rows_.emplace(customer_in_row(*window_, row), row);
    const auto found = rows_.find(customer);
    return found != rows_.end() ? found->second : -1;
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
    context.status_answers->set_window(window);
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
