#pragma once
// Where the program finds the store this run, and keeping the user's choice of it; the
// choice itself is dialogs/server_settings.h.
#include <string>

#include "dialogs/server_settings.h"
#include "engine/location.h"
#include "store/customer_actions.h"

namespace app {

struct MainContext;

// Resolves where the shop's data is from now on: on `chosen_server` (a connection string),
// or in this PC's file when it is empty (nothing chosen, or the server put aside for this
// run). Called at the start and at each change of store.
void use_store(MainContext& context, const std::string& chosen_server);
// The database file of this PC, whichever store holds the customers: the settings of this PC
// live there. LQ_STORE stands for it as for every file location (the program then keeps
// everything on that server, as its other settings of this PC do).
store::StoreLocation local_store(const MainContext& context);
// Where the customers and the shop-wide settings are this run.
store::StoreLocation store_location(const MainContext& context);

// Reads the shop-wide settings of the store in use (after the start and every change of
// store); on the file they are this PC's own.
void load_shop_settings(MainContext& context);
// The follow-up cadence of the shop, and storing a new one where the customers are.
int current_cadence(const MainContext& context);
store::ActionResult save_cadence(MainContext& context, int days);

// Stores the choice in this PC's own file's settings row 2 (under LQ_STORE too, never on its
// server), every other line kept. `problem` gets what the user is told when it fails.
bool save_store_choice(MainContext& context, const dialogs::StoreChoice& choice,
                       std::string& problem);

}  // namespace app
