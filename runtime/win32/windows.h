#pragma once
// Real windows: each definition becomes a top-level window with the common controls it
// names, and the controls' notifications become the definition's events.
// clang-format off
#include <windows.h>
// clang-format on

#include <atomic>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "runtime/window.h"

namespace runtime::win32 {

class Win32Window;

class Win32Windows final : public WindowSystem {
  public:
    Win32Windows();
    ~Win32Windows() override;
    Window& open(const Form& form, Handlers handlers) override;
    void open_modal(const Form& form, Handlers handlers) override;
    int run(Window& main) override;
    void run_in_background(std::function<void()> work) override;
    void post(std::function<void()> task) override;
    bool modal_open() const override;

    // Called by a window when Windows has destroyed it.
    void destroyed(Win32Window& window);
    // Runs what the background work has posted; on the windows' thread.
    void run_posted();

  private:
    Win32Window& create(const Form& form, Handlers handlers);
    struct Worker {
        std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
        std::jthread thread;
    };
    // Joined before the window their posts go to is destroyed.
    std::list<Worker> workers_;
    HWND posts_window_ = nullptr;  // a message-only window that wakes the windows' thread
    std::mutex posts_mutex_;
    std::deque<std::function<void()>> posts_;
    const Win32Window* main_ = nullptr;
    int modal_depth_ = 0;
    bool main_gone_ = false;
    std::list<std::unique_ptr<Win32Window>> windows_;
    std::list<std::unique_ptr<Win32Window>> finished_;  // freed once no call is inside them
};

}  // namespace runtime::win32
