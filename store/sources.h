#pragma once
// Every table-and-condition text and statement the windows hand to the store. Values typed
// by the user go in between single quotes with each quote inside doubled, so that no value
// can end the text early or change which rows a statement touches.
#include <cstdint>
#include <string>
#include <string_view>

namespace store {

// A typed value as it stands between the single quotes of a condition.
std::string quoted(std::string_view value);

// The customer list's rows: open ("yn=false") or closed ("yn=true") customers, read as stored
// and put newest first by the list's reader.
std::string customer_list_source(bool closed);
// One customer by its number.
std::string customer_source(std::int32_t id);
// Customers already saved under this customer ID and our ID.
std::string duplicate_source(std::string_view customer_id, std::string_view our_id);
// The same, leaving out the customer being edited.
std::string duplicate_source_except(std::string_view customer_id, std::string_view our_id,
                                    std::int32_t id);
std::string delete_customer_statement(std::int32_t id);
// All closed or all open customers, for the chart's counts.
std::string deal_count_source(bool closed);

// Rows of the settings table.
inline constexpr std::int32_t kOurIdsRow = 1;
inline constexpr std::int32_t kSkinRow = 3;
// The program's own settings, one "key=value" line each.
inline constexpr std::int32_t kProgramRow = 2;
std::string settings_source(std::int32_t row);

}  // namespace store
