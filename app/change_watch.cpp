#include "app/change_watch.h"

#include <utility>

#include "app/list_loading.h"
#include "app/store_choice.h"
#include "forms/forms.h"
#include "runtime/platform.h"

namespace app {

namespace {

using forms::main::kList;

}  // namespace

ChangeWatch::ChangeWatch(runtime::Window& window, MainContext& context)
    : window_(window), context_(context) {}

store::StoreLocation ChangeWatch::location() const {
    return store_location(context_);
}

void ChangeWatch::prime() {
    if (reading_) return;
    const StampReader::Stamp now = reader_->read(location());
    store_ = now.store;
    seen_ = now.value;
    shown_ = context_.list->order;
}

void ChangeWatch::tick() {
    auto& windows = runtime::platform().windows();
    if (reading_ || window_.closed() || windows.modal_open()) return;
    reading_ = true;
    windows.run_in_background([self = shared_from_this(), reader = reader_, where = location()] {
        StampReader::Stamp stamp = reader->read(where);
        runtime::platform().windows().post(
            [self, stamp = std::move(stamp)] { self->answer(stamp); });
    });
}

void ChangeWatch::answer(const StampReader::Stamp& stamp) {
    reading_ = false;
    if (window_.closed() || !stamp.value) return;
    // Not under a dialog, and not in the middle of an export that reloads the list itself:
    // the stamp stays unseen and the next look after it acts on it.
    if (runtime::platform().windows().modal_open() || !context_.state.export_kind.empty() ||
        context_.list_loading)
        return;
    // A look at a store the program has left since: the list is of another one now.
    if (stamp.store != StampReader::name_of(location())) return;
    const std::shared_ptr<const ListOrder> on_screen = context_.list->order;
    if (shown_.lock() != on_screen || stamp.store != store_) {
        // Loaded since the last look (or the first look at this store): the list shows the
        // store as that load read it.
        shown_ = on_screen;
        store_ = stamp.store;
        seen_ =
            on_screen && context_.list->loaded_stamp ? context_.list->loaded_stamp : stamp.value;
    }
    if (!seen_) seen_ = stamp.value;
    if (*stamp.value == *seen_) return;
    // This PC's own changes and nothing else since the load (its view settings kept in the
    // file, a save through the window's own connection): nothing on screen is stale.
    if (context_.connection.only_own_changes(*seen_, *stamp.value)) {
        seen_ = stamp.value;
        return;
    }
    reload_in_place(*stamp.value);
}

void ChangeWatch::reload_in_place(std::uint64_t stamp) {
    // Where the user is, taken when the new load arrives: they may have scrolled or picked
    // another row while it was read.
    struct Place {
        std::int32_t anchor_id = 0, keep = 0, reselect_before = 0;
        int anchor_offset = 0, first_in_view = 0;
        std::shared_ptr<const ListOrder> on_screen;
    };
    auto place = std::make_shared<Place>();
    auto self = shared_from_this();
    ListArrival arrival;
    arrival.before = [self, place] {
        const ListState& list = *self->context_.list;
        const runtime::RowRange view = self->window_.visible_rows(kList);
        const int selected = self->window_.selected_row(kList);
        const store::CustomerRow* picked = list.customer(selected);
        // The customer whose row anchors the view: the selected one when in view, else the
        // top one; it keeps its place on screen when rows above it came or went.
        const bool picked_in_view =
            picked && selected >= view.first && selected < view.first + std::max(view.count, 1);
        const store::CustomerRow* anchor = picked_in_view ? picked : list.customer(view.first);
        place->anchor_id = anchor ? anchor->id : 0;
        place->anchor_offset = picked_in_view ? selected - view.first : 0;
        place->first_in_view = view.first;
        place->keep = picked ? picked->id : 0;
        place->on_screen = list.order;
        place->reselect_before = std::exchange(self->context_.reselect, place->keep);
    };
    arrival.after = [self, place, stamp] {
        MainContext& context = self->context_;
        // The load did not run (the store did not open): nothing was used up, and the stamp
        // stays unseen for the next look to try again.
        if (context.reselect == place->keep) context.reselect = place->reselect_before;
        const int anchor_row = place->anchor_id ? context.list->row_of(place->anchor_id) : -1;
        self->window_.scroll_to_row(
            kList, anchor_row >= 0 ? anchor_row - place->anchor_offset : place->first_in_view);
        if (context.list->order == place->on_screen) return;
        self->shown_ = context.list->order;
        self->seen_ = context.list->loaded_stamp ? context.list->loaded_stamp : stamp;
        ++self->reloads_;
    };
    load_list_in_background(window_, context_, std::move(arrival));
}

std::shared_ptr<ChangeWatch> watch_changes(runtime::Window& window, MainContext& context) {
    auto watch = std::make_shared<ChangeWatch>(window, context);
    watch->prime();
    window.start_timer(kChangeWatchTimer, kChangeWatchPeriodMs, [watch] { watch->tick(); });
    return watch;
}

}  // namespace app
