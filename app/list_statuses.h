#pragma once
// The online status column: probed off the windows' thread after the list is filled, so that
// a long list shows at once and its statuses follow, the first rows first.
#include <atomic>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

// One round of probes for one list load; a newer load or the end of the program cancels it.
struct StatusRun {
    std::atomic<bool> cancelled{false};
};

// Probes `ids`, the list's rows in order, and fills each row's status as its answer comes.
void probe_list_statuses(runtime::Window& window, MainContext& context,
                         std::vector<std::string> ids);
// Stops the round in progress; what it has not shown yet is never shown.
void cancel_list_statuses(MainContext& context);

}  // namespace app
