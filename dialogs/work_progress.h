#pragma once
// Work that may take a while (reading a large file, an import) runs off the window's thread:
// the program's windows keep answering and painting, and once the work takes longer than a
// moment a window shows how far it is, with 取消 (and Esc).
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace dialogs {

// What the work and its window share; any thread may call any of these.
class WorkProgress {
  public:
    // What the work does now ("正在读取文件…") and in how many steps; 0: nobody can say.
    void begin(std::string what, std::uint64_t steps = 0);
    void advance(std::uint64_t done) { done_.store(done, std::memory_order_relaxed); }
    // 取消 was chosen: the work gives up at its next safe place.
    bool stop_asked() const { return stop_.load(std::memory_order_acquire); }
    void ask_to_stop() { stop_.store(true, std::memory_order_release); }

    struct Seen {
        std::string what;
        std::uint64_t done = 0, steps = 0;
    };
    Seen seen() const;

  private:
    mutable std::mutex mutex_;
    std::string what_;
    std::atomic<std::uint64_t> done_{0}, steps_{0};
    std::atomic<bool> stop_{false};
};

enum class WhenCancelled {
    drop,  // the window goes at once and what the work finds is thrown away (a file read)
    wait,  // the window stays until the work has undone what it did (a change to the store)
};

// Runs `work` on a thread of its own and returns when it has ended, or, with
// WhenCancelled::drop, as soon as the user cancels. True when the work ran to its end (it may
// have stopped early of its own accord, having seen stop_asked()); false when it was left to
// finish unheard. What the work throws is thrown here, on the window's thread.
bool run_with_progress(std::string title, WhenCancelled when,
                       std::function<void(WorkProgress&)> work);

}  // namespace dialogs
