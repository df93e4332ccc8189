#include "runtime/form.h"

namespace runtime {

const Control* Form::find(std::string_view control) const {
    for (const auto& c : controls)
        if (c.name == control) return &c;
    return nullptr;
}

}  // namespace runtime
