#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/message_box.h"

namespace runtime::headless {

// One message box as the program showed it, with the answer it got.
struct ShownMessageBox {
    std::string text;
    std::string title;
    std::uint32_t style = 0;
    int answer = 0;
};

// Message boxes without a screen. Every box is recorded. The answer is the
// next one a test pushed; with none pushed, the box is answered as if the
// user pressed Enter, that is with its default button (the first button
// unless the style picks another): OK for an OK box, Yes for Yes/No.
class HeadlessMessageBoxes final : public MessageBoxAdapter {
  public:
    int show(std::string_view text, std::string_view title, std::uint32_t style) override;

    void push_answer(int answer);
    std::size_t pending_answers() const { return answers_.size(); }

    const std::vector<ShownMessageBox>& shown() const { return shown_; }
    void clear_shown() { shown_.clear(); }

    // The answer Enter gives for a style; 0 for a button set Windows does not know.
    static int default_answer(std::uint32_t style);

  private:
    std::deque<int> answers_;
    std::vector<ShownMessageBox> shown_;
};

}  // namespace runtime::headless
