#pragma once
// Where each of a customer's fields is kept: the columns of the customer table, named as the
// files other tools read and older copies of the program have always named them.
namespace store {

inline constexpr const char* kIdColumn = "id";
inline constexpr const char* kBuyerColumn = "wang";          // the customer's ID
inline constexpr const char* kOurIdColumn = "wang2";         // our ID that serves them
inline constexpr const char* kFirstEnquiryColumn = "time1";  // date of the first enquiry
inline constexpr const char* kLastFollowUpColumn = "time2";  // date of the last follow-up
inline constexpr const char* kNoteColumn = "bs";
inline constexpr const char* kClosedColumn = "yn";       // the deal is closed
inline constexpr const char* kDealDateColumn = "time3";  // date of the deal

}  // namespace store
