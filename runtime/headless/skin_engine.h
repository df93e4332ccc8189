#pragma once
// The skin engine in memory: every attach is recorded with a copy of the bytes it was given,
// so tests see exactly which skins were attached, in order. The engine image is whatever a
// test sets.
#include <optional>
#include <vector>

#include "runtime/skin_engine.h"

namespace runtime::headless {

class HeadlessSkinEngine final : public SkinEngineAdapter {
  public:
    struct Attach {
        bool has_data = false;  // a non-null pointer was passed
        std::int32_t length = 0;
        std::vector<std::uint8_t> bytes;  // what the pointer and the length covered
        friend bool operator==(const Attach&, const Attach&) = default;
    };

    std::span<const std::uint8_t> engine_image() override { return image_; }
    SkinAttach attach(const std::uint8_t* data, std::int32_t length) override;

    void set_engine_image(std::vector<std::uint8_t> image) { image_ = std::move(image); }
    // What later attaches report; by default the engine takes every skin.
    void set_reply(SkinAttach reply) { reply_ = reply; }
    const std::vector<Attach>& attaches() const { return attaches_; }
    void clear_attaches() { attaches_.clear(); }

  private:
    std::vector<std::uint8_t> image_;
    std::vector<Attach> attaches_;
    SkinAttach reply_{SkinAttach::Outcome::attached, 0};
};

}  // namespace runtime::headless
