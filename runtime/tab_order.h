#pragma once
// The order the Tab key walks a window's controls, and the control that has the keyboard
// when the window opens.
#include <vector>

#include "runtime/form.h"

namespace runtime {

// The tab stops of `form` as the eye reads them: rows from top to bottom (controls whose
// heights overlap share a row), each row from left to right.
std::vector<const Control*> tab_order(const Form& form);

// The control to focus when the window opens: the form's own choice, else the first tab stop
// in tab order for which `shown` is true; null when there is none.
template <typename Shown>
const Control* first_focus(const Form& form, Shown shown) {
    if (!form.focus.empty())
        if (const Control* c = form.find(form.focus); c && shown(*c)) return c;
    for (const Control* c : tab_order(form))
        if (shown(*c)) return c;
    return nullptr;
}

}  // namespace runtime
