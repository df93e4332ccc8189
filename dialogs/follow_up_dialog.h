#pragma once
// "记录跟进": a follow-up of the customer a list command picked, recorded in one line.
#include <memory>
#include <string>
#include <string_view>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

// The line a follow-up puts at the top of the note: the date as the list shows dates, the
// time as H:MM, a blank and what was said.
std::string follow_up_line(double when, std::string_view said);
// A moment as those lines show it: the date as the list shows dates, and the time as H:MM.
std::string moment_text(double when);

runtime::Handlers follow_up_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
