#include "app/list_view.h"

#include <algorithm>
#include <cmath>

#include "app/main_window.h"
#include "services/date_format.h"

namespace app {

namespace {

constexpr const char* kDatePattern = "%y-%m-%d";

}  // namespace

const store::CustomerRow* ListState::customer(int row) const {
    if (!order || row < 0 || static_cast<std::size_t>(row) >= rows.size()) return nullptr;
    return &order->customers()[rows[static_cast<std::size_t>(row)]];
}

int ListState::row_of(std::int32_t id) const {
    if (index_.empty() && !rows.empty()) {
        // One array, sorted: a hash node per row cost the Windows build a quarter of a second
        // at 80,000 rows, on the heap a load leaves behind.
        index_.reserve(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            index_.emplace_back(order->customers()[rows[r]].id, static_cast<int>(r));
        std::sort(index_.begin(), index_.end());
    }
    const auto it = std::lower_bound(index_.begin(), index_.end(), std::pair{id, 0});
    return it == index_.end() || it->first != id ? -1 : it->second;
}

const std::string& ListState::status_at(std::size_t position) const {
    const bool mine = order && order.get() == statuses_for_ && position < statuses_.size();
    return status_texts_[mine ? statuses_[position] : 0];
}

std::optional<std::size_t> ListState::position_of(std::int32_t id) {
    const auto& all = order->customers();
    if (newest_first_) {
        const auto it = std::lower_bound(all.begin(), all.end(), id,
                                         [](const auto& c, auto n) { return c.id > n; });
        if (it == all.end() || it->id != id) return std::nullopt;
        return static_cast<std::size_t>(it - all.begin());
    }
    const auto it = std::lower_bound(positions_.begin(), positions_.end(), std::pair{id, 0u});
    if (it == positions_.end() || it->first != id) return std::nullopt;
    return it->second;
}

bool ListState::set_status(std::int32_t id, const std::string& wang, const std::string& text) {
    if (!order) return false;
    const auto& all = order->customers();
    if (statuses_for_ != order.get()) {
        statuses_for_ = order.get();
        statuses_.assign(all.size(), 0);
        newest_first_ = std::is_sorted(all.begin(), all.end(),
                                       [](const auto& a, const auto& b) { return a.id > b.id; });
        positions_.clear();
        if (!newest_first_) {
            positions_.reserve(all.size());
            for (std::size_t i = 0; i < all.size(); ++i)
                positions_.emplace_back(all[i].id, static_cast<std::uint32_t>(i));
            std::sort(positions_.begin(), positions_.end());
        }
    }
    const auto at = position_of(id);
    // A status learnt for another ID of the customer is not theirs now.
    if (!at || all[*at].buyer != wang) return false;
    auto known = std::find(status_texts_.begin(), status_texts_.end(), text);
    if (known == status_texts_.end()) {
        // More different texts than a byte tells: none of the services has that many.
        if (status_texts_.size() > 255) return false;
        status_texts_.push_back(text);
        known = std::prev(status_texts_.end());
    }
    const auto index = static_cast<std::uint8_t>(known - status_texts_.begin());
    if (statuses_[*at] == index) return false;
    statuses_[*at] = index;
    return true;
}

void ListState::clear_statuses() {
    statuses_ = {};
    positions_ = {};
    statuses_for_ = nullptr;
}

int CustomerRows::count() const {
    return static_cast<int>(state_->rows.size());
}

std::string CustomerRows::cell(int row, int column) const {
    const store::CustomerRow* c = state_->customer(row);
    if (!c) return {};
    switch (column) {
        case 0:
            return std::to_string(c->id);
        case 1:
            return std::to_string(row + 1);
        case 2:
            return state_->status_at(state_->rows[static_cast<std::size_t>(row)]);
        case 3:
            return c->buyer;
        case 4:
            return c->our_id;
        case 5:
            return services::format_date(c->first_enquiry, kDatePattern);
        case 6:
            return services::format_date(state_->query.closed ? c->deal_date : c->last_follow_up,
                                         kDatePattern);
        case 7:
            // The given-up view says why in front of the note.
            return state_->query.gave_up && !c->reason.empty()
                       ? "〔" + c->reason + "〕" + note_cell(c->note)
                       : note_cell(c->note);
        case kNextDateColumn:
            return c->next_follow_up != 0 ? services::format_date(c->next_follow_up, kDatePattern)
                                          : std::string();
        case kTagsColumn:
            return c->tags;
        default:
            return {};
    }
}

std::string CustomerRows::tip(int row) const {
    const store::CustomerRow* c = state_->customer(row);
    if (!c) return {};
    std::string tip;
    const auto line = [&tip](const std::string& text) {
        tip += (tip.empty() ? "" : "\r\n") + text;
    };
    if (c->next_follow_up != 0 && !state_->query.closed) {
        const auto days = static_cast<long long>(std::floor(state_->query.today)) -
                          static_cast<long long>(std::floor(c->next_follow_up));
        line("下次跟进：" + services::format_date(c->next_follow_up, kDatePattern) +
             (days == 0  ? "（今天）"
              : days > 0 ? "（已过 " + std::to_string(days) + " 天）"
                         : "（还有 " + std::to_string(-days) + " 天）"));
    }
    if (!c->tags.empty()) line("标签：" + c->tags);
    if (c->gave_up != 0)
        line("已放弃：" + services::format_date(c->gave_up, kDatePattern) +
             (c->reason.empty() ? "" : "，" + c->reason));
    if (!c->note.empty()) {
        // Ten lines at most: a tip is a glance, the editor holds the rest.
        std::size_t at = 0;
        for (int n = 0; n < 10 && at != std::string::npos; ++n) {
            const std::size_t end = c->note.find('\n', at);
            std::string part = c->note.substr(at, end == std::string::npos ? end : end - at);
            if (!part.empty() && part.back() == '\r') part.pop_back();
            line((n == 0 ? "备注：" : "　　　") + part);
            at = end == std::string::npos ? end : end + 1;
        }
        if (at != std::string::npos) line("　　　…");
    }
    return tip;
}

int CustomerRows::tone(int row) const {
    const store::CustomerRow* c = state_->customer(row);
    if (!c) return 0;
    switch (due_state(*c, state_->query.closed, state_->query.today, state_->query.cadence)) {
        case Due::due:
            return 1;
        case Due::overdue:
            return 2;
        case Due::no:
            return 0;
    }
    return 0;
}

}  // namespace app
