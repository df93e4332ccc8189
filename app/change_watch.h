#pragma once
// Several PCs on one store: the main list follows what the other PCs changed, without a
// click. About once a second the store's change stamp is read off the windows' thread; when
// it moved for a reason other than this PC's own last save, the list loads again with the
// same customer selected and the same rows in view. Nothing happens while a dialog or a
// message box of the program is open, and a stamp that cannot be read is simply asked again
// at the next tick: the user's next action says what is wrong, not a box every second.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "runtime/window.h"
#include "store/stamp_reader.h"
#include "store/store_connection.h"

namespace app {

inline constexpr const char* kChangeWatchTimer = "change_watch";
inline constexpr int kChangeWatchPeriodMs = 1000;

using store::StampReader;

class ChangeWatch : public std::enable_shared_from_this<ChangeWatch> {
  public:
    ChangeWatch(runtime::Window& window, MainContext& context);

    // Takes the store's stamp now as the one the list shows: called just before a load.
    void prime();
    // One look at the stamp (the timer's tick): skipped while a dialog is open or while the
    // last look has not answered yet.
    void tick();
    // How many times a look loaded the list again.
    int reloads() const { return reloads_; }
    // Reads that are still out (0 or 1).
    bool reading() const { return reading_; }

  private:
    store::StoreLocation location() const;
    void answer(const StampReader::Stamp& stamp);
    // Loads the list again off the windows' thread, keeping the selection and the view.
    void reload_in_place(std::uint64_t stamp);

    runtime::Window& window_;
    MainContext& context_;
    // Touched only by the read in flight, or by the windows' thread when none is.
    std::shared_ptr<StampReader> reader_ = std::make_shared<StampReader>();
    bool reading_ = false;
    std::string store_;                     // the store the stamp below is of
    std::optional<std::uint64_t> seen_;     // the stamp the list shows
    std::weak_ptr<const ListOrder> shown_;  // the load that was on screen at the last look
    int reloads_ = 0;
};

// Starts following the store for the main window: primes a watch (call it just before the
// list's first load) and looks every kChangeWatchPeriodMs from then on, until the window
// closes. Returns the watch, for tests.
std::shared_ptr<ChangeWatch> watch_changes(runtime::Window& window, MainContext& context);

}  // namespace app
