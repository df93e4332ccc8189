#include "app/day_turn.h"

#include <cmath>

#include "app/data_commands.h"
#include "dialogs/dates.h"
#include "runtime/platform.h"

namespace app {

namespace {

std::int64_t day_now() {
    return static_cast<std::int64_t>(std::floor(dialogs::now_as_date()));
}

}  // namespace

void watch_the_date(runtime::Window& window, MainContext& context) {
    context.day_shown = day_now();
    window.start_timer(kDayTurnTimer, kDayTurnPeriodMs,
                       [&window, &context] { check_the_date(window, context); });
}

void check_the_date(runtime::Window& window, MainContext& context) {
    const std::int64_t today = day_now();
    if (today == context.day_shown || window.closed()) return;
    if (runtime::platform().windows().modal_open() || !context.state.export_kind.empty()) return;
    context.day_shown = today;
    show_list(window, context);
    remind_of_due(window, context);
    back_up_today(context);
}

}  // namespace app
