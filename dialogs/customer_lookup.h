#pragma once
// One stored customer read by its number, for the dialogs that must know it still exists.
#include <cstdint>

#include "store/customer_actions.h"

namespace dialogs {

enum class Lookup { found, missing, unavailable };

struct StoredCustomer {
    Lookup lookup = Lookup::unavailable;
};

StoredCustomer look_up_customer(store::StoreConnection& c, store::RowSet& rs,
                                const store::StoreLocation& where, std::int32_t id);

}  // namespace dialogs
