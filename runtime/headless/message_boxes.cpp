#include "runtime/headless/message_boxes.h"

#include <array>

namespace runtime::headless {

namespace {

struct ButtonSet {
    std::array<int, 3> answers;
    std::size_t count;
};

// Buttons of each MB_* button set, left to right.
constexpr std::array<ButtonSet, 7> kButtonSets{{
    {{kAnswerOk, 0, 0}, 1},
    {{kAnswerOk, kAnswerCancel, 0}, 2},
    {{kAnswerAbort, kAnswerRetry, kAnswerIgnore}, 3},
    {{kAnswerYes, kAnswerNo, kAnswerCancel}, 3},
    {{kAnswerYes, kAnswerNo, 0}, 2},
    {{kAnswerRetry, kAnswerCancel, 0}, 2},
    {{kAnswerCancel, kAnswerTryAgain, kAnswerContinue}, 3},
}};

}  // namespace

int HeadlessMessageBoxes::default_answer(std::uint32_t style) {
    const std::uint32_t set = style & kStyleButtonsMask;
    if (set >= kButtonSets.size()) return 0;
    const ButtonSet& buttons = kButtonSets[set];
    std::size_t pick = (style & kStyleDefaultButtonMask) >> kStyleDefaultButtonShift;
    // Windows falls back to the first button when the style names a missing one.
    if (pick >= buttons.count) pick = 0;
    return buttons.answers[pick];
}

int HeadlessMessageBoxes::show(std::string_view text, std::string_view title, std::uint32_t style) {
    int answer = 0;
    if (answers_.empty()) {
        answer = default_answer(style);
    } else {
        answer = answers_.front();
        answers_.pop_front();
    }
    shown_.push_back({std::string(text), std::string(title), style, answer});
    return answer;
}

void HeadlessMessageBoxes::push_answer(int answer) {
    answers_.push_back(answer);
}

}  // namespace runtime::headless
