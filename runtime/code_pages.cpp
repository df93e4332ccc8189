#include "runtime/code_pages.h"

namespace runtime {

SortKeys CodePageAdapter::sort_keys(std::span<const std::string_view> texts) {
    SortKeys keys;
    keys.reserve(texts.size(), 0);
    for (std::string_view text : texts)
        keys.add(sort_key(text));
    return keys;
}

}  // namespace runtime
