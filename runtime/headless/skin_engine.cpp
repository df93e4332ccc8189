#include "runtime/headless/skin_engine.h"

namespace runtime::headless {

SkinAttach HeadlessSkinEngine::attach(const std::uint8_t* data, std::int32_t length) {
    Attach a;
    a.has_data = data != nullptr;
    a.length = length;
    // The real engine reads no more than it is told; neither does the record.
    if (data && length > 0) a.bytes.assign(data, data + length);
    attaches_.push_back(std::move(a));
    return reply_;
}

}  // namespace runtime::headless
