#include "dialogs/follow_up_dialog.h"

#include <cmath>

#include "dialogs/dates.h"
#include "dialogs/id_text.h"
#include "forms/forms.h"
#include "services/date_format.h"
#include "services/message.h"
#include "store/next_steps.h"

namespace dialogs {

namespace {

namespace fu = forms::follow_up;

struct FollowUp {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
};

// The choices of the next follow-up, and the days from today each stands for; the last takes
// the day in the picker.
constexpr const char* kNextChoices[] = {"不设定", "明天", "3 天后", "下周", "自定义日期"};
constexpr int kNextDays[] = {0, 1, 3, 7, 0};
constexpr int kNoNext = 0, kOwnDay = 4;

void on_created(runtime::Window& w) {
    w.clear_choices(fu::kNextChoice);
    for (const char* choice : kNextChoices)
        w.add_choice(fu::kNextChoice, choice);
    w.select_choice(fu::kNextChoice, kNoNext);
    w.set_date(fu::kNextDate, std::floor(now_as_date()) + 1);
}

// A span chosen puts its day in the picker; a day picked is a day of one's own.
void on_choice(runtime::Window& w) {
    const int k = w.selected_choice(fu::kNextChoice);
    if (k > kNoNext && k < kOwnDay)
        w.set_date(fu::kNextDate, std::floor(now_as_date()) + kNextDays[k]);
}

void on_date(runtime::Window& w) {
    w.select_choice(fu::kNextChoice, kOwnDay);
}

void record(runtime::Window& w, FollowUp& f) {
    const DialogContext& c = *f.context;
    const double now = now_as_date();
    const std::string said = trim_blanks(w.text(fu::kText));
    const std::string line = said.empty() ? std::string() : follow_up_line(now, said);
    const int choice = w.selected_choice(fu::kNextChoice);
    const double next = choice <= kNoNext ? 0.0 : std::floor(w.date(fu::kNextDate));
    const auto result = store::record_follow_up(f.connection, f.rows, c.store(), c.target_id,
                                                {now, said, line, next});
    if (!report_action(result, f.connection, c.database_path)) return;  // still open as typed
    c.reload_list();
    w.close();
}

}  // namespace

std::string moment_text(double when) {
    const double day = std::floor(when);
    auto minutes = static_cast<long long>(std::llround((when - day) * 24 * 60));
    if (minutes >= 24 * 60) minutes = 24 * 60 - 1;  // a moment before midnight stays that day
    return services::format_date(day, "%y-%m-%d") + " " + std::to_string(minutes / 60) + ":" +
           (minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60);
}

std::string follow_up_line(double when, std::string_view said) {
    return moment_text(when) + " " + std::string(said);
}

runtime::Handlers follow_up_handlers(std::shared_ptr<const DialogContext> context) {
    auto f = std::make_shared<FollowUp>();
    f->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kRecordFollowUp] = [f](runtime::Window& w, const runtime::EventArgs&) {
        record(w, *f);
    };
    h[forms::ops::kFollowUpCreated] = [](runtime::Window& w, const runtime::EventArgs&) {
        on_created(w);
    };
    h[forms::ops::kNextChoiceChanged] = [](runtime::Window& w, const runtime::EventArgs&) {
        on_choice(w);
    };
    h[forms::ops::kNextDateChanged] = [](runtime::Window& w, const runtime::EventArgs&) {
        on_date(w);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
