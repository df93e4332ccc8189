#pragma once
// One stored customer read by its number, for the dialogs that must know it still exists.
#include <cstdint>

#include "store/customer_actions.h"

namespace dialogs {

enum class Lookup { found, missing, unavailable };

struct StoredCustomer {
    Lookup lookup = Lookup::unavailable;
    double time2 = 0;  // last follow-up, as stored
    std::string bs;    // the note, as stored (the list shows its line breaks otherwise)
};

StoredCustomer look_up_customer(store::StoreConnection& c, store::RowSet& rs,
                                const store::StoreLocation& where, std::int32_t id);

}  // namespace dialogs
