#pragma once
// The shop's own lists beside its customers: the tags it marks customers with and the reasons
// it gives customers up for, each in the order the shop put them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/location.h"
#include "store/customer_actions.h"
#include "store/row_set.h"
#include "store/store_connection.h"

namespace store {

enum class ListKind : std::int32_t { tag = 0, reason = 1 };

struct ListEntry {
    std::int32_t id = 0;  // 0: not stored yet
    std::string name;
    bool operator==(const ListEntry&) const = default;
};

// The reasons every shop starts with; those it types itself follow them.
const std::vector<std::string>& usual_reasons();

// The entries of one list in their order; nullopt when the store did not open.
std::optional<std::vector<ListEntry>> read_shop_list(StoreConnection& c, RowSet& rs,
                                                     const StoreLocation& store, ListKind kind);
// Within an open action: the same, or nullopt when unreadable.
std::optional<std::vector<ListEntry>> read_list_rows(StoreConnection& c, RowSet& rs, ListKind kind);

// Stores the shop's tags as `tags` holds them, in that order, in one transaction: entries
// numbered 0 are new, the others keep their number and take their name; a tag left out is
// removed, from every customer too.
ActionResult save_tags(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                       const std::vector<ListEntry>& tags);

// A customer's tags as lq_buyer keeps them (",3,7,"), and back; numbers that are not tags of
// the shop are dropped.
std::string tag_field(const std::vector<std::int32_t>& tag_ids);
std::vector<std::int32_t> tag_ids_in(std::string_view field);

// Tag names are shown as "#name", one after another: a name holds no blank, comma or "#".
bool fits_tag_name(std::string_view name);

// Within an open transaction: adds a reason typed for the first time to the shop's reasons
// (letter case ignored); false when the store refused.
bool keep_reason(StoreConnection& c, RowSet& rs, const std::string& reason);

}  // namespace store
