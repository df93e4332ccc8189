#include "app/list_statuses.h"

#include <algorithm>
#include <memory>

#include "forms/forms.h"
#include "runtime/platform.h"

namespace app {

namespace {

// The first rows, the ones in view, come back soonest; later batches grow so that the
// baseline request each batch makes stays a small share.
constexpr std::size_t kFirstBatch = 32;
constexpr std::size_t kLargestBatch = 1024;

}  // namespace

void cancel_list_statuses(MainContext& context) {
    if (context.status_run) context.status_run->cancelled = true;
    context.status_run.reset();
}

void probe_list_statuses(runtime::Window& window, MainContext& context,
                         std::vector<std::string> ids) {
    cancel_list_statuses(context);
    if (!context.probe_statuses || ids.empty()) return;
    auto run = std::make_shared<StatusRun>();
    context.status_run = run;
    auto& windows = runtime::platform().windows();
    windows.run_in_background([&windows, &window, run, probe = context.probe_statuses,
                               ids = std::move(ids)] {
        std::size_t batch = kFirstBatch;
        for (std::size_t from = 0; from < ids.size() && !run->cancelled; from += batch) {
            batch = from == 0 ? kFirstBatch : std::min(batch * 2, kLargestBatch);
            const std::size_t to = std::min(ids.size(), from + batch);
            std::vector<std::string> part(ids.begin() + static_cast<std::ptrdiff_t>(from),
                                          ids.begin() + static_cast<std::ptrdiff_t>(to));
            auto statuses = probe(part);
            statuses.resize(part.size());
            windows.post([&window, run, from, statuses = std::move(statuses)] {
                // A newer load has other rows in these places.
                if (run->cancelled) return;
                for (std::size_t i = 0; i < statuses.size(); ++i)
                    window.set_cell(forms::main::kList, static_cast<int>(from + i), 2, statuses[i]);
            });
        }
    });
}

}  // namespace app
