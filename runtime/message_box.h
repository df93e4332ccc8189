#pragma once

#include <cstdint>
#include <string_view>

namespace runtime {

// Answer codes of a message box, the values Windows returns.
enum MessageBoxAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerAbort = 3,
    kAnswerRetry = 4,
    kAnswerIgnore = 5,
    kAnswerYes = 6,
    kAnswerNo = 7,
    kAnswerTryAgain = 10,
    kAnswerContinue = 11,
};

// Style bits the program uses; the values are those of the Win32 MB_* constants.
inline constexpr std::uint32_t kStyleOk = 0x0;
inline constexpr std::uint32_t kStyleOkCancel = 0x1;
inline constexpr std::uint32_t kStyleAbortRetryIgnore = 0x2;
inline constexpr std::uint32_t kStyleYesNoCancel = 0x3;
inline constexpr std::uint32_t kStyleYesNo = 0x4;
inline constexpr std::uint32_t kStyleRetryCancel = 0x5;
inline constexpr std::uint32_t kStyleCancelTryContinue = 0x6;
inline constexpr std::uint32_t kStyleButtonsMask = 0xF;
inline constexpr std::uint32_t kStyleDefaultButtonMask = 0xF00;
inline constexpr std::uint32_t kStyleDefaultButtonShift = 8;

// A modal message box without an owner window. Text is UTF-8.
class MessageBoxAdapter {
  public:
    virtual ~MessageBoxAdapter() = default;

    // Shows the box and returns when it is closed, with the answer code
    // (kAnswerOk ... kAnswerNo), or 0 when the box could not be shown.
    virtual int show(std::string_view text, std::string_view title, std::uint32_t style) = 0;
};

}  // namespace runtime
