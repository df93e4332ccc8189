#include "app/list_loading.h"

#include "app/store_choice.h"
#include "runtime/platform.h"
#include "store/customer_actions.h"

namespace app {

namespace {

std::shared_ptr<ListOrder> ordered(std::optional<std::vector<store::CustomerRow>> customers) {
    if (!customers) return nullptr;
    return std::make_shared<ListOrder>(std::move(*customers), &runtime::platform().code_pages());
}

}  // namespace

LoadedList read_list(store::StoreConnection& c, store::RowSet& rs,
                     const store::StoreLocation& where, bool closed) {
    LoadedList loaded;
    loaded.order = ordered(store::load_customers(c, rs, where, closed, &loaded.stamp));
    return loaded;
}

void load_list_in_background(runtime::Window& window, MainContext& context, ListArrival arrival) {
    const std::uint64_t load = ++context.list_loads;
    context.list_loading = true;
    const bool closed = closed_mode(context.state.list_mode);
    auto& windows = runtime::platform().windows();
    windows.run_in_background([&window, &context, load, closed, where = store_location(context),
                               arrival = std::move(arrival)]() mutable {
        // A connection of its own: the window's stays free for what the user does meanwhile,
        // and the file's lock keeps the two apart.
        LoadedList loaded;
        std::optional<std::vector<store::CustomerRow>> customers;
        {
            store::StoreConnection connection;
            store::RowSet rows;
            customers = store::load_customers(connection, rows, where, closed, &loaded.stamp);
        }  // the pages it read go before the order takes its room
        loaded.order = ordered(std::move(customers));
        runtime::platform().windows().post([&window, &context, load, closed,
                                            loaded = std::move(loaded),
                                            arrival = std::move(arrival)]() mutable {
            // Overtaken by a load of the window's own, or the mode changed since: this one's
            // customers are not what the user asked for now.
            const bool current = load == context.list_loads && !window.closed() &&
                                 closed == (closed_mode(context.state.list_mode));
            if (load == context.list_loads) context.list_loading = false;
            if (current) {
                if (arrival.before) arrival.before();
                show_loaded_list(window, context, std::move(loaded));
                if (arrival.after) arrival.after();
            }
            if (arrival.done) arrival.done();
        });
    });
}

}  // namespace app
