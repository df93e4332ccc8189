#pragma once
// Real windows: each definition becomes a top-level window with the common controls it
// names, and the controls' notifications become the definition's events.
#include <list>
#include <map>
#include <memory>
#include <string>

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

    // Called by a window when Windows has destroyed it.
    void destroyed(Win32Window& window);

  private:
    Win32Window& create(const Form& form, Handlers handlers);
    std::list<std::unique_ptr<Win32Window>> windows_;
    std::list<std::unique_ptr<Win32Window>> finished_;  // freed once no call is inside them
};

}  // namespace runtime::win32
