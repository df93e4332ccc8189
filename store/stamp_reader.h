#pragma once
// Reads a store's change stamp for a watch that follows other PCs' changes, on whichever
// thread the watch sends it to (one read at a time). A server's stamp comes through a
// connection of its own that stays open between reads; a file's is read without opening it,
// since opening it would take the lock the other copies write under.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/location.h"
#include "store/store_connection.h"

namespace store {

class StampReader {
  public:
    struct Stamp {
        std::string store;  // which store it is of: a server's connection text or a file's path
        std::optional<std::uint64_t> value;  // nullopt: not readable now
    };
    // What Stamp::store says for the store at `where`.
    static std::string name_of(const StoreLocation& where) {
        return where.on_server() ? where.odbc : where.path;
    }
    // The stamp of the store at `where`, taken as it stands (LQ_STORE does not redirect it).
    Stamp read(const StoreLocation& where);

  private:
    StoreConnection server_;
    std::string server_text_;
};

}  // namespace store
