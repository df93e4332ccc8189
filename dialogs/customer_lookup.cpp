#include "dialogs/customer_lookup.h"

#include "store/sources.h"

namespace dialogs {

StoredCustomer look_up_customer(store::StoreConnection& c, store::RowSet& rs,
                                const store::StoreLocation& where, std::int32_t id) {
    StoredCustomer found;
    if (!c.open_store(where)) return found;
    rs.set_filter("");
    if (rs.attach(c) && rs.open_rows(store::customer_source(id), store::kTableMode)) {
        if (rs.row_count() == 1) {
            found.lookup = Lookup::found;
        } else {
            found.lookup = Lookup::missing;
        }
    }
    rs.close_rows();
    c.close_store();
    return found;
}

}  // namespace dialogs
