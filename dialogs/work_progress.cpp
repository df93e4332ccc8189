#include "dialogs/work_progress.h"

#include <chrono>
#include <exception>
#include <memory>
#include <utility>

#include "forms/forms.h"
#include "runtime/platform.h"

namespace dialogs {

namespace {

namespace pg = forms::progress;
using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 50;
// Windows' own progress windows wait a moment too: most files are read before it passes.
constexpr auto kShowAfter = std::chrono::milliseconds(400);
constexpr int kBarSteps = 1000;
constexpr const char* kCancelling = "正在取消，请稍候…";
constexpr const char* kStarting = "请稍候…";

struct Run {
    WorkProgress progress;
    std::function<void(WorkProgress&)> work;
    std::atomic<bool> ended{false};
    std::exception_ptr failure;  // read only once `ended` holds
    Clock::time_point started = Clock::now();
};

void show_progress(runtime::Window& w, Run& run, std::string& shown) {
    const WorkProgress::Seen seen = run.progress.seen();
    const std::string what = run.progress.stop_asked() ? kCancelling
                             : seen.what.empty()       ? kStarting
                                                       : seen.what;
    if (what != shown) w.set_text(pg::kLabel, shown = what);
    const std::uint64_t done = std::min(seen.done, seen.steps);
    w.set_progress(pg::kBar, seen.steps ? static_cast<int>(done * kBarSteps / seen.steps) : 0,
                   seen.steps ? kBarSteps : 0);
    if (!w.visible("") && Clock::now() - run.started >= kShowAfter) w.set_visible("", true);
}

runtime::Handlers progress_handlers(const std::shared_ptr<Run>& run, const std::string& title,
                                    WhenCancelled when) {
    runtime::Handlers h;
    h[forms::ops::kProgressCreated] = [run, title](runtime::Window& w, const runtime::EventArgs&) {
        w.set_text("", title);
        if (run->progress.stop_asked()) w.set_visible(pg::kCancelButton, false);
        auto shown = std::make_shared<std::string>();
        auto poll = [run, &w, shown] {
            if (run->ended.load(std::memory_order_acquire))
                w.close();
            else
                show_progress(w, *run, *shown);
        };
        poll();
        if (!w.closed()) w.start_timer("poll", kPollMs, poll);
    };
    h[forms::ops::kCancelWork] = [run, when](runtime::Window& w, const runtime::EventArgs&) {
        run->progress.ask_to_stop();
        if (when == WhenCancelled::drop) {
            w.close();
            return;
        }
        w.set_text(pg::kLabel, kCancelling);
        w.set_visible(pg::kCancelButton, false);
    };
    return h;
}

}  // namespace

void WorkProgress::begin(std::string what, std::uint64_t steps) {
    std::lock_guard lock(mutex_);
    what_ = std::move(what);
    done_.store(0, std::memory_order_relaxed);
    steps_.store(steps, std::memory_order_relaxed);
}

WorkProgress::Seen WorkProgress::seen() const {
    std::lock_guard lock(mutex_);
    return {what_, done_.load(std::memory_order_relaxed), steps_.load(std::memory_order_relaxed)};
}

bool run_with_progress(std::string title, WhenCancelled when,
                       std::function<void(WorkProgress&)> work) {
    auto run = std::make_shared<Run>();
    run->work = std::move(work);
    auto& windows = runtime::platform().windows();
    windows.run_in_background([run] {
        // Nothing may leave a thread of its own: it is handed to the window's thread.
        try {
            run->work(run->progress);
        } catch (...) {
            run->failure = std::current_exception();
        }
        run->ended.store(true, std::memory_order_release);
    });
    while (!run->ended.load(std::memory_order_acquire)) {
        windows.open_modal(forms::work_progress(), progress_handlers(run, title, when));
        // 取消 of work whose result is only thrown away: it is left to finish unheard.
        if (when == WhenCancelled::drop && run->progress.stop_asked()) return false;
        // Closed by its close box or Alt+F4 while the work goes on: that is 取消 as well,
        // and a change to the store is still waited for.
        if (run->ended.load(std::memory_order_acquire)) break;
        run->progress.ask_to_stop();
        if (when == WhenCancelled::drop) return false;
    }
    if (run->failure) std::rethrow_exception(run->failure);
    return true;
}

}  // namespace dialogs
