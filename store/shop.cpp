#include "store/shop.h"

#include "drivers/open_engine.h"
#include "store/provision.h"
#include "store/store_connection.h"

namespace store {

Shop Shop::resolve(const std::string& database_path, const std::string& chosen_server) {
    Shop shop;
    const auto variable = store_override();
    shop.overridden_ = variable.has_value();
    const std::string server = variable ? *variable : chosen_server;
    shop.customers_ = StoreLocation{database_path, kDatabasePassword, server};
    shop.customers_.exact = true;
    shop.local_ = StoreLocation{database_path, kDatabasePassword, variable.value_or("")};
    shop.local_.exact = true;
    shop.can_ = drivers::capabilities(shop.customers_);
    return shop;
}

StoreLocation Shop::this_pc() const {
    StoreLocation where{customers_.path, customers_.password};
    where.exact = true;
    return where;
}

}  // namespace store
