#pragma once
// Where this shop's data is this run, resolved once at the start and again at each change of
// the store chosen in the settings, and what that store can do. The windows ask this object
// instead of working it out from the location or the environment.
#include <string>

#include "engine/engine.h"
#include "engine/location.h"

namespace store {

class Shop {
  public:
    Shop() = default;
    // The shop of the database file at `database_path`: on `chosen_server` (an ODBC
    // connection string) when one is given, else in the file. LQ_STORE, when set, names the
    // server in place of both.
    static Shop resolve(const std::string& database_path, const std::string& chosen_server);

    // The customers and the shop's settings.
    const StoreLocation& customers() const { return customers_; }
    // This PC's own database file and no other: its window, its list's order, its choice of
    // store.
    StoreLocation this_pc() const;
    // This PC's file, or LQ_STORE's server where that variable stands for every file.
    const StoreLocation& local() const { return local_; }

    const Capabilities& can() const { return can_; }
    bool on_server() const { return customers_.on_server(); }
    // LQ_STORE names the store, whatever this PC chose.
    bool overridden() const { return overridden_; }
    // The shop's settings are in the store's settings row 2, apart from this PC's own.
    bool shared_settings() const { return can_.shared_by_pcs; }

  private:
    StoreLocation customers_, local_;
    Capabilities can_;
    bool overridden_ = false;
};

}  // namespace store
