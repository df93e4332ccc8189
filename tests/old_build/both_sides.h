#pragma once
// What the two programs of the old-build check agree on: the numbers the current build's
// customers get, and what the old build changes. Compiled against both trees, so it includes
// nothing of either. Dates are the store's day numbers (1899-12-30 is day 0).
#include <cstdint>

namespace old_build {

// The customers the current build saves, by the numbers they get in a fresh file.
inline constexpr std::int32_t kFollowedUp = 1;  // two follow-ups, next date, note lines
inline constexpr std::int32_t kQuoted = 2;      // a formula-like ID and quotes in the note
inline constexpr std::int32_t kGivenUp = 3;     // given up for a reason typed anew
inline constexpr std::int32_t kClosed = 4;      // deal registered
inline constexpr std::int32_t kImportedOpen = 5;
inline constexpr std::int32_t kImportedClosed = 6;
inline constexpr std::int32_t kDeleted = 7;  // deleted into the recycle bin

// The old build edits the first customer as its editor does (the row as listed, a new last
// follow-up and note), closes the second one's deal and saves a customer of its own.
inline constexpr std::int32_t kEdited = kFollowedUp;
inline constexpr double kEditedLastFollowUp = 45732.5;  // 2025-03-16 12:00
inline constexpr const char* kEditedNote = "旧版改的备注\r\n月底再联系";
inline constexpr std::int32_t kDealt = kQuoted;
inline constexpr double kDealDate = 45734;  // 2025-03-18
inline constexpr std::int32_t kAddedByOld = 8;
inline constexpr const char* kAddedBuyer = "旧版买家";
inline constexpr const char* kAddedOurId = "店主二";
inline constexpr double kAddedFirstEnquiry = 45734.25;  // 2025-03-18 06:00
inline constexpr double kAddedLastFollowUp = 45734.75;  // 2025-03-18 18:00
inline constexpr const char* kAddedNote = "旧版加的";

}  // namespace old_build
