#pragma once
// Building blocks the window definitions share.
#include <string>

#include "runtime/form.h"

namespace forms::controls {

inline runtime::Control make(std::string name, runtime::ControlKind kind, runtime::Rect rect,
                             std::string text = {}, bool tab_stop = false) {
    runtime::Control c;
    c.name = std::move(name);
    c.kind = kind;
    c.rect = rect;
    c.text = std::move(text);
    c.tab_stop = tab_stop;
    return c;
}

// A button that takes the keyboard and sends `op` when clicked.
inline runtime::Control button(const char* name, runtime::Rect rect, const char* caption,
                               const char* op) {
    runtime::Control c = make(name, runtime::ControlKind::button, rect, caption, true);
    c.events = {{runtime::Event::clicked, op}};
    return c;
}

}  // namespace forms::controls
