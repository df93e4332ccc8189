#include "runtime/window.h"

namespace runtime {

void dispatch(Window& window, const Handlers& handlers, std::string_view control, Event event,
              const EventArgs& args) {
    const Form& form = window.form();
    const std::vector<Binding>* bindings = &form.events;
    if (!control.empty()) {
        const Control* c = form.find(control);
        if (!c) return;
        bindings = &c->events;
    }
    // Copied: a handler may close the window and free the bindings it came from.
    std::vector<Binding> bound;
    for (const auto& b : *bindings)
        if (b.event == event) bound.push_back(b);
    for (const auto& b : bound) {
        auto it = handlers.find(b.handler);
        if (it != handlers.end() && it->second) it->second(window, args);
    }
}

}  // namespace runtime
