#pragma once
// Loading the list off the windows' thread: a hundred thousand customers take the Windows
// build half a second to read and order, and the window must answer meanwhile. The store is
// read through a connection of the load's own, the customers are ordered on the same thread,
// and only the hand-over (the rows chosen, the view told) runs on the windows' thread.
#include <functional>

#include "app/main_window.h"

namespace app {

// What a load read: the customers of one mode, ordered for finding and sorting, and the
// store's change stamp as it read them. No order: the store did not open.
struct LoadedList {
    std::shared_ptr<ListOrder> order;
    std::optional<std::uint64_t> stamp;
};

// What the caller does around the hand-over, on the windows' thread: `before` just before
// the list shows the new load, `after` just after (neither runs when the load was overtaken),
// `done` when the load has ended either way.
struct ListArrival {
    std::function<void()> before;
    std::function<void()> after;
    std::function<void()> done;
};

// Reads the customers of the current mode off the windows' thread and shows them there. A
// load on the window's own thread meanwhile (a save, another mode) overtakes it: what it
// read is dropped. While it runs context.list_loading holds.
void load_list_in_background(runtime::Window& window, MainContext& context,
                             ListArrival arrival = {});

// Reads and orders the customers of one mode through `c`, on the calling thread.
LoadedList read_list(store::StoreConnection& c, store::RowSet& rs,
                     const store::StoreLocation& where, bool closed);
// Shows what a load read; false (the list keeps what it had) when the store did not open.
bool show_loaded_list(runtime::Window& window, MainContext& context, LoadedList loaded);

}  // namespace app
